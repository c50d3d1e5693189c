#include "connect_com/windows_environment.h"

#include "addin/shell_win32.h"
#include "com/registration_table.h"
#include "service/pumping_transport_win32.h"
#include "service/random.h"
#include "service/wininet_transport_win32.h"
#include "settings/registry_settings_win32.h"
#include "values/clock_win32.h"
#include "values/text.h"
#include "values/utf16_win32.h"
#include "win32_ui/win32_ui.h"

namespace qv::excel {
namespace {

class WindowsEnvironment : public Environment {
 public:
  explicit WindowsEnvironment(Win32Ui::Owner owner)
      : ui_(std::move(owner)),
        transport_(wininet_, ui_),
        machineAddress_(MachineServiceAddress(settings_)) {}
  // The service address is the user's settings' (Service/Address), as the per-user setup wrote
  // it, else the machine's, as the machine-wide one did.
  addin::Platform Platform() override {
    return {ui_, transport_, settings_, clock_, random_, shell_, machineAddress_};
  }

 private:
  Win32Ui ui_;
  service::WinInetTransport wininet_;
  service::PumpingTransport transport_;
  settings::RegistrySettings settings_;
  SystemClock clock_;
  service::SystemRandom random_;
  addin::Win32Shell shell_;
  std::string machineAddress_;
};

}  // namespace

std::string MachineServiceAddress(settings::Settings& user) {
  if (addin::StoredServiceAddress(user)) return "";
  wchar_t text[1024];
  DWORD bytes = sizeof text;
  // The 64-bit view, where the installer wrote it, whichever DLL reads it.
  if (RegGetValueW(HKEY_LOCAL_MACHINE, ToUtf16(kMachineKey).c_str(),
                   ToUtf16(kMachineServiceAddress).c_str(), RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY,
                   nullptr, text, &bytes) != ERROR_SUCCESS) {
    return "";
  }
  return Trim(FromUtf16(text));
}

HRESULT CreateConnect(REFIID iid, void** out) {
  // The window of the workbook active when a form shows; an Excel that gives none still gets
  // its boxes, owned by the desktop.
  const ComPtr<ConnectObject> made = ConnectObject::Make([](ExcelApplication& excel) {
    return std::make_unique<WindowsEnvironment>([&excel] { return excel.MainWindow(); });
  });
  return made->QueryInterface(iid, out);
}

}  // namespace qv::excel
