#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::gateway {

// Recovers the password from its scrambled form (Windows-1252 bytes): the last character gives
// the position p of the key character K; without it, each character i of L was shifted by
// K + (L - i). nullopt when the text cannot be a scrambled password.
std::optional<std::string> UnscramblePassword(std::string_view scrambled);

}  // namespace qv::gateway
