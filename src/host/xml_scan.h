#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qv::host {

// What the readers of large workbook parts (sheets, shared strings) share: the decoding of texts,
// and failures that name the file, the part and the byte (HostError).
class XmlScanner {
 public:
  XmlScanner(std::string file, std::string part) : file_(std::move(file)), part_(std::move(part)) {}

  // An attribute's value, entities decoded; empty when absent.
  static std::string Attribute(std::string_view attributes, std::string_view name);
  // Decodes &amp; &lt; &gt; &quot; &apos; &#N; &#xH; and the _xHHHH_ escapes of workbook strings.
  static std::string Decode(std::string_view text, bool workbookEscapes);
  // The same, appended to `out`.
  static void AppendDecoded(std::string& out, std::string_view text, bool workbookEscapes);

  // `offset` is in the whole part.
  [[noreturn]] void FailAt(const std::string& what, std::size_t offset) const;

 private:
  std::string file_;
  std::string part_;
};

}  // namespace qv::host
