#pragma once

#include "addin/platform.h"
#include "send/frm_send_check.h"
#include "service/fixed_random.h"
#include "service/recording_transport.h"
#include "settings/memory_settings.h"
#include "support/script_login.h"
#include "ui/scripted_ui.h"
#include "values/fixed_clock.h"

namespace qv::testing {

// The world of fakes an add-in runs on in the tests: the scripted Ui, a recording transport,
// memory settings, a clock fixed at 12/6/2026 8:05:09 PM, a fixed draw of 0.5 and a shell that
// remembers what it opened.
struct AddinFakes {
  ui::ScriptedUi ui;
  service::RecordingTransport transport;
  settings::MemorySettings settings;
  FixedClock clock{DateTime::FromParts(2026, 12, 6, 20, 5, 9)};
  service::FixedRandom random{0.5};
  RecordingShell shell;
  addin::Platform Platform() { return {ui, transport, settings, clock, random, shell, ""}; }
};

// A user who reads the findings of every send check and sends as listed: what the sends of a test
// post is then what they posted before the check came.
inline void SendAsListedAfterEveryCheck(ui::ScriptedUi& ui) {
  ui.Always<send::frmSendCheck>("frmSendCheck",
                                [](send::frmSendCheck& check) { check.cmdSend.Press(); });
}

}  // namespace qv::testing
