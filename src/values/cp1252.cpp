#include "values/cp1252.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "values/text.h"

namespace qv {
namespace {

// Code points of bytes 0x80 to 0x9F.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Describe(const std::string& subject, char32_t cp) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
  if (cp == 0xFFFD) return subject + " is not valid UTF-8.";
  std::string ch;
  AppendUtf8(ch, cp);
  return subject + " contains the character \"" + ch + "\" (" + code +
         "), which cannot be sent: only Western European characters can be.";
}

// The text as a message quotes it: at most 60 characters, each control character (a line break,
// the separators of packed data) shown as a blank, so that none reaches a screen or terminal.
std::string Quote(std::string_view text) {
  std::size_t chars = 0, i = 0;
  std::string shown;
  while (i < text.size() && chars < 60) {
    const auto c = static_cast<unsigned char>(text[i]);
    shown += c < 0x20 || c == 0x7F ? ' ' : text[i];
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
      shown += text[i++];
    ++chars;
  }
  return "The text \"" + shown + (i < text.size() ? "...\"" : "\"");
}

int ByteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t k = 0; k < kHigh.size(); ++k) {
    if (kHigh[k] == cp) return static_cast<int>(0x80 + k);
  }
  return -1;
}

}  // namespace

EncodingError::EncodingError(const std::string& subject, char32_t codePoint)
    : AddinError(error::kInvalidArgument, Describe(subject, codePoint)), codePoint_(codePoint) {}

EncodingError EncodingError::Unshown(const std::string& subject) {
  return EncodingError(Description{subject +
                                   " contains a character that cannot be sent: only Western "
                                   "European characters can be."});
}

unsigned char NextCp1252Byte(std::string_view utf8, std::size_t& i) {
  const char32_t cp = NextCodePoint(utf8, i);
  const int b = cp == 0xFFFD ? -1 : ByteOf(cp);
  if (b < 0) throw EncodingError(Quote(utf8), cp);
  return static_cast<unsigned char>(b);
}

std::string Utf8ToCp1252(std::string_view utf8) {
  // Plain ASCII, the usual case, is the same in both.
  std::size_t i = 0;
  while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
  std::string out(utf8.substr(0, i));
  if (i == utf8.size()) return out;
  out.reserve(utf8.size());
  while (i < utf8.size()) out += static_cast<char>(NextCp1252Byte(utf8, i));
  return out;
}

namespace {

// Where the first byte beyond ASCII in `text` is from `i` on (its size when there is none), eight
// bytes at a time: a request body runs to megabytes, and most texts are ASCII.
std::size_t NextHighByte(std::string_view text, std::size_t i) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (word & kHighBits) break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

// The first character of `text` the code page cannot carry (0xFFFD for broken UTF-8), if any.
std::optional<char32_t> FirstUnsendable(std::string_view text) {
  for (std::size_t i = NextHighByte(text, 0); i < text.size(); i = NextHighByte(text, i)) {
    const char32_t cp = NextCodePoint(text, i);
    if (cp == 0xFFFD || ByteOf(cp) < 0) return cp;
  }
  return std::nullopt;
}

}  // namespace

bool IsAscii(std::string_view text) { return NextHighByte(text, 0) == text.size(); }

bool IsSendable(std::string_view text) { return !FirstUnsendable(text); }

void CheckSendable(std::string_view text, std::string_view where) {
  if (const auto cp = FirstUnsendable(text))
    throw EncodingError(Quote(text) + " " + std::string(where), *cp);
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      AppendUtf8(out, b < 0xA0 ? kHigh[b - 0x80] : static_cast<char32_t>(b));
    }
  }
  return out;
}

std::string CharFromCode(int code) {
  if (code < 0 || code > 255) throw AddinError::InvalidArgument();
  return Cp1252ToUtf8(std::string(1, static_cast<char>(code)));
}

}  // namespace qv
