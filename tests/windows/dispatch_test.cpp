// The COM helpers against an IDispatch object of our own that records every call and counts its
// references: arguments in order, property puts named, failures described, nothing leaked.
#include "com/dispatch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "com/bstr.h"
#include "host/host.h"
#include "values/utf16_win32.h"

namespace qv::testing {
namespace {

using excel::ComPtr;
using excel::ComVariant;
using excel::Dispatch;

// One call as the object received it: the member, the flags, the arguments left to right, and
// whether the last was named as a property's new value.
struct Received {
  std::string member;
  WORD flags = 0;
  std::vector<ComVariant> args;
  bool namedPut = false;
};

class FakeObject : public IDispatch {
 public:
  // Members by name; DISPIDs count from 1.
  explicit FakeObject(std::vector<std::string> members) : members_(std::move(members)) {}

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
    const std::string name = FromUtf16(names[0]);  // a plain string, not a BSTR
    for (std::size_t i = 0; i < members_.size(); ++i) {
      if (members_[i] == name) {
        ids[0] = static_cast<DISPID>(i + 1);
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    Received call{members_[static_cast<std::size_t>(id - 1)], flags, {}, false};
    for (UINT i = params->cArgs; i-- > 0;) {
      ComVariant copy;
      VariantCopy(copy.Receive(), &params->rgvarg[i]);
      call.args.push_back(copy);
    }
    call.namedPut = params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    calls.push_back(call);
    if (!failure.empty()) {
      info->scode = E_FAIL;
      info->bstrDescription = excel::Bstr(failure).Detach();
      info->bstrSource = excel::Bstr("Fake").Detach();
      return DISP_E_EXCEPTION;
    }
    if (result) VariantCopy(result, const_cast<VARIANT*>(&answer.Get()));
    return S_OK;
  }

  ULONG references = 1;  // the test's own
  std::vector<Received> calls;
  ComVariant answer;
  std::string failure;

 private:
  std::vector<std::string> members_;
};

TEST(Dispatch, ArgumentsGoInOrderAndPutsAreNamed) {
  FakeObject sheet({"Range", "Name"});
  {
    Dispatch d(ComPtr<IDispatch>::Share(&sheet));
    EXPECT_EQ(sheet.references, 2u);
    sheet.answer = ComVariant::FromText("B2 text");
    EXPECT_EQ(d.GetProperty("Range", {ComVariant::FromText("B2"), ComVariant::Missing()}).ToValue(),
              Variant("B2 text"));
    d.PutProperty("Name", ComVariant::FromText("Zo\xC3\xAB"));
    d.Call("Range", {ComVariant::FromInt(3)});
  }
  EXPECT_EQ(sheet.references, 1u) << "the wrapper gave back its reference";
  ASSERT_EQ(sheet.calls.size(), 3u);
  EXPECT_EQ(sheet.calls[0].member, "Range");
  EXPECT_EQ(sheet.calls[0].flags, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
  ASSERT_EQ(sheet.calls[0].args.size(), 2u);
  EXPECT_EQ(sheet.calls[0].args[0].ToValue(), Variant("B2"));
  EXPECT_EQ(sheet.calls[0].args[1].Get().vt, VT_ERROR);
  EXPECT_EQ(sheet.calls[0].args[1].Get().scode, DISP_E_PARAMNOTFOUND);
  EXPECT_FALSE(sheet.calls[0].namedPut);
  EXPECT_EQ(sheet.calls[1].flags, DISPATCH_PROPERTYPUT);
  EXPECT_TRUE(sheet.calls[1].namedPut);
  EXPECT_EQ(sheet.calls[1].args[0].ToValue(), Variant("Zo\xC3\xAB"));
  EXPECT_EQ(sheet.calls[2].flags, DISPATCH_METHOD);
}

// A failure carries the object's description; an unknown member says its name.
TEST(Dispatch, FailuresAreHostErrorsWithTheObjectsDescription) {
  FakeObject sheet({"Name"});
  Dispatch d(ComPtr<IDispatch>::Share(&sheet));
  sheet.failure = "That name is already taken. Try a different one.";
  try {
    d.PutProperty("Name", ComVariant::FromText("Sheet1"));
    FAIL() << "no error";
  } catch (const host::HostError& e) {
    EXPECT_EQ(std::string(e.what()), "That name is already taken. Try a different one.");
  }
  EXPECT_THROW(d.GetProperty("Nothing"), host::HostError);
}

// Cell values cross both ways: numbers, texts, dates, booleans, errors and empty.
TEST(ComVariant, CellValuesRoundTrip) {
  const Variant values[] = {Variant(),
                            Variant(919812340001.0),
                            Variant(""),
                            Variant("caf\xC3\xA9 \xE2\x82\xAC"),
                            Variant(DateTime::FromParts(2026, 12, 7, 10, 32)),
                            Variant(true),
                            Variant(ErrorValue{2042})};
  for (const auto& v : values) EXPECT_EQ(ComVariant::From(v).ToValue(), v);
  ComVariant whole = ComVariant::FromInt(42);
  EXPECT_EQ(whole.ToValue(), Variant(42.0));
  EXPECT_EQ(whole.ToText(), "42");
  EXPECT_EQ(ComVariant::FromText("7").ToLong(), 7);
  EXPECT_TRUE(ComVariant::FromBool(true).ToBool());
}

TEST(ComVariant, AnObjectIsHeldAndReleased) {
  FakeObject book({"Name"});
  {
    ComVariant held = ComVariant::FromObject(&book);
    ComVariant copy = held;
    EXPECT_EQ(book.references, 3u);
    Dispatch d = Dispatch::From(copy);
    EXPECT_EQ(book.references, 4u);
  }
  EXPECT_EQ(book.references, 1u);
  EXPECT_THROW(Dispatch::From(ComVariant::FromInt(1)), host::HostError);
}

}  // namespace
}  // namespace qv::testing
