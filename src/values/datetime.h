#pragma once

// Dates, times and their texts follow US English conventions throughout: dates are read and
// written month first (M/D/YYYY), times on a 12-hour clock with AM and PM, month and day names
// in English. This matches what the service expects and what the dialogs compose.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct DateParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 = Sunday ... 7 = Saturday
};

// A moment to the second, counted from 12/30/1899 00:00:00, the spreadsheet epoch (day 0 of the
// serial dates workbooks store). Years 100 to 9999.
class DateTime {
 public:
  constexpr DateTime() = default;
  static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0);
  // A serial date (days, with the time as a fraction) rounded to the second.
  static DateTime FromSerial(double serial);
  // The moment `seconds` after the epoch, as Seconds() counts it.
  static constexpr DateTime FromSeconds(std::int64_t seconds) { return DateTime(seconds); }

  DateParts Parts() const;
  double Serial() const;
  std::int64_t Seconds() const { return seconds_; }
  bool HasTime() const;
  bool HasDate() const;

  DateTime AddMinutes(std::int64_t minutes) const;
  DateTime AddSeconds(std::int64_t seconds) const;

  friend auto operator<=>(const DateTime&, const DateTime&) = default;

 private:
  explicit constexpr DateTime(std::int64_t seconds) : seconds_(seconds) {}
  std::int64_t seconds_ = 0;
};

bool IsValidDate(int year, int month, int day);

// True when "2/29/" followed by the year reads as a date.
bool IsLeapYear(int year);

// Reads a date, a time, or both, as the platform reads typed dates: "4/5/2026", "March/5/2026
// 10:30 AM", "05 Jan 2010 03:45 PM", "12/28/2009 14:05:09", "10:30 AM". Month names may be
// written in full or in their three letters, in any letter case. A text that is not a real
// calendar date ("4/31/2026") is not a date.
std::optional<DateTime> ParseDateTime(std::string_view text);

// The same, with what the text wrote: a date, a time, seconds, a 12-hour clock.
struct DateTimeText {
  DateTime value;
  bool hasDate = false;
  bool hasTime = false;
  bool seconds = false;
  bool twelveHour = false;
};
std::optional<DateTimeText> ReadDateTimeText(std::string_view text);

// Formats with the platform's pattern letters: d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh,
// n nn (minutes; m and mm after an hour or before seconds also mean minutes), s ss, AM/PM and
// am/pm (12-hour clock). Other characters are copied.
std::string FormatDateTime(DateTime value, std::string_view pattern);

// "M/D/YYYY", then " h:mm:ss AM" when the time is not midnight; a moment on day 0 shows only
// its time. This is how the platform writes a date as text, and how it writes the present moment
// ("12/6/2026 8:05:09 PM").
std::string DateTimeAsText(DateTime value);

std::string MonthName(int month);          // "January"
std::string MonthAbbreviation(int month);  // "Jan"
std::string DayName(int weekday);          // "Sunday" for 1 to "Saturday" for 7

// Whole minute boundaries crossed from `from` to `to` (seconds of each cut first); negative when
// `to` lies before `from`.
std::int64_t MinutesBetween(DateTime from, DateTime to);

}  // namespace qv
