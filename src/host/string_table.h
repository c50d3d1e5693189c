#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace qv::host {

// Many texts in one buffer, each found by its end offset: a workbook's shared strings can number
// tens of millions, mostly a few bytes long, and one object each would cost many times the text.
class StringTable {
 public:
  // Throws std::length_error past 4 GiB of text, which no part of the size read comes near, and
  // std::bad_alloc when memory runs out.
  void Add(std::string_view text);
  std::string_view operator[](std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return {bytes_.get() + begin, ends_[i] - begin};
  }
  std::size_t size() const { return ends_.size(); }
  void clear() {
    bytes_.reset();
    size_ = capacity_ = 0;
    ends_.clear();
  }

 private:
  struct Free {
    void operator()(char* p) const { std::free(p); }
  };
  // Grown with realloc: a large buffer is moved by remapping its pages, not by copying them into
  // new ones.
  std::unique_ptr<char, Free> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::vector<std::uint32_t> ends_;
};

}  // namespace qv::host
