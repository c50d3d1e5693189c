#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::gateway {

// A chunked request body read as it arrives, strictly: every line ends in CR LF, a chunk's size
// is hexadecimal and may carry extensions, a chunk's data is followed by CR LF, and the last
// chunk (size 0) by trailer fields and an empty line. What does not keep to that is Broken.
class ChunkedBody {
 public:
  enum class State { NeedMore, Done, Broken, TooLarge };

  // At most `limit` bytes of data are taken; more is TooLarge.
  explicit ChunkedBody(std::size_t limit) : limit_(limit) {}
  // Takes the next bytes of the body as they came; the state after them. Bytes after the end are
  // not looked at.
  State Feed(std::string_view bytes);
  State Now() const { return state_; }
  // The data of the chunks, once Done.
  const std::string& Data() const { return data_; }

 private:
  enum class Part { Size, Data, DataEnd, Trailer };
  // A whole line (without its CR LF) of the part being read.
  State Line(std::string_view line);

  std::size_t limit_;
  State state_ = State::NeedMore;
  Part part_ = Part::Size;
  std::string line_;
  std::size_t left_ = 0;  // data bytes still to come of the current chunk
  std::string data_;
};

}  // namespace qv::gateway
