#include "host/string_table.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace qv::host {

void StringTable::Add(std::string_view text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max() - size_)
    throw std::length_error("more text than a string table holds");
  if (text.size() > capacity_ - size_) {
    const std::size_t capacity =
        std::max(size_ + text.size(), std::max<std::size_t>(capacity_ * 2, 4096));
    char* grown = static_cast<char*>(std::realloc(bytes_.get(), capacity));
    if (!grown) throw std::bad_alloc();
    static_cast<void>(bytes_.release());
    bytes_.reset(grown);
    capacity_ = capacity;
  }
  if (!text.empty()) std::memcpy(bytes_.get() + size_, text.data(), text.size());
  size_ += text.size();
  ends_.push_back(static_cast<std::uint32_t>(size_));
}

}  // namespace qv::host
