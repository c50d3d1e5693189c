#include "values/datetime.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ParseDateTime, ReadsTheTextsTheDialogsCompose) {
  const struct {
    const char* text;
    bool valid;
    DateTime expected;
  } cases[] = {
      {"4/5/2026", true, DateTime::FromParts(2026, 4, 5)},
      {"4/31/2026", false, {}},
      {"2/29/2028", true, DateTime::FromParts(2028, 2, 29)},
      {"2/29/2026", false, {}},
      {"2/29/2000", true, DateTime::FromParts(2000, 2, 29)},
      {"2/29/2100", false, {}},
      {"March/5/2026 10:30 AM", true, DateTime::FromParts(2026, 3, 5, 10, 30)},
      {"december/31/2026 11:55 PM", true, DateTime::FromParts(2026, 12, 31, 23, 55)},
      {"January/1/2027 12:00 AM", true, DateTime::FromParts(2027, 1, 1, 0, 0)},
      {"January/1/2027 12:05 PM", true, DateTime::FromParts(2027, 1, 1, 12, 5)},
      {"05 Jan 2010 03:45 PM", true, DateTime::FromParts(2010, 1, 5, 15, 45)},
      {"12/28/2009", true, DateTime::FromParts(2009, 12, 28)},
      {"12/6/2026 8:05:09 PM", true, DateTime::FromParts(2026, 12, 6, 20, 5, 9)},
      {"12/28/2009 14:05:09", true, DateTime::FromParts(2009, 12, 28, 14, 5, 9)},
      {"10:30 AM", true, DateTime::FromParts(1899, 12, 30, 10, 30)},
      {"March/5/2026 Send Time", false, {}},
      {"combo_month/DD/2026 Send Time", false, {}},
      {"13/1/2026", false, {}},
      {"1/1/2026 13:00 PM", false, {}},
      {"1/1/2026 10:60", false, {}},
      {"2026", false, {}},
      {"1.5", false, {}},
      {"", false, {}},
      {"abc", false, {}},
  };
  for (const auto& c : cases) {
    const auto got = ParseDateTime(c.text);
    EXPECT_EQ(got.has_value(), c.valid) << c.text;
    if (got && c.valid) {
      EXPECT_EQ(*got, c.expected) << c.text;
    }
  }
}

TEST(IsLeapYear, ByTheTwentyNinthOfFebruary) {
  EXPECT_TRUE(IsLeapYear(2028));
  EXPECT_FALSE(IsLeapYear(2026));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
}

TEST(FormatDateTime, ThePatternsTheDialogsUse) {
  const DateTime evening = DateTime::FromParts(2026, 12, 6, 20, 5, 9);
  const DateTime morning = DateTime::FromParts(2010, 1, 5, 0, 45);
  EXPECT_EQ(FormatDateTime(evening, "dddd dd mmmm yyyy hh:mm AM/PM"),
            "Sunday 06 December 2026 08:05 PM");
  EXPECT_EQ(FormatDateTime(morning, "dd mmm yyyy hh:mm AM/PM"), "05 Jan 2010 12:45 AM");
  EXPECT_EQ(FormatDateTime(evening, "hh:mm AM/PM"), "08:05 PM");
  EXPECT_EQ(FormatDateTime(DateTime::FromParts(2026, 3, 5, 12, 0), "h:mm AM/PM"), "12:00 PM");
  EXPECT_EQ(FormatDateTime(evening, "m/d/yyyy"), "12/6/2026");
}

TEST(DateTimeAsText, ThePresentMomentAsTheSystemWritesIt) {
  EXPECT_EQ(DateTimeAsText(DateTime::FromParts(2026, 12, 6, 20, 5, 9)), "12/6/2026 8:05:09 PM");
  EXPECT_EQ(DateTimeAsText(DateTime::FromParts(2026, 12, 6, 0, 0, 0)), "12/6/2026");
  EXPECT_EQ(DateTimeAsText(DateTime::FromParts(2026, 7, 4, 12, 0, 0)), "7/4/2026 12:00:00 PM");
}

TEST(DateTime, PartsSerialsAndWeekdays) {
  const DateParts p = DateTime::FromParts(2026, 12, 6, 20, 5, 9).Parts();
  EXPECT_EQ(p.year, 2026);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 6);
  EXPECT_EQ(p.weekday, 1);  // a Sunday
  EXPECT_EQ(DateTime::FromParts(1900, 1, 1).Serial(), 2);
  EXPECT_EQ(DateTime::FromSerial(46362.5), DateTime::FromParts(2026, 12, 6, 12, 0));
  EXPECT_EQ(DateTime::FromParts(1850, 3, 1).Parts().day, 1);
  EXPECT_EQ(MonthName(3), "March");
  EXPECT_EQ(MonthAbbreviation(9), "Sep");
}

TEST(MinutesBetween, CountsMinuteBoundariesWithSecondsCut) {
  const DateTime now = DateTime::FromParts(2026, 3, 5, 10, 32, 59);
  EXPECT_EQ(MinutesBetween(now, DateTime::FromParts(2026, 3, 5, 12, 35)), 123);
  EXPECT_EQ(MinutesBetween(now, DateTime::FromParts(2026, 3, 5, 10, 33, 0)), 1);
  EXPECT_EQ(MinutesBetween(now, DateTime::FromParts(2026, 3, 5, 10, 32, 0)), 0);
  EXPECT_EQ(MinutesBetween(now, DateTime::FromParts(2026, 3, 5, 10, 31, 59)), -1);
  EXPECT_EQ(now.AddMinutes(123), DateTime::FromParts(2026, 3, 5, 12, 35, 59));
}

}  // namespace
}  // namespace qv
