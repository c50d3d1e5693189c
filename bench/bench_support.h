#pragma once

#include <string>

#include "addin/connect.h"
#include "addin/shell.h"
#include "host/memory_application.h"
#include "service/fixed_random.h"
#include "service/transport.h"
#include "settings/memory_settings.h"
#include "ui/scripted_ui.h"
#include "values/fixed_clock.h"

namespace qv::bench {

class NoShell : public addin::Shell {
 public:
  void Open(const std::string&) override {}
};

// A transport that answers "000" at once and keeps only the size of what it was sent.
class CountingTransport : public service::Transport {
 public:
  std::string Post(const service::Endpoint&, const std::string&, const std::string& body,
                   const service::ProxySettings&) override {
    bytes = body.size();
    return "000";
  }
  std::string Get(const std::string&) override { return {}; }
  std::size_t bytes = 0;
};

// The add-in connected to an in-memory spreadsheet, logged in, on fakes that answer at once.
struct LoggedInAddin {
  explicit LoggedInAddin(host::MemoryApplication& application) : app(application) {
    connect.AddinInstance_OnConnection(app);
    connect.Globals().SessionUserName = "alice";
    connect.Globals().SessionPassword = "abc";
    connect.Globals().IsLoggedIn = true;
  }
  // The Send SMS dialog, open on the spreadsheet.
  send::frmSendSMS& SendDialog() {
    send::frmSendSMS& dialog = connect.SendSMS();
    dialog.Show(ui::Modality::Modeless);
    dialog.ExcelObj(app);
    return dialog;
  }

  host::MemoryApplication& app;
  ui::ScriptedUi ui;
  CountingTransport transport;
  settings::MemorySettings settings;
  FixedClock clock{DateTime::FromParts(2026, 12, 6, 20, 5, 9)};
  service::FixedRandom random{0.5};
  NoShell shell;
  addin::Connect connect{{ui, transport, settings, clock, random, shell, ""}};
};

}  // namespace qv::bench
