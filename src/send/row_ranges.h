#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qv::send {

// Reads a row list such as "2-19, 27-35": pieces separated by ",", each a row or a range lo-hi
// (nothing for a reversed range), in the order written, duplicates kept. An unreadable text (an
// empty piece, letters, a second "-", a number outside 32 bits, more rows than a sheet has) gives
// the single row 0.
std::vector<std::int32_t> ParseRowRanges(std::string_view text);

// The rows a send visits: from a start row to an end row, or through a row list. The walk never
// skips a row; the sender decides which rows it uses.
class RowWalk {
 public:
  static RowWalk Range(std::int32_t start, std::int32_t end);
  // `rows` must not be empty.
  static RowWalk List(std::vector<std::int32_t> rows);

  bool Done() const { return done_; }
  // How many rows the walk has in all.
  std::size_t Count() const { return count_; }
  std::int32_t Row() const { return row_; }
  // The last row of the sheet the walk visits.
  std::int32_t LastRow() const { return last_; }
  void Next();

 private:
  bool list_ = false;
  bool done_ = false;
  std::int32_t row_ = 0;
  std::int32_t end_ = 0;
  std::int32_t last_ = 0;
  std::vector<std::int32_t> rows_;
  std::size_t next_ = 0;
  std::size_t count_ = 0;
};

}  // namespace qv::send
