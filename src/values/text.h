#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Blanks are spaces only: tabs and line feeds are kept, as the add-in has always trimmed.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);

// Every occurrence of `from` in `s` replaced by `to`; an empty `from` leaves `s` as it is.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

std::string ToLowerAscii(std::string_view s);
bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b);
// The value of a hexadecimal digit (either case); -1 for any other character.
int HexDigitValue(char c);

// The pieces of `s` between the separators, empty pieces included ("a,,b" gives a, "", b).
std::vector<std::string> Split(std::string_view s, std::string_view separator);

// Decodes the code point at s[i], moving `i` past it; 0xFFFD for broken UTF-8.
char32_t NextCodePoint(std::string_view s, std::size_t& i);
// Appends a code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// "\\", "\n" and "\r" for a backslash and the line breaks, so a text fits on one line; and back
// (false for a broken escape).
std::string EscapeLineBreaks(std::string_view text);
bool UnescapeLineBreaks(std::string_view text, std::string& out);

// Length in characters of UTF-8 text (what a user counts), and the first `count` characters.
std::size_t Utf8Length(std::string_view s);
std::string Utf8Left(std::string_view s, std::size_t count);

}  // namespace qv
