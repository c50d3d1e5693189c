#include "com/class_factory.h"

#include <new>

namespace qv::excel {

ComPtr<ClassFactory> ClassFactory::Make(Create create) {
  return ComPtr<ClassFactory>::Adopt(new ClassFactory(create));
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
  return Answer(iid, out, {IID_IUnknown, IID_IClassFactory});
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  try {
    return create_(iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  Lock(lock != FALSE);
  return S_OK;
}

}  // namespace qv::excel
