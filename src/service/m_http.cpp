#include "service/m_http.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "values/cp1252.h"
#include "values/errors.h"

namespace qv::service {

std::string m_Http::HttpPost(const std::string& path, const std::string& body) {
  const std::string wirePath = Utf8ToCp1252(path);
  // A form body is ASCII once encoded: it goes as it is, not copied.
  const auto post = [&](const std::string& wireBody) {
    const Endpoint to{globals_.ServerHttps, globals_.ServerAddress, globals_.ServerPort};
    return Cp1252ToUtf8(transport_.Post(to, wirePath, wireBody, globals_.Proxy));
  };
  return IsAscii(body) ? post(body) : post(Utf8ToCp1252(body));
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

namespace {

// What each byte of the text becomes: letters and digits stay, a blank is "+", every other ASCII
// byte is "%XX"; a byte beyond ASCII belongs to a character whose code-page byte is "%XX".
struct Encoding {
  std::array<unsigned char, 256> length{};  // 1 or 3; 0 beyond ASCII
  std::array<char, 256> same{};             // the one byte written for a length of 1
};

constexpr Encoding kEncoding = [] {
  Encoding e{};
  for (int b = 0; b < 0x80; ++b) {
    const auto i = static_cast<std::size_t>(b);
    const bool same = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    e.length[i] = same || b == ' ' ? 1 : 3;
    e.same[i] = b == ' ' ? '+' : static_cast<char>(b);
  }
  return e;
}();

}  // namespace

namespace {

// Writes the encoded text at `o`, which has room for three bytes a byte of it; the end of what was
// written. Refuses a text the code page cannot carry.
char* Encode(std::string_view text, char* o) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const unsigned char n = kEncoding.length[c];
    if (n == 1) {
      *o++ = kEncoding.same[c];
      ++i;
      continue;
    }
    unsigned char b = c;
    if (n == 0)
      b = NextCp1252Byte(text, i);
    else
      ++i;
    *o++ = '%';
    *o++ = kHex[b >> 4];
    *o++ = kHex[b & 15];
  }
  return o;
}

// Texts up to this long (a cell's, a name) are encoded on the stack and appended whole.
constexpr std::size_t kShortText = 256;

}  // namespace

void m_Http::AppendURLEncoded(std::string& out, std::string_view text) {
  if (text.size() <= kShortText) {
    char encoded[3 * kShortText];
    out.append(encoded, static_cast<std::size_t>(Encode(text, encoded) - encoded));
    return;
  }
  // A longer text is measured first, which also refuses one the code page cannot carry before
  // anything is written, then encoded in place.
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char n = kEncoding.length[static_cast<unsigned char>(text[i])];
    if (n == 0) {
      NextCp1252Byte(text, i);
      length += 3;
    } else {
      length += n;
      ++i;
    }
  }
  const std::size_t start = out.size();
  out.resize(start + length);
  Encode(text, out.data() + start);
}

std::string m_Http::URLEncode(std::string_view text) {
  std::string out;
  AppendURLEncoded(out, text);
  return out;
}

}  // namespace qv::service
