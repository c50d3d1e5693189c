#include "send/row_ranges.h"

#include <algorithm>
#include <optional>
#include <string>

#include "host/cell_ref.h"
#include "values/convert.h"
#include "values/errors.h"

namespace qv::send {
namespace {

constexpr std::int64_t kMaxRows = host::kRowCount;

std::optional<std::int32_t> WholeNumber(std::string_view text) {
  try {
    return ToInt32(text);
  } catch (const AddinError&) {
    return std::nullopt;
  }
}

}  // namespace

std::vector<std::int32_t> ParseRowRanges(std::string_view text) {
  const std::vector<std::int32_t> unreadable{0};
  std::vector<std::int32_t> rows;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    const std::string_view piece =
        text.substr(start, comma == std::string_view::npos ? comma : comma - start);
    const auto dash = piece.find('-');
    if (dash == std::string_view::npos) {
      const auto n = WholeNumber(piece);
      if (!n) return unreadable;
      rows.push_back(*n);
    } else {
      const auto lo = WholeNumber(piece.substr(0, dash));
      const auto hi = WholeNumber(piece.substr(dash + 1));
      if (!lo || !hi) return unreadable;
      // A list longer than a sheet has rows cannot be meant; refusing it keeps memory bounded.
      if (*hi >= *lo && static_cast<std::int64_t>(*hi) - *lo + rows.size() >= kMaxRows)
        return unreadable;
      for (std::int64_t r = *lo; r <= *hi; ++r) rows.push_back(static_cast<std::int32_t>(r));
    }
    if (comma == std::string_view::npos) return rows;
    start = comma + 1;
  }
}

RowWalk RowWalk::Range(std::int32_t start, std::int32_t end) {
  RowWalk w;
  w.row_ = start;
  w.end_ = end;
  // The first row is visited whatever the end (the dialog refuses an end before the start).
  w.count_ = end >= start ? static_cast<std::size_t>(end - start) + 1 : 1;
  w.last_ = std::max(start, end);
  return w;
}

RowWalk RowWalk::List(std::vector<std::int32_t> rows) {
  RowWalk w;
  w.list_ = true;
  w.rows_ = std::move(rows);
  w.count_ = w.rows_.size();
  w.row_ = w.rows_.at(0);
  w.next_ = 1;
  w.last_ = *std::max_element(w.rows_.begin(), w.rows_.end());
  return w;
}

void RowWalk::Next() {
  if (list_) {
    if (next_ >= rows_.size()) {
      done_ = true;
    } else {
      row_ = rows_[next_++];
    }
  } else if (row_ >= end_) {
    done_ = true;
  } else {
    ++row_;
  }
}

}  // namespace qv::send
