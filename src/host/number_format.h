#pragma once

#include <string>
#include <string_view>

namespace qv::host {

// The format code of a built-in number format (0 to 49) as a US English spreadsheet shows it;
// empty for an id without one.
std::string BuiltInFormatCode(int id);

// The id of the built-in number format with this code; -1 for none.
int BuiltInFormatId(std::string_view code);

// True when the code shows dates or times, so that a number under it is a date.
bool IsDateFormat(std::string_view code);

// The text a cell holding `value` displays under the format `code` (sections separated by ";",
// literals in quotes or after "\", [colours] read and not shown, [conditions] choosing the
// section, digits with 0 # ? , . % E+, fractions, dates and times, "@" for text). Decimals round
// the value's 15-digit decimal form, a half away from zero. "General", and a code whose only
// section is for text, show the number as the value-as-text rule writes it. Under a date code the
// value is a serial date of the 1900 system.
std::string FormatNumber(double value, std::string_view code);

// The text a text cell displays: the text, placed at "@" of a format's text section.
std::string FormatText(std::string_view text, std::string_view code);

}  // namespace qv::host
