#include "host/sheet_names.h"

#include <gtest/gtest.h>

#include "host/host.h"

namespace qv::testing {
namespace {

// A sheet name has at most 31 characters, counted as characters, not bytes.
TEST(CheckSheetName, LengthAndCharacters) {
  std::string accented;
  for (int i = 0; i < 31; ++i) accented += "\xC3\xA9";
  const struct {
    std::string name;
    bool accepted;
  } cases[] = {
      {std::string(31, 'a'), true},
      {std::string(32, 'a'), false},
      {accented, true},
      {accented + "e", false},
      {"", false},
      {"a:b", false},
      {"'quoted", false},
      {"it's", true},
      {"SHEET1", false},
  };
  for (const auto& c : cases) {
    bool accepted = true;
    try {
      host::CheckSheetName(c.name, {"Sheet1"});
    } catch (const host::HostError&) {
      accepted = false;
    }
    EXPECT_EQ(accepted, c.accepted) << c.name;
  }
}

}  // namespace
}  // namespace qv::testing
