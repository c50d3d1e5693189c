#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/errors.h"

namespace qv {

// Text inside the add-in is UTF-8; the wire speaks Windows-1252. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same number, as
// the platform's own conversion does, so every byte string survives a round trip.

// Raised for text that Windows-1252 cannot carry, naming the character, or for broken UTF-8.
// `subject` says whose text it is ("The text \"...\"", "The password").
class EncodingError : public AddinError {
 public:
  EncodingError(const std::string& subject, char32_t codePoint);
  // A refusal that does not show the character, for text that must stay unseen (a password).
  static EncodingError Unshown(const std::string& subject);
  char32_t CodePoint() const { return codePoint_; }

 private:
  struct Description {
    std::string text;
  };
  explicit EncodingError(const Description& description)
      : AddinError(error::kInvalidArgument, description.text), codePoint_(0) {}
  char32_t codePoint_;
};

std::string Utf8ToCp1252(std::string_view utf8);
// The code-page byte of the character at utf8[i], moving `i` past it; refuses (EncodingError,
// quoting `utf8`) broken UTF-8 and a character the code page cannot carry.
unsigned char NextCp1252Byte(std::string_view utf8, std::size_t& i);
// True when every byte is below 0x80: such text is the same in UTF-8 and on the wire.
bool IsAscii(std::string_view text);

// Refuses, before it is packed into a request, text that Windows-1252 cannot carry; the message
// quotes the text and says where it comes from (`where`: "in cell C31 of row 31", "in the sender
// ID").
void CheckSendable(std::string_view text, std::string_view where);
// Whether CheckSendable would let `text` pass, for callers that name the place only on a refusal.
bool IsSendable(std::string_view text);
std::string Cp1252ToUtf8(std::string_view bytes);

// The character of an 8-bit code (0 to 255) as UTF-8; anything else is InvalidArgument.
std::string CharFromCode(int code);

}  // namespace qv
