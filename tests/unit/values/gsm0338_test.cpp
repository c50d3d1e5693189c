#include "values/gsm0338.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

std::string Times(std::size_t n, const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += text;
  return out;
}

TEST(GsmSeptets, BasicExtensionAndNeither) {
  const struct {
    char32_t c;
    int septets;
  } cases[] = {{U'@', 1},  {U'$', 1},  {U'¤', 1},   {U'Δ', 1},   {U'à', 1}, {U'Ç', 1},
               {U'\n', 1}, {U'\r', 1}, {U'€', 2},   {U'\f', 2},  {U'^', 2}, {U'|', 2},
               {U'~', 2},  {U'\\', 2}, {U'`', 0},   {U'ç', 0},   {U'â', 0}, {U'’', 0},
               {U'\t', 0}, {0x1B, 0},  {0xFFFD, 0}, {0x1F600, 0}};
  for (const auto& c : cases) EXPECT_EQ(GsmSeptets(c.c), c.septets) << static_cast<unsigned>(c.c);
}

TEST(CountNetworkParts, OnEachSideOfEachLimit) {
  const std::string a = "a", ext = "{", u = "\xC3\xA2" /* â */, q = "\xE2\x80\x99" /* ’ */,
                    smile = "\xF0\x9F\x98\x80";
  const struct {
    std::string text;
    SmsEncoding encoding;
    std::size_t units;
    long parts;
  } cases[] = {
      {"", SmsEncoding::Gsm7, 0, 1},
      {Times(160, a), SmsEncoding::Gsm7, 160, 1},
      {Times(161, a), SmsEncoding::Gsm7, 161, 2},
      {Times(306, a), SmsEncoding::Gsm7, 306, 2},
      {Times(307, a), SmsEncoding::Gsm7, 307, 3},
      // An extension character takes two septets...
      {Times(158, a) + ext, SmsEncoding::Gsm7, 160, 1},
      {Times(159, a) + ext, SmsEncoding::Gsm7, 161, 2},
      // ...which stay in one part: on the boundary it starts the next.
      {Times(153, a) + ext + Times(151, a), SmsEncoding::Gsm7, 306, 2},
      {Times(152, a) + ext + Times(152, a), SmsEncoding::Gsm7, 306, 3},
      {Times(70, u), SmsEncoding::Ucs2, 70, 1},
      {Times(71, u), SmsEncoding::Ucs2, 71, 2},
      {Times(134, u), SmsEncoding::Ucs2, 134, 2},
      {Times(135, u), SmsEncoding::Ucs2, 135, 3},
      // One character outside both tables, first or last, makes the whole text UCS-2.
      {q + Times(159, a), SmsEncoding::Ucs2, 160, 3},
      {Times(159, a) + q, SmsEncoding::Ucs2, 160, 3},
      {Times(69, a) + q, SmsEncoding::Ucs2, 70, 1},
      // A character beyond the BMP is two units, never split.
      {Times(68, u) + smile, SmsEncoding::Ucs2, 70, 1},
      {Times(67, u) + smile + Times(65, u), SmsEncoding::Ucs2, 134, 2},
      {Times(66, u) + smile + Times(66, u), SmsEncoding::Ucs2, 134, 3},
  };
  for (const auto& c : cases) {
    const NetworkParts counted = CountNetworkParts(c.text);
    EXPECT_EQ(counted.encoding, c.encoding) << c.text;
    EXPECT_EQ(counted.units, c.units) << c.text;
    EXPECT_EQ(counted.parts, c.parts) << c.text;
  }
}

}  // namespace
}  // namespace qv
