#pragma once

#include <map>
#include <string>

#include "values/cp1252.h"

namespace qv::testing {

// The fields of a form body as the service reads them: split at "&" and "=", "+" a blank, "%XX"
// a byte, the bytes Windows-1252.
inline std::map<std::string, std::string> DecodeFormBody(const std::string& body) {
  std::map<std::string, std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto amp = body.find('&', start);
    const std::string piece =
        body.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
    const auto eq = piece.find('=');
    std::string value;
    for (std::size_t i = eq == std::string::npos ? piece.size() : eq + 1; i < piece.size(); ++i) {
      if (piece[i] == '+') {
        value += ' ';
      } else if (piece[i] == '%' && i + 2 < piece.size()) {
        value += static_cast<char>(std::stoi(piece.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        value += piece[i];
      }
    }
    out[piece.substr(0, eq)] = Cp1252ToUtf8(value);
    if (amp == std::string::npos) return out;
    start = amp + 1;
  }
}

}  // namespace qv::testing
