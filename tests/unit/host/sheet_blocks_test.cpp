#include "host/sheet_blocks.h"

#include <gtest/gtest.h>

#include "host/memory_host.h"

namespace qv::testing {
namespace {

using host::CellBlock;
using host::CellRef;
using host::SheetBlocks;

std::string Range(const CellBlock& b) {
  const std::string first = host::Address(b.first);
  return b.Size() == 1 ? first : first + ":" + host::Address(b.Last());
}

// A sheet that keeps its cells in memory, takes blocks of up to `largest` rows and notes every
// block asked of it; a block that reaches off the sheet fails, as a spreadsheet's does.
class NotingSheet : public host::MemorySheet {
 public:
  explicit NotingSheet(int largest = host::kRowCount) : MemorySheet("Sheet1"), largest_(largest) {}
  int LargestBlockRows() const override { return largest_; }
  std::vector<Variant> Values(const CellBlock& b) const override {
    if (b.first.row < 1 || b.first.column < 1 || b.Last().row > host::kRowCount)
      throw host::HostError("no such cell");
    noted.push_back("Values " + Range(b));
    return MemorySheet::Values(b);
  }
  std::vector<std::string> Texts(const CellBlock& b) const override {
    if (b.first.row < 1 || b.first.column < 1 || b.Last().row > host::kRowCount)
      throw host::HostError("no such cell");
    noted.push_back("Texts " + Range(b));
    return MemorySheet::Texts(b);
  }
  void SetValues(const CellBlock& b, const std::vector<Variant>& values) override {
    noted.push_back("SetValues " + Range(b));
    MemorySheet::SetValues(b, values);
  }
  mutable std::vector<std::string> noted;

