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
      {3.0, BuiltInFormatCode(12), "3"},
      {0.3333, BuiltInFormatCode(13), " 1/3"},
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
