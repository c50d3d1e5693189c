#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::host {

// Many texts in one buffer, each found by its end offset: a workbook's shared strings can number
// tens of millions, mostly a few bytes long, and one object each would cost many times the text.
class StringTable {
 public:
  // Throws std::length_error past 4 GiB of text, which no part of the size read comes near.
  void Add(std::string_view text);
  std::string_view operator[](std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(begin, ends_[i] - begin);
  }
  std::size_t size() const { return ends_.size(); }
  void clear() {
    bytes_.clear();
    ends_.clear();
  }

 private:
  std::string bytes_;
  std::vector<std::uint32_t> ends_;
};

}  // namespace qv::host
