#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

namespace qv::excel {

// Owns one BSTR, freed with SysFreeString when it goes. Text crosses as UTF-8 on our side.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  // Takes over a BSTR the caller owns (an out-parameter, EXCEPINFO's texts).
  static Bstr Adopt(BSTR b);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept;
  Bstr& operator=(Bstr&& other) noexcept;
  ~Bstr();

  BSTR Get() const { return b_; }
  // Hands the BSTR over to the caller (into a VARIANT, an out-parameter).
  BSTR Detach();

 private:
  BSTR b_ = nullptr;
};

// A BSTR's text as UTF-8; a null BSTR is the empty text.
std::string ToUtf8(BSTR b);

}  // namespace qv::excel
