#include "option_checks.h"

#include "values/datetime.h"
#include "values/text.h"

namespace qv::cli {
namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// "M/D/YYYY" with a month, day and year that exist; the pickers list years of four digits.
bool IsPickerDate(std::string_view date) {
  const auto parts = Split(date, "/");
  if (parts.size() != 3 || !AllDigits(parts[0]) || !AllDigits(parts[1]) || parts[2].size() != 4 ||
      !AllDigits(parts[2]) || parts[0].size() > 2 || parts[1].size() > 2)
    return false;
  const auto read = ReadDateTimeText(date);
  return read && read->hasDate && !read->hasTime;
}

}  // namespace

CLI::Validator FitsBox(std::size_t maxLength, bool trim) {
  return CLI::Validator(
      [maxLength, trim](std::string& value) -> std::string {
        if (trim) value = Trim(value);
        if (Utf8Length(value) <= maxLength) return {};
        return "\"" + value + "\" is longer than the " + std::to_string(maxLength) +
               " characters the dialog's box takes";
      },
      "at most " + std::to_string(maxLength) + " characters");
}

CLI::Validator PickerDate(bool withTime) {
  return CLI::Validator(
      [withTime](std::string& value) -> std::string {
        const std::string text = Trim(value);
        const auto blank = text.find(' ');
        const std::string date = text.substr(0, blank);
        const std::string clock = blank == std::string::npos ? "" : Trim(text.substr(blank + 1));
        bool ok = IsPickerDate(date) && (withTime ? !clock.empty() : clock.empty());
        if (ok && withTime) {
          const auto read = ReadDateTimeText(clock);
          ok = read && read->hasTime && !read->hasDate;
        }
        if (ok) return {};
        return "\"" + value + "\" is not a date the dialog can show; write it " +
               (withTime ? "MM/DD/YYYY h:mm AM" : "M/D/YYYY") +
               ", a real day of a month from 1 to 12";
      },
      withTime ? "MM/DD/YYYY h:mm AM" : "M/D/YYYY");
}

}  // namespace qv::cli
