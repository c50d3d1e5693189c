#include "values/convert.h"

#include <gtest/gtest.h>

#include "values/errors.h"

namespace qv {
namespace {

TEST(IsNumericText, DigitsWithSignAndPointAndBlanksAround) {
  const struct {
    const char* text;
    bool numeric;
  } cases[] = {
      {"12", true},           {" -12.5 ", true}, {"+7", true},     {".5", true},   {"5.", true},
      {"919876543210", true}, {"", false},       {"   ", false},   {".", false},   {"-", false},
      {"12a", false},         {"1-2", false},    {"98-76", false}, {"1 2", false}, {"1.2.3", false},
      {"abc", false},         {"\t12", false},   {"1e5", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsNumericText(c.text), c.numeric) << '"' << c.text << '"';
}

TEST(IsNumeric, OnlyNumbersAndNumericTexts) {
  EXPECT_TRUE(IsNumeric(Variant(42.0)));
  EXPECT_TRUE(IsNumeric(Variant(" 42 ")));
  EXPECT_FALSE(IsNumeric(Variant()));
  EXPECT_FALSE(IsNumeric(Variant(true)));
  EXPECT_FALSE(IsNumeric(Variant(DateTime::FromParts(2026, 1, 1))));
  EXPECT_FALSE(IsNumeric(Variant(ErrorValue{2042})));
}

TEST(NumericValue, LongestNumericPrefixAfterLeadingBlanks) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"", 0},    {"abc", 0},    {"  3128", 3128},   {"80x", 80},
               {"0-1", 0}, {"-5", -5},    {"03", 3},          {"1.5e2x", 150},
               {"2e", 2},  {"12 34", 12}, {"0099999", 99999}, {".5", 0.5},
               {"+4", 4}};
  for (const auto& c : cases) EXPECT_EQ(NumericValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(WholeNumbers, HalvesGoToTheEvenNeighbour) {
  const struct {
    double in;
    int out;
  } cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},
               {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {7, 7}};
  for (const auto& c : cases) EXPECT_EQ(ToInt32(c.in), c.out) << c.in;
}

TEST(WholeNumbers, OverflowAtTheLimitsOfTheTarget) {
  EXPECT_EQ(ToInt16(32767.0), 32767);
  EXPECT_EQ(ToInt16(-32768.0), -32768);
}

TEST(WholeNumbers, OverflowErrors) {
  for (double v : {32768.0, -32769.0, 99999.0, 32767.5}) {
    try {
      ToInt16(v);
      ADD_FAILURE() << v;
    } catch (const AddinError& e) {
      EXPECT_EQ(e.Number(), 6);
      EXPECT_STREQ(e.what(), "Overflow");
    }
  }
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_THROW(ToInt32(2147483648.0), AddinError);
  EXPECT_EQ(ToInt16(std::string_view(" 12 ")), 12);
  try {
    ToInt16(std::string_view("x"));
    ADD_FAILURE();
  } catch (const AddinError& e) {
    EXPECT_EQ(e.Number(), 13);
  }
}

TEST(ValueAsText, AsThePlatformWritesValues) {
  const struct {
    Variant value;
    const char* text;
  } cases[] = {
      {Variant(), ""},
      {Variant(919876543210.0), "919876543210"},
      {Variant(12.5), "12.5"},
      {Variant(0.1 + 0.2), "0.3"},
      {Variant(-0.0), "0"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(1e15), "1E+15"},
      {Variant(1234567890123456789.0), "1.23456789012346E+18"},
      {Variant(0.0001), "0.0001"},
      {Variant(0.00001), "1E-05"},
      {Variant(1.0 / 3), "0.333333333333333"},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(ErrorValue{2042}), "Error 2042"},
      {Variant("text"), "text"},
      {Variant(DateTime::FromParts(2026, 12, 6)), "12/6/2026"},
      {Variant(DateTime::FromParts(2026, 12, 6, 20, 5, 9)), "12/6/2026 8:05:09 PM"},
      {Variant(DateTime::FromParts(2026, 1, 2, 0, 0, 1)), "1/2/2026 12:00:01 AM"},
      {Variant(DateTime::FromParts(1899, 12, 30, 10, 30)), "10:30:00 AM"},
  };
  for (const auto& c : cases) EXPECT_EQ(ValueAsText(c.value), c.text);
}

}  // namespace
}  // namespace qv
