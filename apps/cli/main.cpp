// For now the command connects the add-in to an in-memory spreadsheet and prints the toolbar and
// the menu it built, as the spreadsheet would show them.
#include <iostream>

#include "addin/connect.h"
#include "host/memory_host.h"
#include "service/curl_transport.h"
#include "settings/ini_file_settings.h"
#include "ui/ui.h"

namespace {

// Prints every box; answers questions No or Cancel so that nothing goes ahead unasked.
class PrintingUi : public qv::ui::Ui {
 public:
  int MsgBox(const std::string& prompt, int buttons, const std::string&) override {
    std::cout << prompt << '\n';
    return (buttons & 7) == qv::ui::mb::YesNo    ? qv::ui::mb::No
           : (buttons & 7) == qv::ui::mb::OkOnly ? qv::ui::mb::Ok
                                                 : qv::ui::mb::Cancel;
  }
  std::optional<std::string> InputBox(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void ShowForm(qv::ui::Form&, qv::ui::Modality) override {}
  void FormClosed(qv::ui::Form&) override {}
  void SetMousePointer(qv::ui::MousePointer) override {}
  void DoEvents() override {}
};

void Print(qv::host::CommandBarControls& controls, const std::string& indent) {
  for (int i = 1; i <= controls.Count(); ++i) {
    auto& c = controls.Item(i);
    if (c.BeginGroup() && i > 1) std::cout << indent << "----\n";
    std::cout << indent << c.Caption() << (c.Enabled() ? "" : " (disabled)") << '\n';
  }
}

}  // namespace

int main() {
  PrintingUi ui;
  qv::service::CurlTransport transport;
  qv::settings::IniFileSettings settings(qv::settings::IniFileSettings::DefaultRoot());
  qv::SystemClock clock;
  qv::service::SystemRandom random;
  qv::addin::DesktopShell shell;
  qv::host::MemoryApplication app;
  app.AddWorkbook("Book1");

  qv::addin::Connect connect({ui, transport, settings, clock, random, shell});
  connect.AddinInstance_OnConnection(app);

  auto& bars = app.GetCommandBars();
  if (auto* toolbar = bars.Find("Quorvalent")) {
    std::cout << "Toolbar \"" << toolbar->Name() << "\":\n";
    Print(toolbar->Controls(), "  ");
  }
  auto& menuBar = bars.Item(1);
  std::cout << "Menu bar:\n";
  for (int i = 1; i <= menuBar.Controls().Count(); ++i) {
    auto& menu = menuBar.Controls().Item(i);
    std::cout << "  " << menu.Caption() << '\n';
    if (menu.Caption() == "&Quorvalent") Print(menu.Controls(), "    ");
  }
  return 0;
}
