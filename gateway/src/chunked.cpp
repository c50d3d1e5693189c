#include "chunked.h"

#include <algorithm>

#include "values/text.h"

namespace qv::gateway {

namespace {

// A line longer than this is no chunk's size or trailer a client sends.
constexpr std::size_t kLongestLine = 4096;

}  // namespace

ChunkedBody::State ChunkedBody::Feed(std::string_view bytes) {
  while (state_ == State::NeedMore && !bytes.empty()) {
    if (part_ == Part::Data) {
      const std::size_t take = std::min(left_, bytes.size());
      data_.append(bytes.substr(0, take));
      bytes.remove_prefix(take);
      left_ -= take;
      if (left_ == 0) part_ = Part::DataEnd;
      continue;
    }
    const std::size_t lf = bytes.find('\n');
    line_.append(bytes.substr(0, lf));
    if (line_.size() > kLongestLine) return state_ = State::Broken;
    if (lf == std::string_view::npos) break;
    bytes.remove_prefix(lf + 1);
    if (line_.empty() || line_.back() != '\r') return state_ = State::Broken;
    line_.pop_back();
    std::string line;
    line.swap(line_);
    state_ = Line(line);
  }
  return state_;
}

ChunkedBody::State ChunkedBody::Line(std::string_view line) {
  switch (part_) {
    case Part::Size: {
      std::size_t size = 0;
      std::size_t digits = 0;
      for (; digits < line.size() && HexDigitValue(line[digits]) >= 0; ++digits) {
        size = size * 16 + static_cast<std::size_t>(HexDigitValue(line[digits]));
        if (size > limit_) return State::TooLarge;
      }
      const std::string_view rest = line.substr(digits);
      const std::size_t ext = rest.find_first_not_of(" \t");
      if (digits == 0 || (ext != std::string_view::npos && rest[ext] != ';')) return State::Broken;
      if (data_.size() + size > limit_) return State::TooLarge;
      left_ = size;
      part_ = size == 0 ? Part::Trailer : Part::Data;
      return State::NeedMore;
    }
    case Part::DataEnd:
      if (!line.empty()) return State::Broken;
      part_ = Part::Size;
      return State::NeedMore;
    case Part::Trailer:
      if (line.empty()) return State::Done;
      return line.find(':') == std::string_view::npos ? State::Broken : State::NeedMore;
    case Part::Data:
      break;
  }
  return State::Broken;
}

}  // namespace qv::gateway
