#pragma once

#include <windows.h>

namespace qv::excel {

// The module this code is in (the add-in's DLL, or a test program): its windows, its class and
// its manifest belong to it, not to Excel.
HINSTANCE AddinModule();

// While one lives, windows made on this thread are drawn in the system's current style: the
// module's manifest (resource 2, Common Controls 6) is the activation context. Windows draws a
// DLL's controls as in Windows 95 otherwise, whatever Excel's own manifest says.
class VisualStyles {
 public:
  VisualStyles();
  ~VisualStyles();
  VisualStyles(const VisualStyles&) = delete;
  VisualStyles& operator=(const VisualStyles&) = delete;
  // Gives the activation context back, as the module must before it unloads; the next
  // VisualStyles makes it again.
  static void Release();

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

}  // namespace qv::excel
