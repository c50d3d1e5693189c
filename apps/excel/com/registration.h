#pragma once

#include <windows.h>

#include <string>
#include <variant>
#include <vector>

namespace qv::excel {

// The add-in's identity as COM and Excel know it.
inline constexpr const wchar_t* kProgId = L"Quorvalent_Excel.Connect";
inline constexpr const wchar_t* kClassId = L"{D3D2BCCD-31E8-44DC-9796-CA50A1F99AEC}";
inline constexpr const wchar_t* kInterfaceId = L"{CE49F1D3-7A34-48D0-9F9C-A12545713902}";
inline constexpr const wchar_t* kTypeLibId = L"{B8A85267-AFF8-425E-AFD9-A66B1D5CC814}";
inline constexpr const wchar_t* kFriendlyName = L"Quorvalent Excel";

// One value the registration writes, below HKEY_CURRENT_USER; an empty name is the key's default.
struct RegistryEntry {
  std::wstring key;
  std::wstring name;
  std::variant<std::wstring, DWORD> value;
};

// Every value that registers the DLL at `dllPath` for the user alone (no administrator): the
// class, the ProgID, the type library and its interface under Software\Classes, and Excel's
// add-in entry that loads it at start-up.
std::vector<RegistryEntry> RegistrationEntries(const std::wstring& dllPath);

// Writes the entries in this build's own registry view (a 32-bit DLL in the 32-bit view).
HRESULT RegisterServer(const std::wstring& dllPath);
// Removes the keys registration writes, deepest first, and nothing else: a key that holds
// something of another program's stays. Running either twice is harmless.
HRESULT UnregisterServer();

}  // namespace qv::excel
