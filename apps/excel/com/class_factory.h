#pragma once

#include <windows.h>

#include <unknwn.h>

#include "com/com_object.h"
#include "com/com_ptr.h"

namespace qv::excel {

// The factory of the DLL's one creatable class; it counts toward keeping the DLL loaded, as its
// locks do.
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  using Create = HRESULT (*)(REFIID iid, void** out);
  static ComPtr<ClassFactory> Make(Create create);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  explicit ClassFactory(Create create) : create_(create) {}
  ~ClassFactory() override = default;
  Create create_;
};

}  // namespace qv::excel
