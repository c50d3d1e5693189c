#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qv::host {

// A forward-only reader of the XML of large workbook parts (sheets, shared strings): it keeps no
// tree, so a part costs little more memory than its text. Failures throw HostError naming the
// file and the part.
class XmlScanner {
 public:
  // `text` is the part from byte `base` on: failures name their byte in the whole part.
  XmlScanner(std::string_view text, std::string file, std::string part, std::size_t base = 0)
      : text_(text), file_(std::move(file)), part_(std::move(part)), base_(base) {}

  struct Tag {
    std::string_view name;
    std::string_view attributes;  // the raw text between the name and ">"
    bool closing = false;         // </name>
    bool empty = false;           // <name/>
  };

  bool AtEnd() const { return pos_ >= text_.size(); }
  // Text up to the next "<", entities decoded; then the tag that follows.
  std::string TextUntilTag();
  // The next tag, skipping text, comments and processing instructions.
  Tag NextTag();
  // Skips the content of an element whose start tag was just read, through its end tag.
  void SkipElement(const Tag& start);

  // An attribute's value, entities decoded; empty when absent.
  static std::string Attribute(std::string_view attributes, std::string_view name);
  // Decodes &amp; &lt; &gt; &quot; &apos; &#N; &#xH; and the _xHHHH_ escapes of workbook strings.
  static std::string Decode(std::string_view text, bool workbookEscapes);

  [[noreturn]] void Fail(const std::string& what) const { FailAt(what, base_ + pos_); }
  // `offset` is in the whole part.
  [[noreturn]] void FailAt(const std::string& what, std::size_t offset) const;

 private:
  std::string_view text_;
  std::string file_;
  std::string part_;
  std::size_t base_;
  std::size_t pos_ = 0;
};

}  // namespace qv::host
