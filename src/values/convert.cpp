#include "values/convert.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "values/errors.h"

namespace qv {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the number at the start of s: sign, digits, point, digits, exponent.
std::size_t NumberPrefix(std::string_view s, bool allowExponent) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (allowExponent && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

double Parse(std::string_view s) {
  const std::string copy(s);
  return std::strtod(copy.c_str(), nullptr);
}

template <typename T>
T ToWhole(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
        r <= static_cast<double>(std::numeric_limits<T>::max()))) {
    throw AddinError::Overflow();
  }
  return static_cast<T>(r);
}

double NumericTextValue(std::string_view text) {
  if (!IsNumericText(text)) throw AddinError::TypeMismatch();
  const auto first = text.find_first_not_of(' ');
  return Parse(text.substr(first));
}

}  // namespace

bool IsNumericText(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  const auto last = text.find_last_not_of(' ');
  const std::string_view core = text.substr(first, last - first + 1);
  return NumberPrefix(core, false) == core.size();
}

bool IsNumeric(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Number:
      return true;
    case Variant::Kind::Text:
      return IsNumericText(value.AsText());
    default:
      return false;
  }
}

double NumericValue(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0;
  const std::string_view rest = text.substr(first);
  const std::size_t n = NumberPrefix(rest, true);
  return n == 0 ? 0 : Parse(rest.substr(0, n));
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

std::int16_t ToInt16(double value) { return ToWhole<std::int16_t>(value); }
std::int32_t ToInt32(double value) { return ToWhole<std::int32_t>(value); }
std::int16_t ToInt16(std::string_view text) { return ToInt16(NumericTextValue(text)); }
std::int32_t ToInt32(std::string_view text) { return ToInt32(NumericTextValue(text)); }

std::string NumberAsText(double value) {
  if (value == 0) return "0";
  char buf[40];
  // Whole numbers below 10^15 (mobile numbers above all) are written as integers.
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value)).ptr;
    return std::string(buf, end);
  }
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
  std::string out(buf, end);
  for (char& c : out) {
    if (c == 'e') c = 'E';
  }
  return out;
}

TypedEntry TypedValue(const std::string& text) {
  if (IsNumericText(text)) return {NumericValue(text), {}};
  if (text.find_first_not_of(' ') == std::string::npos) return {text, {}};
  const auto read = ReadDateTimeText(text);
  if (!read) return {text, {}};
  if (!read->hasDate) {
    return {read->value,
            std::string(read->seconds ? "h:mm:ss" : "h:mm") + (read->twelveHour ? " AM/PM" : "")};
  }
  return {read->value, read->hasTime ? kDateTimeFormat : kDateFormat};
}

std::string ValueAsText(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
      return {};
    case Variant::Kind::Number:
      return NumberAsText(value.AsNumber());
    case Variant::Kind::Text:
      return value.AsText();
    case Variant::Kind::Date:
      return DateTimeAsText(value.AsDate());
    case Variant::Kind::Boolean:
      return value.AsBoolean() ? "True" : "False";
    case Variant::Kind::Error:
      return "Error " + std::to_string(value.AsError().code);
  }
  return {};
}

}  // namespace qv
