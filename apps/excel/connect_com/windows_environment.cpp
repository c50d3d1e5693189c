#include "connect_com/windows_environment.h"

#include "addin/shell_win32.h"
#include "service/pumping_transport_win32.h"
#include "service/random.h"
#include "service/wininet_transport_win32.h"
#include "settings/registry_settings_win32.h"
#include "values/clock_win32.h"
#include "win32_ui/win32_ui.h"

namespace qv::excel {
namespace {

class WindowsEnvironment : public Environment {
 public:
  explicit WindowsEnvironment(Win32Ui::Owner owner)
      : ui_(std::move(owner)), transport_(wininet_, ui_) {}
  // The service address is the settings' (Service/Address), as the installer wrote it.
  addin::Platform Platform() override {
    return {ui_, transport_, settings_, clock_, random_, shell_, ""};
  }

 private:
  Win32Ui ui_;
  service::WinInetTransport wininet_;
  service::PumpingTransport transport_;
  settings::RegistrySettings settings_;
  SystemClock clock_;
  service::SystemRandom random_;
  addin::Win32Shell shell_;
};

}  // namespace

HRESULT CreateConnect(REFIID iid, void** out) {
  // The window of the workbook active when a form shows; an Excel that gives none still gets
  // its boxes, owned by the desktop.
  const ComPtr<ConnectObject> made = ConnectObject::Make([](ExcelApplication& excel) {
    return std::make_unique<WindowsEnvironment>([&excel] { return excel.MainWindow(); });
  });
  return made->QueryInterface(iid, out);
}

}  // namespace qv::excel
