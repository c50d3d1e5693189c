#include "form.h"

#include "values/cp1252.h"
#include "values/text.h"

namespace qv::gateway {
namespace {

std::optional<std::string> Decode(std::string_view s) {
  std::string bytes;
  bytes.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      bytes += ' ';
    } else if (s[i] == '%') {
      if (i + 2 >= s.size()) return std::nullopt;
      const int hi = HexDigitValue(s[i + 1]);
      const int lo = HexDigitValue(s[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      bytes += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      bytes += s[i];
    }
  }
  return Cp1252ToUtf8(bytes);
}

}  // namespace

std::optional<Form> Form::Parse(std::string_view body) {
  Form form;
  if (body.empty()) return form;
  std::size_t start = 0;
  while (start <= body.size()) {
    const auto amp = body.find('&', start);
    const std::string_view piece =
        body.substr(start, amp == std::string_view::npos ? amp : amp - start);
    const auto eq = piece.find('=');
    if (eq == std::string_view::npos || eq == 0) return std::nullopt;
    auto name = Decode(piece.substr(0, eq));
    auto value = Decode(piece.substr(eq + 1));
    if (!name || !value) return std::nullopt;
    form.fields_.emplace(std::move(*name), std::move(*value));
    if (amp == std::string_view::npos) break;
    start = amp + 1;
  }
  return form;
}

std::optional<std::string> Form::Get(const std::string& name) const {
  const auto it = fields_.find(name);
  if (it == fields_.end()) return std::nullopt;
  return it->second;
}

std::string Form::GetOr(const std::string& name, const std::string& fallback) const {
  return Get(name).value_or(fallback);
}

}  // namespace qv::gateway
