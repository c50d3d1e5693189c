#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"

namespace qv::host {

// A sheet's cells read and written in blocks, for one operation that walks down its rows (a send,
// a fill). The first cell asked of a column brings in a block of that column from that row down:
// kFirstBlockRows rows, each later block of the column twice the one before up to
// kLargestBlockRows (or the fewer rows the sheet asks for), never past the last row the operation
// said it reads. Writes are kept while
// they run down one column row after row, and go to the sheet as one block when the run ends, at
// Flush, or before anything more is read. A block that holds a written cell is dropped, so a
// cell always answers what the sheet holds now.
// What it read it keeps for its own life: one is made for each operation and dropped after it,
// since between operations the user may change the sheet.
class SheetBlocks {
 public:
  static constexpr int kFirstBlockRows = 64;
  static constexpr int kLargestBlockRows = 8192;

  explicit SheetBlocks(Sheet& sheet, int lastRow = kRowCount);

  Variant Value(CellRef cell);
  std::string Text(CellRef cell);
  // As SetValue does, once the run it belongs to is written.
  void Put(CellRef cell, const Variant& value);
  // Writes what Put kept. A write that fails is the failure of the cell that failed.
  void Flush();

 private:
  template <typename Cell>
  struct ColumnBlock {
    int first = 0;
    std::vector<Cell> cells;
    int nextRows = 0;
    bool Holds(int row) const {
      return row >= first && row < first + static_cast<int>(cells.size());
    }
  };
  template <typename Cell, typename Read>
  Cell Answer(std::map<int, ColumnBlock<Cell>>& blocks, CellRef cell, Read read);
  // The rows of the next block of a column that starts at `row`.
  int BlockRows(int row, int& nextRows) const;

  Sheet& sheet_;
  int lastRow_;
  int largest_;  // rows of a block at most
  std::map<int, ColumnBlock<Variant>> values_;
  std::map<int, ColumnBlock<std::string>> texts_;
  struct Run {
    CellRef first;
    std::vector<Variant> values;
  };
  std::optional<Run> run_;
};

}  // namespace qv::host
