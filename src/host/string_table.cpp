#include "host/string_table.h"

#include <limits>
#include <stdexcept>

namespace qv::host {

void StringTable::Add(std::string_view text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max() - bytes_.size())
    throw std::length_error("more text than a string table holds");
  bytes_ += text;
  ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

}  // namespace qv::host
