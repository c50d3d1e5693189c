#include "credentials.h"

namespace qv::gateway {

std::optional<std::string> UnscramblePassword(std::string_view scrambled) {
  if (scrambled.size() < 2) return std::nullopt;
  const std::size_t length = scrambled.size() - 2;
  const auto p = static_cast<unsigned char>(scrambled.back());
  if (p < 1 || p > std::max<std::size_t>(length, 1)) return std::nullopt;
  const int key = static_cast<unsigned char>(scrambled[p - 1]);
  std::string shifted(scrambled.substr(0, scrambled.size() - 1));
  shifted.erase(p - 1, 1);
  std::string password;
  password.reserve(length);
  for (std::size_t i = 1; i <= length; ++i) {
    const int code =
        static_cast<unsigned char>(shifted[i - 1]) - key - static_cast<int>(length - i);
    if (code < 0) return std::nullopt;
    password += static_cast<char>(code);
  }
  return password;
}

}  // namespace qv::gateway
