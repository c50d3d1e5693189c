#include "settings/registry_settings_win32.h"

#include <windows.h>

#include "values/utf16_win32.h"

namespace qv::settings {
namespace {

[[noreturn]] void Fail(const std::string& what, LSTATUS status) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text ? FromUtf16(text) : "error " + std::to_string(status);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  throw SettingsError("The setting " + what + " could not be read or written: " + message);
}

// The key of a section, below HKEY_CURRENT_USER.
std::wstring RegistrySectionKey(const std::string& app, const std::string& section) {
  return L"Software\\VB and VBA Program Settings\\" + ToUtf16(app) + L"\\" + ToUtf16(section);
}

}  // namespace

std::optional<std::string> RegistrySettings::Get(const std::string& app, const std::string& section,
                                                 const std::string& key) {
  const std::wstring subkey = RegistrySectionKey(app, section);
  const std::wstring name = ToUtf16(key);
  DWORD bytes = 0;
  LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                nullptr, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  // The value may change between the two calls: ask again while it grows.
  for (;;) {
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) Fail(section + "/" + key, status);
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    status = RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                          value.data(), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status == ERROR_SUCCESS) {
      value.resize(wcsnlen(value.c_str(), value.size()));
      return FromUtf16(value);
    }
  }
}

void RegistrySettings::Save(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& value) {
  const std::wstring subkey = RegistrySectionKey(app, section);
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) Fail(section + "/" + key, status);
  const std::wstring text = ToUtf16(value);
  status = RegSetValueExW(handle, ToUtf16(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS) Fail(section + "/" + key, status);
}

}  // namespace qv::settings
