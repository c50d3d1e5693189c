#include "host/xml_scan.h"

#include <cstdlib>

#include "host/host.h"
#include "values/text.h"

namespace qv::host {
namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

void XmlScanner::FailAt(const std::string& what, std::size_t offset) const {
  throw HostError("The workbook file " + file_ + " is damaged: its part " + part_ + " " + what +
                  " (near byte " + std::to_string(offset) + ").");
}

std::string XmlScanner::Attribute(std::string_view attributes, std::string_view name) {
  std::size_t i = 0;
  while (i < attributes.size()) {
    while (i < attributes.size() && (attributes[i] == ' ' || attributes[i] == '\t' ||
                                     attributes[i] == '\r' || attributes[i] == '\n')) {
      ++i;
    }
    const auto eq = attributes.find('=', i);
    if (eq == std::string_view::npos) return {};
    std::string_view key = attributes.substr(i, eq - i);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    std::size_t q = eq + 1;
    while (q < attributes.size() && attributes[q] == ' ') ++q;
    if (q >= attributes.size()) return {};
    const char quote = attributes[q];
    const auto close = attributes.find(quote, q + 1);
    if (close == std::string_view::npos) return {};
    if (key == name) return Decode(attributes.substr(q + 1, close - q - 1), false);
    i = close + 1;
  }
  return {};
}

std::string XmlScanner::Decode(std::string_view text, bool workbookEscapes) {
  std::string out;
  AppendDecoded(out, text, workbookEscapes);
  return out;
}

void XmlScanner::AppendDecoded(std::string& out, std::string_view text, bool workbookEscapes) {
  if (text.find('&') == std::string_view::npos &&
      (!workbookEscapes || text.find("_x") == std::string_view::npos)) {
    out.append(text);
    return;
  }
  out.reserve(out.size() + text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '&') {
      const auto semi = text.find(';', i);
      if (semi == std::string_view::npos) {
        out += c;
        continue;
      }
      const std::string_view entity = text.substr(i + 1, semi - i - 1);
      if (entity == "amp")
        out += '&';
      else if (entity == "lt")
        out += '<';
      else if (entity == "gt")
        out += '>';
      else if (entity == "quot")
        out += '"';
      else if (entity == "apos")
        out += '\'';
      else if (!entity.empty() && entity[0] == '#') {
        const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
        const std::string digits(entity.substr(hex ? 2 : 1));
        const unsigned long cp = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
        AppendUtf8(out, cp <= 0x10FFFF ? static_cast<char32_t>(cp) : U'\uFFFD');
      } else {
        out.append(text.substr(i, semi - i + 1));
      }
      i = semi;
    } else if (workbookEscapes && c == '_' && i + 6 < text.size() && text[i + 1] == 'x' &&
               IsHex(text[i + 2]) && IsHex(text[i + 3]) && IsHex(text[i + 4]) &&
               IsHex(text[i + 5]) && text[i + 6] == '_') {
      AppendUtf8(out, static_cast<char32_t>(
                          std::strtoul(std::string(text.substr(i + 2, 4)).c_str(), nullptr, 16)));
      i += 6;
    } else {
      out += c;
    }
  }
}

}  // namespace qv::host
