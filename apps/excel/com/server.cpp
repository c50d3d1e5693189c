// The DLL's entry points, as COM and regsvr32 call them.
#include <windows.h>

#include <string>

#include "com/class_factory.h"
#include "com/module.h"
#include "com/registration.h"
#include "connect_com/install_options.h"
#include "connect_com/windows_environment.h"
#include "settings/registry_settings_win32.h"

namespace {

HINSTANCE dllInstance = nullptr;

// The DLL's own path, however long.
std::wstring DllPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(dllInstance, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    dllInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID cls, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  CLSID connect{};
  if (FAILED(CLSIDFromString(qv::excel::WideClassId().c_str(), &connect)) || cls != connect)
    return CLASS_E_CLASSNOTAVAILABLE;
  try {
    const auto factory = qv::excel::ClassFactory::Make(&qv::excel::CreateConnect);
    return factory->QueryInterface(iid, out);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return qv::excel::CanUnload() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  try {
    const std::wstring path = DllPath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return qv::excel::RegisterServer(path);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  try {
    return qv::excel::UnregisterServer();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// regsvr32 /i:"SERVICE=host:port" calls it after DllRegisterServer, as the installer does.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
  if (!install) return S_OK;
  try {
    qv::settings::RegistrySettings store;
    return qv::excel::ApplyInstallOptions(commandLine ? commandLine : L"", store);
  } catch (...) {
    return E_FAIL;
  }
}
