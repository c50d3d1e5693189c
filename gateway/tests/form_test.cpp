#include "form.h"

#include <gtest/gtest.h>

#include "credentials.h"

namespace qv::gateway {
namespace {

TEST(Form, DecodesPercentEscapesPlusAndWindows1252) {
  const auto form = Form::Parse("user=alice&msg=Hi+%23B%23%2C+caf%E9&empty=&user=second");
  ASSERT_TRUE(form);
  EXPECT_EQ(form->Get("user"), "alice");
  EXPECT_EQ(form->Get("msg"), "Hi #B#, caf\xC3\xA9");
  EXPECT_EQ(form->Get("empty"), "");
  EXPECT_EQ(form->Get("missing"), std::nullopt);
}

TEST(Form, RefusesWhatIsNoForm) {
  for (const char* body : {"a=%G1", "a=%4", "a=%", "novalue", "=x", "a=1&&b=2"}) {
    EXPECT_FALSE(Form::Parse(body)) << body;
  }
  EXPECT_TRUE(Form::Parse(""));
}

TEST(UnscramblePassword, UndoesTheScramble) {
  // "abc" scrambled with K = 12 at position 2.
  EXPECT_EQ(UnscramblePassword(std::string("o\x0Coo\x02")), "abc");
  EXPECT_EQ(UnscramblePassword(std::string("\x0Cooo\x01")), "abc");
  EXPECT_EQ(UnscramblePassword(std::string("oo\x0Co\x03")), "abc");
  EXPECT_EQ(UnscramblePassword(std::string("\x0C\x01")), "");
  for (const std::string& bad : {std::string(""), std::string("x"), std::string("oo\x05"),
                                 std::string("ab\x00", 3), std::string("\x02\x09\x02")}) {
    EXPECT_EQ(UnscramblePassword(bad), std::nullopt) << bad.size();
  }
}

}  // namespace
}  // namespace qv::gateway
