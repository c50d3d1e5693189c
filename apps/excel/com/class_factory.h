#pragma once

#include <windows.h>

#include <unknwn.h>

#include "com/com_ptr.h"
#include "com/module.h"

namespace qv::excel {

// The factory of the DLL's one creatable class; it counts toward keeping the DLL loaded, as its
// locks do.
class ClassFactory final : public IClassFactory {
 public:
  using Create = HRESULT (*)(REFIID iid, void** out);
  static ComPtr<ClassFactory> Make(Create create);

  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  explicit ClassFactory(Create create) : create_(create) {}
  ~ClassFactory() = default;
  LONG references_ = 1;
  ModuleObject counted_;
  Create create_;
};

}  // namespace qv::excel
