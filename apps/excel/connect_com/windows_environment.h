#pragma once

#include <windows.h>

#include <string>

#include "connect_com/connect_com.h"
#include "settings/settings.h"

namespace qv::excel {

// The service address the machine-wide installer stored for every user (its SERVICE), or "" when
// it stored none or the user has an address of their own in `user`, which wins.
std::string MachineServiceAddress(settings::Settings& user);

// Creates a Connect on Windows' own adapters (WinINet, the registry, the shell, the system clock),
// its boxes owned by Excel's main window: what Excel gets from the class factory.
HRESULT CreateConnect(REFIID iid, void** out);

}  // namespace qv::excel
