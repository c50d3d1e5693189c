#include "com/registration.h"

namespace qv::excel {
namespace {

// The registry view of this build: a 32-bit DLL registers where 32-bit Excel looks.
#ifdef _WIN64
constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr const char* kTypeLibPlatform = "win64";
#else
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr const char* kTypeLibPlatform = "win32";
#endif

std::wstring Folder(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

}  // namespace

std::vector<RegistryEntry> RegistrationEntries(const std::wstring& dllPath) {
  return RegistrationEntries(FromUtf16(dllPath), FromUtf16(Folder(dllPath)), kTypeLibPlatform);
}

HRESULT RegisterServer(const std::wstring& dllPath) {
  for (const auto& entry : RegistrationEntries(dllPath)) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, ToUtf16(entry.key).c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | kView, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const std::wstring name = ToUtf16(entry.name);
    if (const auto* text = std::get_if<std::string>(&entry.value)) {
      const std::wstring wide = ToUtf16(*text);
      status =
          RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                         static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    } else {
      const DWORD number = std::get<std::uint32_t>(entry.value);
      status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  // Each only if it is empty of anything else by then.
  for (const auto& key : RegistrationKeys()) {
    const LSTATUS status = RegDeleteKeyExW(HKEY_CURRENT_USER, ToUtf16(key).c_str(), kView, 0);
    // Absent is what we want; a key still holding another program's keys stays.
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && status != ERROR_ACCESS_DENIED)
      return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

}  // namespace qv::excel
