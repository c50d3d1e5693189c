#include "send/row_ranges.h"

#include <gtest/gtest.h>

namespace qv::send {
namespace {

std::vector<std::int32_t> Range(int lo, int hi) {
  std::vector<std::int32_t> out;
  for (int r = lo; r <= hi; ++r) out.push_back(r);
  return out;
}

TEST(ParseRowRanges, Table) {
  auto twoRanges = Range(2, 19);
  for (int r : Range(27, 35)) twoRanges.push_back(r);
  const struct {
    const char* text;
    std::vector<std::int32_t> rows;
  } cases[] = {
      {"2-19, 27-35", twoRanges},
      {"5", {5}},
      {"3,3", {3, 3}},
      {"10-8", {}},
      {"10-8, 4", {4}},
      {"2-5,", {0}},
      {"2-5-7", {0}},
      {"a", {0}},
      {"", {0}},
      {"0-3", {0, 1, 2, 3}},
      {" 27-35", Range(27, 35)},
      {"2.5", {2}},
      {"3.5", {4}},
      {"2147483648", {0}},
      {"1-2000000000", {0}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseRowRanges(c.text), c.rows) << c.text;
}

TEST(RowWalk, VisitsEveryRowInOrder) {
  std::vector<std::int32_t> seen;
  for (auto w = RowWalk::Range(7, 7); !w.Done(); w.Next()) seen.push_back(w.Row());
  EXPECT_EQ(seen, std::vector<std::int32_t>{7});
  seen.clear();
  for (auto w = RowWalk::List({3, 3, 9}); !w.Done(); w.Next()) seen.push_back(w.Row());
  EXPECT_EQ(seen, (std::vector<std::int32_t>{3, 3, 9}));
}

// The count a send makes room by is the number of rows the walk visits.
TEST(RowWalk, CountsTheRowsItVisits) {
  const struct {
    RowWalk walk;
    std::size_t count;
  } cases[] = {{RowWalk::Range(7, 7), 1},
               {RowWalk::Range(2, 32768), 32767},
               {RowWalk::Range(5, 4), 1},
               {RowWalk::List({3, 3, 9}), 3}};
  for (auto c : cases) {
    EXPECT_EQ(c.walk.Count(), c.count);
    std::size_t visited = 0;
    for (; !c.walk.Done(); c.walk.Next()) ++visited;
    EXPECT_EQ(visited, c.count);
  }
}

}  // namespace
}  // namespace qv::send
