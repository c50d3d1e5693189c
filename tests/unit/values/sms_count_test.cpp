#include "values/sms_count.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SmsCount, ByLength) {
  const struct {
    std::size_t length;
    long sms;
  } cases[] = {{0, 1},     {160, 1},   {161, 2},   {306, 2},   {307, 3},    {459, 3},
               {3060, 20}, {3061, 20}, {3136, 20}, {3137, 21}, {15300, 100}};
  for (const auto& c : cases) EXPECT_EQ(SmsCount(c.length), c.sms) << c.length;
}

TEST(LongSmsCountText, ByLength) {
  const struct {
    std::size_t length;
    const char* text;
  } cases[] = {{459, "1"},  {460, "2"},  {918, "2"},
               {919, "3"},  {3672, "8"}, {3673, "8.00217864923747"},
               {4590, "10"}};
  for (const auto& c : cases) EXPECT_EQ(LongSmsCountText(c.length), c.text) << c.length;
}

}  // namespace
}  // namespace qv
