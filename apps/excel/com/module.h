#pragma once

#include <windows.h>

namespace qv::excel {

// What keeps the DLL loaded: every COM object it made that is still alive, and every
// IClassFactory::LockServer(TRUE) not yet undone. DllCanUnloadNow answers S_OK only at zero.
void ObjectMade();
void ObjectGone();
void Lock(bool lock);
bool CanUnload();

// Counts its owner among the module's live objects for the owner's whole life.
class ModuleObject {
 public:
  ModuleObject() { ObjectMade(); }
  ModuleObject(const ModuleObject&) { ObjectMade(); }
  ModuleObject& operator=(const ModuleObject&) = default;
  ~ModuleObject() { ObjectGone(); }
};

}  // namespace qv::excel
