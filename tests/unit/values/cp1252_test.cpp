#include "values/cp1252.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Cp1252, WesternTextRoundTrips) {
  const struct {
    const char* utf8;
    const char* bytes;
  } cases[] = {{"abc", "abc"},
               {"\xC3\xA9", "\xE9"},
               {"\xE2\x82\xAC", "\x80"},
               {"\xE2\x80\x9C"
                "x"
                "\xE2\x80\x9D",
                "\x93x\x94"},
               {"\xC2\x81", "\x81"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.bytes);
    EXPECT_EQ(Cp1252ToUtf8(c.bytes), c.utf8);
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, RefusesWhatItCannotCarryNamingTheCharacter) {
  try {
    Utf8ToCp1252("Hello \xD0\x96 world");
    ADD_FAILURE();
  } catch (const EncodingError& e) {
    EXPECT_EQ(e.CodePoint(), U'\x0416');
    EXPECT_STREQ(e.what(),
                 "The text \"Hello \xD0\x96 world\" contains the character \"\xD0\x96\" (U+0416), "
                 "which cannot be sent: only Western European characters can be.");
  }
  EXPECT_THROW(Utf8ToCp1252("\xF0\x9F\x98\x80"), EncodingError);
  EXPECT_THROW(Utf8ToCp1252("bad \xC3"), EncodingError);
  EXPECT_THROW(Utf8ToCp1252("\xC0\xAF"), EncodingError);  // overlong
}

// Read eight bytes at a time: a byte beyond ASCII counts in every place of a word and of the rest.
TEST(Cp1252, IsAsciiSeesAHighByteAnywhere) {
  for (std::size_t length = 1; length <= 17; ++length) {
    const std::string plain(length, 'a');
    EXPECT_TRUE(IsAscii(plain)) << length;
    for (std::size_t at = 0; at < length; ++at) {
      std::string text = plain;
      text[at] = '\x80';
      EXPECT_FALSE(IsAscii(text)) << length << " " << at;
    }
  }
  EXPECT_TRUE(IsAscii(""));
}

// The same for the check of what can be sent: a character the code page lacks (or one it has)
// counts in every place, after another one too.
TEST(Cp1252, IsSendableSeesACharacterAnywhere) {
  const std::string lacking = "\xD0\x96", kept = "\xC3\xA9";
  for (std::size_t length = 0; length <= 17; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      const std::string before(at, 'a'), after(length - at, 'b');
      EXPECT_FALSE(IsSendable(before + lacking + after)) << length << " " << at;
      EXPECT_TRUE(IsSendable(before + kept + after)) << length << " " << at;
      EXPECT_FALSE(IsSendable(before + kept + after + lacking)) << length << " " << at;
    }
  }
}

TEST(Cp1252, CharFromCode) {
  EXPECT_EQ(CharFromCode(65), "A");
  EXPECT_EQ(CharFromCode(0x80), "\xE2\x82\xAC");
  EXPECT_THROW(CharFromCode(256), AddinError);
}

}  // namespace
}  // namespace qv
