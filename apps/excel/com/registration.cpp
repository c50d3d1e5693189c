#include "com/registration.h"

#include <algorithm>
#include <set>

namespace qv::excel {
namespace {

// The registry view of this build: a 32-bit DLL registers where 32-bit Excel looks.
#ifdef _WIN64
constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr const wchar_t* kTypeLibPlatform = L"win64";
#else
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr const wchar_t* kTypeLibPlatform = L"win32";
#endif

const std::wstring kClasses = L"Software\\Classes\\";
// Automation's own marshaler, for a dual interface described by a type library.
constexpr const wchar_t* kAutomationProxy = L"{00020424-0000-0000-C000-000000000046}";

std::wstring Folder(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

}  // namespace

std::vector<RegistryEntry> RegistrationEntries(const std::wstring& dllPath) {
  const std::wstring cls = kClasses + L"CLSID\\" + kClassId;
  const std::wstring typeLib = kClasses + L"TypeLib\\" + kTypeLibId + L"\\1.0";
  const std::wstring iface = kClasses + L"Interface\\" + kInterfaceId;
  const std::wstring addin =
      std::wstring(L"Software\\Microsoft\\Office\\Excel\\Addins\\") + kProgId;
  return {
      {cls, L"", std::wstring(kProgId)},
      {cls + L"\\InprocServer32", L"", dllPath},
      {cls + L"\\InprocServer32", L"ThreadingModel", std::wstring(L"Apartment")},
      {cls + L"\\ProgID", L"", std::wstring(kProgId)},
      {cls + L"\\TypeLib", L"", std::wstring(kTypeLibId)},
      {kClasses + kProgId, L"", std::wstring(kProgId)},
      {kClasses + kProgId + L"\\CLSID", L"", std::wstring(kClassId)},
      {typeLib, L"", std::wstring(L"Quorvalent_Excel")},
      {typeLib + L"\\0\\" + kTypeLibPlatform, L"", dllPath},
      {typeLib + L"\\FLAGS", L"", std::wstring(L"0")},
      {typeLib + L"\\HELPDIR", L"", Folder(dllPath)},
      {iface, L"", std::wstring(L"_Connect")},
      {iface + L"\\ProxyStubClsid32", L"", std::wstring(kAutomationProxy)},
      {iface + L"\\TypeLib", L"", std::wstring(kTypeLibId)},
      {iface + L"\\TypeLib", L"Version", std::wstring(L"1.0")},
      {addin, L"FriendlyName", std::wstring(kFriendlyName)},
      {addin, L"Description", std::wstring(kFriendlyName)},
      {addin, L"LoadBehavior", DWORD{3}},
  };
}

HRESULT RegisterServer(const std::wstring& dllPath) {
  for (const auto& entry : RegistrationEntries(dllPath)) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, entry.key.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | kView, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (const auto* text = std::get_if<std::wstring>(&entry.value)) {
      status = RegSetValueExW(key, entry.name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text->c_str()),
                              static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
    } else {
      const DWORD number = std::get<DWORD>(entry.value);
      status = RegSetValueExW(key, entry.name.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  // Every key registration makes, with the ones between it and the first key that was there
  // before (TypeLib\{id} above its version, ...): deepest first, each only if it is empty of
  // anything else by then.
  std::set<std::wstring> keys;
  for (const auto& entry : RegistrationEntries(L"")) keys.insert(entry.key);
  keys.insert(kClasses + L"TypeLib\\" + kTypeLibId);
  keys.insert(kClasses + L"TypeLib\\" + kTypeLibId + L"\\1.0\\0");
  std::vector<std::wstring> ordered(keys.begin(), keys.end());
  std::sort(ordered.begin(), ordered.end(), [](const std::wstring& a, const std::wstring& b) {
    return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
  });
  for (const auto& key : ordered) {
    const LSTATUS status = RegDeleteKeyExW(HKEY_CURRENT_USER, key.c_str(), kView, 0);
    // Absent is what we want; a key still holding another program's keys stays.
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && status != ERROR_ACCESS_DENIED)
      return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

}  // namespace qv::excel
