#pragma once

#include <windows.h>

#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "com/bstr.h"
#include "com/com_variant.h"
#include "values/utf16_win32.h"

namespace qv::testing {

// One call as an object received it: the member, the flags, the arguments left to right (a
// property's new value last), and whether that value came named as the property's.
struct Received {
  std::string member;
  WORD flags = 0;
  std::vector<excel::ComVariant> args;
  bool namedPut = false;
};

// An IDispatch object whose members are functions of the test's. It records every call and
// counts its references, but never deletes itself: the test owns it and checks the count.
class FakeObject : public IDispatch {
 public:
  using Member = std::function<excel::ComVariant(const Received&)>;
  FakeObject() = default;
  FakeObject(const FakeObject&) = delete;
  FakeObject& operator=(const FakeObject&) = delete;
  virtual ~FakeObject() = default;

  void Define(std::string name, Member member) {
    names_.push_back(std::move(name));
    members_.push_back(std::move(member));
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    ++namesAsked;
    const std::string name = FromUtf16(names[0]);  // a plain string, not a BSTR
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (names_[i] == name) {
        ids[0] = static_cast<DISPID>(i + 1);
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    Received call{names_[static_cast<std::size_t>(id - 1)], flags, {}, false};
    for (UINT i = params->cArgs; i-- > 0;) {
      excel::ComVariant copy;
      VariantCopy(copy.Receive(), &params->rgvarg[i]);
      call.args.push_back(copy);
    }
    call.namedPut = params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    calls.push_back(call);
    // The record holds no object given as an argument: only the add-in's own references count.
    for (auto& arg : calls.back().args) {
      if (arg.Get().vt == VT_DISPATCH || arg.Get().vt == VT_UNKNOWN)
        arg = excel::ComVariant::FromObject(nullptr);
    }
    if (rejected && *rejected > 0) {
      --*rejected;
      return RPC_E_CALL_REJECTED;
    }
    if (!failure.empty()) return Fail(failure, info);
    try {
      const auto start = std::chrono::steady_clock::now();
      excel::ComVariant answer = members_[static_cast<std::size_t>(id - 1)](call);
      if (result) *result = answer.Detach();
      answering += std::chrono::steady_clock::now() - start;
    } catch (const std::exception& e) {
      // What the object model refuses comes back as a spreadsheet's exception does.
      return Fail(e.what(), info);
    }
    return S_OK;
  }

  ULONG references = 1;  // the test's own
  std::string label;     // what the object is, for the test's messages
  std::vector<Received> calls;
  long namesAsked = 0;  // calls of GetIDsOfNames
  // The time its members took to answer: what the spreadsheet itself spent.
  std::chrono::steady_clock::duration answering{};
  std::string failure;  // when set, every call fails with this description
  // When set and above 0, the next calls are refused as a busy Excel refuses them, one less each.
  int* rejected = nullptr;

 private:
  static HRESULT Fail(const std::string& description, EXCEPINFO* info) {
    if (!info) return DISP_E_EXCEPTION;
    info->scode = E_FAIL;
    info->bstrDescription = excel::Bstr(description).Detach();
    info->bstrSource = excel::Bstr("Fake").Detach();
    return DISP_E_EXCEPTION;
  }
  std::vector<std::string> names_;
  std::vector<Member> members_;
};

}  // namespace qv::testing
