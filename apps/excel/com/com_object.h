#pragma once

#include <windows.h>

#include <oaidl.h>

#include <initializer_list>

#include "com/module.h"

namespace qv::excel {

// A COM object of ours implementing `Interface`: one reference at birth (its maker's), deleted at
// the last Release, and counted among the module's live objects meanwhile.
template <typename Interface>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  // QueryInterface's answer: this object as `Interface` for any of `iids`, else E_NOINTERFACE.
  HRESULT Answer(REFIID iid, void** out, std::initializer_list<IID> iids) {
    if (!out) return E_POINTER;
    for (const IID& known : iids) {
      if (iid == known) {
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
      }
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  LONG references_ = 1;
  ModuleObject counted_;
};

// An IDispatch object of ours that describes itself by no type information.
template <typename Interface>
class DispatchObject : public ComObject<Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
};

}  // namespace qv::excel
