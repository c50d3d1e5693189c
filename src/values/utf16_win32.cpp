#include "values/utf16_win32.h"

#include <windows.h>

namespace qv {

// Texts of cells are mostly ASCII, which converts unit for unit; anything else goes through the
// system's conversion, in one pass into room for the longest result: a UTF-8 byte gives at most
// one UTF-16 unit, a UTF-16 unit at most three UTF-8 bytes.
std::wstring ToUtf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  std::wstring out(utf8.size(), L'\0');
  std::size_t i = 0;
  while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) {
    out[i] = static_cast<wchar_t>(utf8[i]);
    ++i;
  }
  if (i == utf8.size()) return out;
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    out.data(), static_cast<int>(out.size()));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string FromUtf16(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  std::string out(utf16.size(), '\0');
  std::size_t i = 0;
  while (i < utf16.size() && utf16[i] < 0x80) {
    out[i] = static_cast<char>(utf16[i]);
    ++i;
  }
  if (i == utf16.size()) return out;
  out.assign(utf16.size() * 3, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                    out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

}  // namespace qv
