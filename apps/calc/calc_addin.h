#pragma once

#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/URL.hpp>

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "addin/connect.h"
#include "addin/shell_posix.h"
#include "calc_command_bars.h"
#include "calc_workbook.h"
#include "service/curl_transport_posix.h"
#include "service/random.h"
#include "service/transport_settings.h"
#include "settings/ini_file_settings_posix.h"
#include "uno_ui.h"
#include "values/clock_posix.h"

namespace qv::calc {

// Calc as the add-in's spreadsheet: its documents are the workbooks, and the add-in's command bars
// are mirrored into its menus and toolbars.
class CalcApplication : public host::Application {
 public:
  explicit CalcApplication(css::uno::Reference<css::uno::XComponentContext> context)
      : context_(std::move(context)) {}

  // The spreadsheet document the user works in; nullptr when the active document is none.
  host::Workbook* ActiveWorkbook() override;
  host::Sheet* ActiveSheet() override;
  host::CommandBars& GetCommandBars() override { return bars_.Bars(); }
  std::unique_ptr<host::HiddenInstance> CreateHiddenInstance() override;

  CalcCommandBars& Bars() { return bars_; }

 private:
  css::uno::Reference<css::uno::XComponentContext> context_;
  CalcCommandBars bars_;
  std::vector<std::unique_ptr<CalcWorkbook>> workbooks_;
};

// The add-in inside one office process: made when the office first shows a window, it lives as
// long as the process. Everything here runs on the office's main thread.
class CalcAddin {
 public:
  static CalcAddin& Get();

  // Runs the add-in's connect sequence, once, and shows its menus and toolbars.
  void Connect(const css::uno::Reference<css::uno::XComponentContext>& context);
  // Clicks the control that a command names (what follows the protocol), then brings the menus,
  // the toolbars and every listener in line with the bars as the click left them.
  void Click(std::string_view command);
  // Keeps `listener` told whether the command of `url` can be clicked.
  void Listen(const css::uno::Reference<css::frame::XStatusListener>& listener,
              const css::util::URL& url);
  void Unlisten(const css::uno::Reference<css::frame::XStatusListener>& listener,
                const css::util::URL& url);
  // The command a URL of the add-in's protocol names; empty for any other.
  static std::string CommandIn(const css::util::URL& url);

 private:
  struct Environment {
    explicit Environment(const css::uno::Reference<css::uno::XComponentContext>& context)
        : ui(context),
          settings(settings::IniFileSettings::DefaultRoot()),
          transport(service::ReadTransportSettings(settings)) {}
    UnoUi ui;
    settings::IniFileSettings settings;
    service::CurlTransport transport;
    SystemClock clock;
    service::SystemRandom random;
    addin::DesktopShell shell;
  };
  void Tell(const css::uno::Reference<css::frame::XStatusListener>& listener,
            const css::util::URL& url);
  void Refresh();

  css::uno::Reference<css::uno::XComponentContext> context_;
  std::unique_ptr<Environment> environment_;
  std::unique_ptr<CalcApplication> application_;
  std::unique_ptr<addin::Connect> addin_;
  std::vector<std::pair<css::uno::Reference<css::frame::XStatusListener>, css::util::URL>>
      listeners_;
};

}  // namespace qv::calc
