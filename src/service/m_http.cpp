#include "service/m_http.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "values/cp1252.h"
#include "values/errors.h"

namespace qv::service {

std::string m_Http::HttpPost(const std::string& path, const std::string& body) {
  const std::string wirePath = Utf8ToCp1252(path);
  const std::string wireBody = Utf8ToCp1252(body);
  return Cp1252ToUtf8(transport_.Post(globals_.ServerAddress, globals_.ServerPort, wirePath,
                                      wireBody, globals_.Proxy));
}

std::string m_Http::HttpGet(const std::string& url) {
  return Cp1252ToUtf8(transport_.Get(Utf8ToCp1252(url)));
}

std::string m_Http::ScramblePassword(const std::string& password) {
  std::string bytes;
  try {
    bytes = Utf8ToCp1252(password);
  } catch (const EncodingError&) {
    // The message shows no part of the password, not even the character refused.
    throw EncodingError::Unshown("The password");
  }
  const DateParts t = clock_.Now().Parts();
  // The sum is kept in 16 bits, as it always was; it never comes near the limit.
  const auto n = static_cast<std::int16_t>(t.year + t.month + t.day + t.hour + t.minute + t.second);
  int k = 0;
  for (int rest = n; rest > 0; rest /= 10) k += rest % 10;

  // Each shifted code must still be a character: CharFromCode refuses one above 255.
  const auto length = static_cast<int>(bytes.size());
  std::vector<std::string> out1;
  out1.reserve(bytes.size());
  for (int i = 1; i <= length; ++i) {
    out1.push_back(CharFromCode(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i - 1)]) +
                                k + (length - i)));
  }
  const int p = static_cast<int>(std::floor(random_.Rnd() * length + 1));
  out1.insert(out1.begin() + (p - 1), CharFromCode(k));
  std::string out2;
  for (const auto& c : out1) out2 += c;
  return out2 + CharFromCode(p);
}

std::string m_Http::URLEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = Utf8ToCp1252(text);
  std::string out(bytes.size() * 3, '\0');
  char* o = out.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      *o++ = ch;
    } else if (b == ' ') {
      *o++ = '+';
    } else {
      *o++ = '%';
      *o++ = kHex[b >> 4];
      *o++ = kHex[b & 15];
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

}  // namespace qv::service
