#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/variant.h"

namespace qv {

// "Numeric": digits with an optional sign and one optional decimal point, blanks allowed around
// (" -12.5 " is numeric; "12a", "1-2", "", "." are not).
bool IsNumericText(std::string_view text);

// A value is numeric when it is a number, or text that is numeric. Empty, dates, booleans and
// errors are not.
bool IsNumeric(const Variant& value);

// The numeric value of a text: leading blanks skipped, then the longest prefix that reads as a
// number (sign, digits, decimal point, exponent); 0 when there is none ("80x" is 80, "0-1" is 0).
double NumericValue(std::string_view text);

// Whole-number conversions round to the nearest integer, a half going to the even neighbour
// (2.5 gives 2, 3.5 gives 4). A result outside the target's range is an Overflow failure.
double RoundHalfEven(double value);
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);
// Text must be numeric, else a Type mismatch failure.
std::int16_t ToInt16(std::string_view text);
std::int32_t ToInt32(std::string_view text);

// A number as the platform writes it: up to 15 significant digits, no trailing zeros, and the
// exponent form (1E+15, 1E-05) for very large and very small magnitudes.
std::string NumberAsText(double value);

// Text as a spreadsheet reads it when it is typed into a cell: a number when it is numeric, a date
// or a time when it reads as one, else the text itself; and for a date or a time, the number
// format the cell is given to show it ("m/d/yyyy", "m/d/yyyy h:mm", "h:mm AM/PM", "h:mm:ss AM/PM",
// "h:mm", "h:mm:ss"), empty otherwise.
inline constexpr const char* kDateFormat = "m/d/yyyy";
inline constexpr const char* kDateTimeFormat = "m/d/yyyy h:mm";
struct TypedEntry {
  Variant value;
  std::string format;
};
TypedEntry TypedValue(const std::string& text);

// Any value as text: numbers as above, dates as DateTimeAsText, True/False, "Error 2042",
// and empty as the empty text.
std::string ValueAsText(const Variant& value);

}  // namespace qv
