#include "host/number_format.h"

#include <gtest/gtest.h>

#include "values/datetime.h"

namespace qv::host {
namespace {

const double kDec6 = DateTime::FromParts(2026, 12, 6).Serial();

TEST(NumberFormat, DisplaysAsASpreadsheetDoes) {
  const struct {
    double value;
    std::string code;
    const char* text;
  } cases[] = {
      {1234.5, "General", "1234.5"},
      {919876543210.0, "General", "919876543210"},
      {0.1 + 0.2, "General", "0.3"},
      {1234.5, BuiltInFormatCode(1), "1235"},
      {1234.5, BuiltInFormatCode(2), "1234.50"},
      {1234567.891, BuiltInFormatCode(3), "1,234,568"},
      {1234567.891, BuiltInFormatCode(4), "1,234,567.89"},
      {-1234.5, BuiltInFormatCode(4), "-1,234.50"},
      {12.0, BuiltInFormatCode(3), "12"},
      {0.4, BuiltInFormatCode(3), "0"},
      {1234.5, BuiltInFormatCode(7), "$1,234.50 "},
      {-1234.5, BuiltInFormatCode(7), "($1,234.50)"},
      {-1234.0, BuiltInFormatCode(37), "(1,234)"},
      {0.125, BuiltInFormatCode(9), "13%"},
      {0.125, BuiltInFormatCode(10), "12.50%"},
      {12345.678, BuiltInFormatCode(11), "1.23E+04"},
      {0.000123, BuiltInFormatCode(11), "1.23E-04"},
      {0.5, BuiltInFormatCode(12), " 1/2"},
      {1.25, BuiltInFormatCode(12), "1 1/4"},
      {3.0, BuiltInFormatCode(12), "3    "},
      {0.3333, BuiltInFormatCode(13), "  1/3 "},
      {kDec6, BuiltInFormatCode(14), "12/6/2026"},
      {kDec6, BuiltInFormatCode(15), "6-Dec-26"},
      {kDec6, BuiltInFormatCode(16), "6-Dec"},
      {kDec6, BuiltInFormatCode(17), "Dec-26"},
      {0.75, BuiltInFormatCode(18), "6:00 PM"},
      {0.75 + 5.0 / 86400, BuiltInFormatCode(19), "6:00:05 PM"},
      {0.25, BuiltInFormatCode(20), "6:00"},
      {kDec6 + 0.5, BuiltInFormatCode(22), "12/6/2026 12:00"},
      {0.5 / 24, BuiltInFormatCode(45), "30:00"},
      {1.5, BuiltInFormatCode(46), "36:00:00"},
      {0.00001, BuiltInFormatCode(47), "00:00.9"},
      {12345.0, BuiltInFormatCode(48), "12.3E+3"},
      {9876543210.0, "(###) ###-####", "(987) 654-3210"},
      {42.0, "000000", "000042"},
      {1.5, "0.0#", "1.5"},
      {1.234, "0.0#", "1.23"},
      {1.0, "#.##", "1."},
      {0.0, "0.00;[Red]-0.00;\"zero\"", "zero"},
      {-2.5, "0.00;[Red]-0.00;\"zero\"", "-2.50"},
      {1234567.0, "#,##0,", "1,235"},
      {5.0, "[$\xE2\x82\xAC-407] #,##0.00", "\xE2\x82\xAC 5.00"},
      {3.0, "0 \"kg\"", "3 kg"},
      {kDec6 + 0.5, "yyyy-mm-dd hh:mm:ss", "2026-12-06 12:00:00"},
      {kDec6, "dddd, mmmm d, yyyy", "Sunday, December 6, 2026"},
      {kDec6 + 0.9, "dd/mm/yy h:mm am/pm", "06/12/26 9:36 pm"},
      {1.0, "m/d/yyyy", "1/1/1900"},
      {60.0, "m/d/yyyy", "2/29/1900"},
      {61.0, "m/d/yyyy", "3/1/1900"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatNumber(c.value, c.code), c.text) << c.value << " " << c.code;
}

// Rounding works on the value's 15-digit decimal form, so what shows is what a person expects of
// the number typed, not of its binary expansion.
// A fraction's denominator is looked for up to five digits, and a time shows at most three
// digits of a second's fraction: more placeholders widen the column or show zeros, and a fixed
// denominator too large to hold shows as placeholders would.
TEST(NumberFormat, FractionsAndSecondsHaveTheirMostDigits) {
  const double fraction = 0.14159265358979;
  const double time = 0.5 + 0.1234567 / 86400;
  const struct {
    double value;
    const char* code;
    const char* shown;
  } cases[] = {
      {fraction, "?/????", "16/113 "},
      {fraction, "?/?????", "14093/99532"},
      {fraction, "?/??????", "14093/99532 "},
      {fraction, "?/?????????????", "14093/99532        "},
      {fraction, "# ?/8", " 1/8"},
      {fraction, "?/99999999999999999999999", "1/7"},
      {time, "hh:mm:ss.00", "12:00:00.12"},
      {time, "hh:mm:ss.000", "12:00:00.123"},
      {time, "hh:mm:ss.0000", "12:00:00.1230"},
      {time, "ss.0000000000000000000000000", "00.1230000000000000000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value, c.code), c.shown) << c.code;
}

// Codes read once are kept up to a number; past it they are read afresh, and every one still shows
// as it should, the first among them.
TEST(NumberFormat, ManyDistinctCodesShowAsFewDo) {
  for (const int codes : {1023, 1024, 1025, 3000}) {
    for (int i = 0; i < codes; ++i) {
      const std::string code = "0.00\" x\"" + std::string(static_cast<std::size_t>(i % 7), '_') +
                               "\"" + std::to_string(i) + "\"";
      const std::string shown = FormatNumber(1.5, code);
      ASSERT_EQ(shown.substr(0, 6), "1.50 x") << code;
      ASSERT_EQ(FormatNumber(2.25, "0.0"), "2.3") << "after " << i;
    }
  }
}

TEST(NumberFormat, RoundsTheDecimalFormOfTheValue) {
  const struct {
    double value;
    const char* code;
    const char* text;
  } cases[] = {
      {1.005, "0.00", "1.01"},
      {1.015, "0.00", "1.02"},
      {0.285, "0.00", "0.29"},
      {0.01005, "0.00%", "1.01%"},
      {1.0049999999, "0.00", "1.00"},
      {0.125, "0.00", "0.13"},
      {0.0049, "0.00", "0.00"},
      {0.005, "0.00", "0.01"},
      {-1.005, "0.00", "-1.01"},
      {-0.004, "0.00", "0.00"},
      {999.995, "#,##0.00", "1,000.00"},
      {1234500, "0.0,", "1234.5"},
      {1234550, "0.0,", "1234.6"},
      {9.995, "0.00E+00", "1.00E+01"},
      {9.994, "0.00E+00", "9.99E+00"},
      {999950, "##0.0E+0", "1.0E+6"},
      {0.0, "0.00E+00", "0.00E+00"},
      {1e20, "0", "100000000000000000000"},
      // Whole numbers of the last place shown, on each side of the largest (10^15) and of the
      // most places (6) read straight from the value; 0.57 is 0.56999... in binary.
      {999999999999999, "#,##0", "999,999,999,999,999"},
      {1e15, "#,##0", "1,000,000,000,000,000"},
      {9999999999999.99, "0.00", "9999999999999.99"},
      {0.57, "0.00", "0.57"},
      {100.5, "#,##0.00", "100.50"},
      {1.000001, "0.000000", "1.000001"},
      {1.0000001, "0.0000000", "1.0000001"},
      {1.0000005, "0.000000", "1.000001"},
      {0.5, "#.##", ".5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatNumber(c.value, c.code), c.text) << c.value << " " << c.code;
}

// Up to two conditions choose the section, the third takes the rest; only the first section
// shows a minus sign, and not when its condition is the one that picks negative numbers.
TEST(NumberFormat, ConditionsChooseTheSection) {
  const std::string phone = "[<=9999999]###-####;(###) ###-####";
  const struct {
    double value;
    std::string code;
    const char* text;
  } cases[] = {
      {5551234567, phone, "(555) 123-4567"},
      {9999999, phone, "999-9999"},
      {10000000, phone, "(1) 000-0000"},
      {999, "[>=1000]#,##0,\"K\";0", "999"},
      {1000, "[>=1000]#,##0,\"K\";0", "1K"},
      {-5, "[>=1000]#,##0,\"K\";0", "5"},
      {99, "[<100]\"low\";\"high\"", "low"},
      {100, "[<100]\"low\";\"high\"", "high"},
      {10, "[Red][<=10]0.0;[Blue][>10]0", "10.0"},
      {10.5, "[Red][<=10]0.0;[Blue][>10]0", "11"},
      {-50, "[Red][<=10]0.0;[Blue][>10]0", "-50.0"},
      {-5, "[<0]0;0", "5"},
      {-5, "[<=0]0.0;0", "5.0"},
      {-5, "[<1]0.0;0", "-5.0"},
      {-20, "[<-10]0;[<0]0.0;0.00", "-20"},
      {-10, "[<-10]0;[<0]0.0;0.00", "10.0"},
      {0, "[<-10]0;[<0]0.0;0.00", "0.00"},
      {5, "[=5]\"five\";0", "five"},
      {5.5, "[=5]\"five\";0", "6"},
      {-5, "[>10]0;[>20]0", "5"},
      {-2.5, "0.00;[Red]-0.00", "-2.50"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatNumber(c.value, c.code), c.text) << c.value << " " << c.code;
}

// A number under a text section shows as General; text shows in the text section, if any.
TEST(NumberFormat, NumbersInTextFormats) {
  EXPECT_EQ(FormatNumber(12345, BuiltInFormatCode(49)), "12345");
  EXPECT_EQ(FormatNumber(-7.25, "@"), "-7.25");
  EXPECT_EQ(FormatNumber(919876543210, "\"Tel \"@"), "919876543210");
  EXPECT_EQ(FormatNumber(-5, "0.00;@"), "-5.00");
  EXPECT_EQ(FormatText("x", "0.00;@"), "x");
  EXPECT_EQ(FormatText("x", "0.00;\"<\"@\">\""), "<x>");
}

TEST(NumberFormat, DateFormatsAreRecognised) {
  for (int id : {14, 15, 16, 17, 18, 19, 20, 21, 22, 45, 46, 47})
    EXPECT_TRUE(IsDateFormat(BuiltInFormatCode(id))) << id;
  for (int id : {0, 1, 2, 3, 4, 9, 10, 11, 12, 37, 49})
    EXPECT_FALSE(IsDateFormat(BuiltInFormatCode(id))) << id;
  EXPECT_TRUE(IsDateFormat("[$-409]mmmm d, yyyy;@"));
  EXPECT_FALSE(IsDateFormat("\"day\" 0"));
  EXPECT_FALSE(IsDateFormat("[Red]0.00"));
}

TEST(NumberFormat, TextSections) {
  EXPECT_EQ(FormatText("abc", "@"), "abc");
  EXPECT_EQ(FormatText("abc", "General"), "abc");
  EXPECT_EQ(FormatText("abc", "0.00"), "abc");
  EXPECT_EQ(FormatText("abc", "0;-0;0;\"Name: \"@"), "Name: abc");
}

}  // namespace
}  // namespace qv::host