 private:
  int largest_;
};

TEST(SheetBlocks, EachBlockOfAColumnIsTwiceTheOneBeforeUpToTheLargestAndNeverPastTheLastRow) {
  struct Case {
    int lastRow;
    std::vector<std::string> blocks;
  };
  const std::vector<Case> cases = {
      {1, {"Values A1"}},
      {64, {"Values A1:A64"}},
      {65, {"Values A1:A64", "Values A65"}},
      {192, {"Values A1:A64", "Values A65:A192"}},
      {193, {"Values A1:A64", "Values A65:A192", "Values A193"}},
      // 64 + 128 + ... + 8192 = 16,320 rows; the blocks after stay at 8,192 rows.
      {16320 + 8193,
       {"Values A1:A64", "Values A65:A192", "Values A193:A448", "Values A449:A960",
        "Values A961:A1984", "Values A1985:A4032", "Values A4033:A8128", "Values A8129:A16320",
        "Values A16321:A24512", "Values A24513"}},
  };
  for (const auto& c : cases) {
    NotingSheet sheet;
    SheetBlocks cells(sheet, c.lastRow);
    for (int row = 1; row <= c.lastRow; ++row) cells.Value(CellRef{1, row});
    EXPECT_EQ(sheet.noted, c.blocks) << c.lastRow;
  }
}

TEST(SheetBlocks, ASheetThatAsksForSmallerBlocksGetsThem) {
  struct Case {
    int largest;
    std::vector<std::string> blocks;
  };
  const std::vector<Case> cases = {
      {1, {}},  // cell by cell, as Value gives them, no block asked
      {2, {"Values A1:A2", "Values A3:A4", "Values A5"}},
      {0, {}},
  };
  for (const auto& c : cases) {
    NotingSheet sheet(c.largest);
    SheetBlocks cells(sheet, 5);
    for (int row = 1; row <= 5; ++row) sheet.SetValue(CellRef{1, row}, row * 1.0);
    for (int row = 1; row <= 5; ++row)
      EXPECT_EQ(cells.Value(CellRef{1, row}), Variant(row * 1.0)) << c.largest;
    EXPECT_EQ(sheet.noted, c.blocks) << c.largest;
  }
  host::MemorySheet memory("Sheet1");
  EXPECT_EQ(memory.LargestBlockRows(), 1) << "a sheet in memory is read cell by cell";
}

TEST(SheetBlocks, AnswersWhatTheSheetAnswersCellByCellValuesAndTextsApart) {
  NotingSheet sheet;
  sheet.SetValueAt("A1", 919800000001.0);
  sheet.SetValueAt("A3", "text");
  sheet.SetValueAndText(CellRef{2, 2}, 1.5, "$1.50");
  sheet.SetValueAt("B3", true);
  SheetBlocks cells(sheet, 3);
  for (int column = 1; column <= 2; ++column) {
    for (int row = 1; row <= 3; ++row) {
      const CellRef at{column, row};
      EXPECT_EQ(cells.Value(at), sheet.Value(at)) << host::Address(at);
      EXPECT_EQ(cells.Text(at), sheet.Text(at)) << host::Address(at);
    }
  }
  EXPECT_EQ(sheet.noted, (std::vector<std::string>{"Values A1:A3", "Texts A1:A3", "Values B1:B3",
                                                   "Texts B1:B3"}));
}

TEST(SheetBlocks, ARowAboveTheBlockAndRowsPastTheLastAreReadAgain) {
  NotingSheet sheet;
  SheetBlocks cells(sheet, 10);
  cells.Value(CellRef{1, 5});
  cells.Value(CellRef{1, 10});
  cells.Value(CellRef{1, 4});
  cells.Value(CellRef{1, 11});
  cells.Value(CellRef{1, 12});
  EXPECT_EQ(sheet.noted, (std::vector<std::string>{"Values A5:A10", "Values A4:A10", "Values A11",
                                                   "Values A12"}));
}

TEST(SheetBlocks, ACellOffTheSheetFailsAsTheSheetFailsIt) {
  NotingSheet sheet;
  SheetBlocks cells(sheet);
  for (const CellRef at : {CellRef{1, 0}, CellRef{1, host::kRowCount + 1}, CellRef{0, 1}}) {
    EXPECT_THROW(cells.Value(at), host::HostError) << at.column << "," << at.row;
    EXPECT_THROW(cells.Text(at), host::HostError) << at.column << "," << at.row;
  }
  EXPECT_EQ(cells.Value(CellRef{1, host::kRowCount}), Variant());
  EXPECT_EQ(sheet.noted, std::vector<std::string>{"Values A1048576"});
}

TEST(SheetBlocks, WritesDownAColumnGoAsOneBlockAndEveryOtherWriteEndsTheRun) {
  struct Case {
    std::vector<CellRef> puts;
    std::vector<std::string> writes;
  };
  const std::vector<Case> cases = {
      {{{3, 1}, {3, 2}, {3, 3}}, {"SetValues C1:C3"}},
      {{{3, 1}, {3, 3}}, {"SetValues C1", "SetValues C3"}},
      {{{3, 2}, {3, 1}}, {"SetValues C2", "SetValues C1"}},
      {{{3, 1}, {4, 2}, {3, 3}}, {"SetValues C1", "SetValues D2", "SetValues C3"}},
  };
  for (const auto& c : cases) {
    NotingSheet sheet;
    SheetBlocks cells(sheet);
    for (const CellRef at : c.puts) cells.Put(at, "x" + host::Address(at));
    cells.Flush();
    EXPECT_EQ(sheet.noted, c.writes) << c.writes.front();
    for (const CellRef at : c.puts) EXPECT_EQ(sheet.Value(at), Variant("x" + host::Address(at)));
  }
}

TEST(SheetBlocks, ARunWritesTheLargestBlockAtMost) {
  for (const int rows : {SheetBlocks::kLargestBlockRows, SheetBlocks::kLargestBlockRows + 1}) {
    NotingSheet sheet;
    SheetBlocks cells(sheet);
    for (int row = 1; row <= rows; ++row) cells.Put(CellRef{1, row}, 1.0);
    cells.Flush();
    std::vector<std::string> expected = {"SetValues A1:A8192"};
    if (rows > SheetBlocks::kLargestBlockRows) expected.push_back("SetValues A8193");
    EXPECT_EQ(sheet.noted, expected) << rows;
  }
}

TEST(SheetBlocks, WhatWasWrittenIsOnTheSheetBeforeAnythingMoreIsReadAndIsWhatItAnswers) {
  NotingSheet sheet;
  sheet.SetValueAt("A2", "old");
  SheetBlocks cells(sheet, 5);
  EXPECT_EQ(cells.Value(CellRef{1, 2}), Variant("old"));
  EXPECT_EQ(cells.Text(CellRef{1, 2}), "old");
  cells.Put(CellRef{1, 2}, "new");
  cells.Put(CellRef{1, 3}, "newer");
  EXPECT_EQ(sheet.ValueAt("A2"), Variant("old")) << "the run is still open";
  EXPECT_EQ(cells.Value(CellRef{2, 1}), Variant());
  EXPECT_EQ(sheet.ValueAt("A3"), Variant("newer")) << "a read writes the run first";
  EXPECT_EQ(cells.Value(CellRef{1, 2}), Variant("new"));
  EXPECT_EQ(cells.Text(CellRef{1, 3}), "newer");
  EXPECT_EQ(cells.Value(CellRef{1, 1}), Variant()) << "a cell of the dropped block, read again";
}

TEST(Sheet, BlocksGoCellByCellRowByRow) {
  host::MemorySheet sheet("Sheet1");
  const CellBlock block{{2, 3}, 2, 2};
  EXPECT_EQ(block.Size(), 4u);
  sheet.SetValues(block, {1.0, "b", true, Variant()});
  EXPECT_EQ(sheet.UsedCells(),
            (std::map<std::string, Variant>{{"B3", 1.0}, {"C3", "b"}, {"B4", true}}));
  EXPECT_EQ(sheet.Values(block), (std::vector<Variant>{1.0, "b", true, Variant()}));
  sheet.EnterTexts({{1, 1}, 2, 1}, {"12", "x"});
  EXPECT_EQ(sheet.Values({{1, 1}, 3, 1}), (std::vector<Variant>{12.0, "x", Variant()}));
  EXPECT_EQ(sheet.Texts({{1, 1}, 3, 1}), (std::vector<std::string>{"12", "x", ""}));
}

}  // namespace
}  // namespace qv::testing
