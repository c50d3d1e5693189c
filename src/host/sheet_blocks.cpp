#include "host/sheet_blocks.h"

#include <algorithm>

namespace qv::host {

SheetBlocks::SheetBlocks(Sheet& sheet, int lastRow)
    : sheet_(sheet),
      lastRow_(std::clamp(lastRow, 1, kRowCount)),
      largest_(std::clamp(sheet.LargestBlockRows(), 1, kLargestBlockRows)) {}

int SheetBlocks::BlockRows(int row, int& nextRows) const {
  if (nextRows == 0) nextRows = std::min(kFirstBlockRows, largest_);
  const int rows = row <= lastRow_ ? std::min(nextRows, lastRow_ - row + 1) : 1;
  nextRows = std::min(nextRows * 2, largest_);
  return rows;
}

template <typename Cell, typename Read>
Cell SheetBlocks::Answer(std::map<int, ColumnBlock<Cell>>& blocks, CellRef cell, Read read) {
  // A cell off the sheet fails as the sheet fails it.
  if (cell.row < 1 || cell.row > kRowCount || cell.column < 1 || cell.column > kFileColumns)
    return read(CellBlock{cell, 1, 1}).at(0);
  ColumnBlock<Cell>& block = blocks[cell.column];
  if (!block.Holds(cell.row)) {
    Flush();
    const int rows = BlockRows(cell.row, block.nextRows);
    std::vector<Cell> cells = read(CellBlock{cell, 1, rows});
    block.first = cell.row;
    block.cells = std::move(cells);
  }
  return block.cells.at(static_cast<std::size_t>(cell.row - block.first));
}

Variant SheetBlocks::Value(CellRef cell) {
  // A sheet read cell by cell is asked directly, without a block of one.
  if (largest_ == 1) {
    Flush();
    return sheet_.Value(cell);
  }
  return Answer(values_, cell, [this](const CellBlock& b) { return sheet_.Values(b); });
}

std::string SheetBlocks::Text(CellRef cell) {
  if (largest_ == 1) {
    Flush();
    return sheet_.Text(cell);
  }
  return Answer(texts_, cell, [this](const CellBlock& b) { return sheet_.Texts(b); });
}

void SheetBlocks::Put(CellRef cell, const Variant& value) {
  const auto drop = [&cell](auto& blocks) {
    const auto found = blocks.find(cell.column);
    if (found != blocks.end() && found->second.Holds(cell.row)) found->second.cells.clear();
  };
  drop(values_);
  drop(texts_);
  const bool continues = run_ && run_->first.column == cell.column &&
                         run_->first.row + static_cast<int>(run_->values.size()) == cell.row &&
                         run_->values.size() < static_cast<std::size_t>(kLargestBlockRows);
  if (!continues) {
    Flush();
    run_ = Run{cell, {}};
  }
  run_->values.push_back(value);
}

void SheetBlocks::Flush() {
  if (!run_) return;
  const Run run = std::move(*run_);
  run_.reset();
  sheet_.SetValues(CellBlock{run.first, 1, static_cast<int>(run.values.size())}, run.values);
}

}  // namespace qv::host
