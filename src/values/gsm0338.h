#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// How a network carries a text: in the GSM 7-bit default alphabet when every character is in it
// (an extension character takes two septets, the escape and itself), in UCS-2 otherwise.
enum class SmsEncoding { Gsm7, Ucs2 };

// The septets a character takes in the GSM 7-bit default alphabet: 1 for the basic table, 2 for
// the extension table, 0 for a character outside both (which forces UCS-2).
int GsmSeptets(char32_t c);

// A text as the network counts it: its encoding, its length in that encoding's units (septets,
// or UTF-16 code units) and the parts it goes in. One part carries 160 septets or 70 units; the
// parts of a longer text carry 153 septets or 67 units each, and a character (an escape and its
// extension character, the two halves of a surrogate pair) is never split between two parts.
struct NetworkParts {
  SmsEncoding encoding = SmsEncoding::Gsm7;
  std::size_t units = 0;
  long parts = 0;
};
NetworkParts CountNetworkParts(std::string_view utf8);

// The characters of `text` that force UCS-2, each once, up to five: "’ (U+2019), â (U+00E2)"; a
// control character by its code alone. Empty when the text goes in GSM 7-bit.
std::string DescribeUcs2Forcing(std::string_view text);

// The most units in one part, and in each part of a text sent in several.
inline constexpr std::size_t kGsmSingle = 160, kGsmPart = 153;
inline constexpr std::size_t kUcs2Single = 70, kUcs2Part = 67;

}  // namespace qv
