#pragma once

#include <cstddef>
#include <string>

namespace qv {

// The most characters one SMS carries; a longer text goes as parts of a long message.
inline constexpr std::size_t kSingleSmsLength = 160;

// What a message of `length` characters costs: 1 SMS up to 160 characters, then parts of 153
// characters, rounded up to 3060 characters and to the nearest whole number beyond.
long SmsCount(std::size_t length);

// Long SMS of 459 characters: 1 up to 459 characters, rounded up to 3672, and beyond that the
// quotient itself, written with up to 15 significant digits.
std::string LongSmsCountText(std::size_t length);

}  // namespace qv
