#pragma once

#include <windows.h>

#include <string_view>

#include "settings/settings.h"

namespace qv::excel {

// Applies what the installer passes to DllInstall ("SERVICE=host:port", the key in any letter
// case): the service address is checked as the add-in reads it and stored under Service/Address,
// where the add-in looks for it. No option, or an empty SERVICE, leaves the stored address alone;
// an address the add-in could not use, or an option it does not know, is refused with
// E_INVALIDARG and stores nothing.
HRESULT ApplyInstallOptions(std::wstring_view commandLine, settings::Settings& store);

}  // namespace qv::excel
