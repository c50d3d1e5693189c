#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "com/registration_table.h"
#include "values/utf16_win32.h"

namespace qv::excel {

// The identity in the width Windows' calls take.
inline const std::wstring& WideClassId() {
  static const std::wstring id = ToUtf16(kClassId);
  return id;
}

// The table's entries for the DLL at `dllPath`, as this build registers it.
std::vector<RegistryEntry> RegistrationEntries(const std::wstring& dllPath);

// Writes the entries in this build's own registry view (a 32-bit DLL in the 32-bit view).
HRESULT RegisterServer(const std::wstring& dllPath);
// Removes the keys registration writes, deepest first, and nothing else: a key that holds
// something of another program's stays. Running either twice is harmless.
HRESULT UnregisterServer();

}  // namespace qv::excel
