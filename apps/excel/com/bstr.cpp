#include "com/bstr.h"

#include <utility>

#include "values/utf16_win32.h"

namespace qv::excel {

Bstr::Bstr(std::string_view utf8) {
  const std::wstring wide = ToUtf16(utf8);
  b_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

Bstr Bstr::Adopt(BSTR b) {
  Bstr out;
  out.b_ = b;
  return out;
}

Bstr::Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(b_);
    b_ = std::exchange(other.b_, nullptr);
  }
  return *this;
}

Bstr::~Bstr() { SysFreeString(b_); }

BSTR Bstr::Detach() { return std::exchange(b_, nullptr); }

std::string ToUtf8(BSTR b) { return b ? FromUtf16(std::wstring_view(b, SysStringLen(b))) : ""; }

}  // namespace qv::excel
