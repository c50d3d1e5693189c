#pragma once

#include <string>
#include <string_view>

namespace qv {

// Text as Windows' W functions take it (UTF-16) and back to the core's UTF-8. Bytes that are not
// UTF-8 become U+FFFD, never an error.
std::wstring ToUtf16(std::string_view utf8);
std::string FromUtf16(std::wstring_view utf16);

}  // namespace qv
