#pragma once

#include <windows.h>

#include "connect_com/connect_com.h"

namespace qv::excel {

// Creates a Connect on Windows' own adapters (WinINet, the registry, the shell, the system clock),
// its boxes owned by Excel's main window: what Excel gets from the class factory.
HRESULT CreateConnect(REFIID iid, void** out);

}  // namespace qv::excel
