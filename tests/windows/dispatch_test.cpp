// The COM helpers against an IDispatch object of our own that records every call and counts its
// references: arguments in order, property puts named, failures described, nothing leaked.
#include "com/dispatch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/bstr.h"
#include "host/host.h"
#include "windows/fake_dispatch.h"

namespace qv::testing {
namespace {

using excel::ComPtr;
using excel::ComVariant;
using excel::Dispatch;

// An object with the members a test names, each answering `answer`.
class FakeMembers : public FakeObject {
 public:
  explicit FakeMembers(const std::vector<std::string>& members) {
    for (const auto& m : members) Define(m, [this](const Received&) { return answer; });
  }
  ComVariant answer;
};

TEST(Dispatch, ArgumentsGoInOrderAndPutsAreNamed) {
  FakeMembers sheet({"Range", "Name"});
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
  FakeMembers sheet({"Name"});
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
  FakeMembers book({"Name"});
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
