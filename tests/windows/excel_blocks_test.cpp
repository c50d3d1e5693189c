// Blocks of cells through the sheet adapter and the fake Excel: what a range of many cells gives
// and takes, the texts it shows by format, and how few calls that takes.
#include <gtest/gtest.h>

#include <algorithm>

#include "excel_host/excel_workbook.h"
#include "fake_excel.h"
#include "host/number_format.h"

namespace qv::testing {
namespace {

using excel::ComPtr;
using excel::Dispatch;

class ExcelBlocksTest : public ::testing::Test {
 protected:
  ExcelBlocksTest() { model.AddWorkbook("Book1"); }
  host::MemorySheet& cells() { return *model.ActiveSheet(); }
  host::Sheet& sheet() {
    if (!workbook) {
      workbook = std::make_unique<excel::ExcelWorkbook>(
          Dispatch(ComPtr<IDispatch>::Share(excel.Application())).Object("ActiveWorkbook"));
    }
    return workbook->SheetAt(1);
  }
  long Count(const std::string& call) const {
    const auto calls = excel.Calls();
    return static_cast<long>(std::count(calls.begin(), calls.end(), call));
  }
  host::MemoryApplication model;
  FakeExcel excel{model};
  std::unique_ptr<excel::ExcelWorkbook> workbook;
};

struct Shown {
  Variant value;
  std::string format;  // empty: none set
  std::string text;    // what a column wide enough shows
};

// A column of every kind of cell, formats changing down it, some columns too narrow to show them.
const std::vector<Shown> kColumn = {
    {919876543210.0, "", "919876543210"},
    {2.5, "", "2.5"},
    {1234.5, "$#,##0.00", "$1,234.50"},
    {-7.0, "$#,##0.00", "-$7.00"},
    {DateTime::FromParts(2026, 3, 5), "dd-mmm-yyyy", "05-Mar-2026"},
    {0.125, "0.0%", "12.5%"},
    {"Ann", "", "Ann"},
    {"  12 ", "0.00", "  12 "},
    {true, "", "TRUE"},
    {ErrorValue{2042}, "", "#N/A"},
    {Variant(), "", ""},
    {3.0, "0.00", "3.00"},
    {Variant(), "$#,##0.00", ""},
};

TEST_F(ExcelBlocksTest, ABlockShowsWhatEachCellShowsInAWideColumnWithOrWithoutEvaluate) {
  for (std::size_t i = 0; i < kColumn.size(); ++i) {
    const host::CellRef at{2, static_cast<int>(i + 1)};
    if (!kColumn[i].value.IsEmpty()) cells().SetValue(at, kColumn[i].value);
    if (!kColumn[i].format.empty()) excel.SetFormat(cells(), host::Address(at), kColumn[i].format);
  }
  excel.SetColumnWidth(cells(), 2, 4);
  std::vector<std::string> expected;
  for (const auto& shown : kColumn) expected.push_back(shown.text);
  const host::CellBlock block{{2, 1}, 1, static_cast<int>(kColumn.size())};
  for (const bool evaluates : {true, false}) {
    excel.evaluates = evaluates;
    EXPECT_EQ(sheet().Texts(block), expected) << evaluates;
    for (std::size_t i = 0; i < kColumn.size(); ++i) {
      EXPECT_EQ(sheet().Text(block.At(i)), kColumn[i].text) << i << " " << evaluates;
    }
  }
}

TEST_F(ExcelBlocksTest, ABlockTakesAFewCallsWhateverItsLength) {
  host::Sheet& adapter = sheet();
  for (const int rows : {1, 2, 4096}) {
    const long before = excel.CallCount();
    for (int r = 1; r <= rows; ++r) {
      cells().SetValue(host::CellRef{3, r}, r * 1.25);
      excel.SetFormat(cells(), "C" + std::to_string(r), "$#,##0.00");
      cells().SetValue(host::CellRef{4, r}, "Client " + std::to_string(r));
    }
    const auto texts = adapter.Texts({{3, 1}, 2, rows});
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(rows) * 2);
    EXPECT_EQ(texts[texts.size() - 2], host::FormatNumber(rows * 1.25, "$#,##0.00"));
    EXPECT_EQ(texts.back(), "Client " + std::to_string(rows));
    // Range and Value2; for the numbers a Range, NumberFormat, NumberFormatLocal and Evaluate;
    // with the ids of the members, asked once for each object.
    EXPECT_LE(excel.CallCount() - before, 15) << rows;
  }
}

TEST_F(ExcelBlocksTest, TheFormulaOfEvaluateIsTwoHundredFiftyFiveCharactersAtMost) {
  cells().SetValueAt("A1", 1.5);
  // TEXT(A1,"...") around the format, whose quotes are doubled.
  const std::size_t around = std::string("TEXT(A1,\"\")").size();
  for (const std::size_t length : {std::size_t{255}, std::size_t{256}}) {
    const std::size_t literal = length - around - std::string("0.00\"\"\"\"").size();
    const std::string code = "0.00\"" + std::string(literal, 'x') + "\"";
    excel.SetFormat(cells(), "A1", code);
    const long evaluated = Count("Sheet Sheet1.Evaluate");
    EXPECT_EQ(sheet().TextAt("A1"), "1.50" + std::string(literal, 'x')) << length;
    EXPECT_EQ(Count("Sheet Sheet1.Evaluate") - evaluated, length <= 255 ? 1 : 0) << length;
  }
}

TEST_F(ExcelBlocksTest, ABlockIsWrittenInOneCallAndTextIsReadAsTyped) {
  host::Sheet& adapter = sheet();
  const long before = excel.CallCount();
  adapter.EnterTexts({{1, 2}, 3, 2}, {"12", "10:30 AM", "x", "1/2/2026", "-3.5", "0012"});
  EXPECT_EQ(Count("Range A2:C3.Value"), 1);
  EXPECT_LE(excel.CallCount() - before, 4);
  EXPECT_EQ(cells().ValueAt("A2"), Variant(12.0));
  EXPECT_EQ(cells().ValueAt("B2").kind(), Variant::Kind::Date);
  EXPECT_EQ(cells().ValueAt("C2"), Variant("x"));
  EXPECT_EQ(cells().ValueAt("A3").kind(), Variant::Kind::Date);
  EXPECT_EQ(cells().ValueAt("B3"), Variant(-3.5));
  EXPECT_EQ(cells().ValueAt("C3"), Variant(12.0));
  sheet().SetValues({{5, 1}, 1, 3}, {1.0, "two", Variant()});
  EXPECT_EQ(cells().ValueAt("E1"), Variant(1.0));
  EXPECT_EQ(cells().ValueAt("E2"), Variant("two"));
  EXPECT_EQ(cells().ValueAt("E3"), Variant());
  EXPECT_EQ(sheet().Values({{5, 1}, 1, 3}), (std::vector<Variant>{1.0, "two", Variant()}));
  for (const auto& held : excel.Held())
    EXPECT_EQ(held.rfind("Range", 0), std::string::npos) << held;
}

TEST_F(ExcelBlocksTest, ValuesOfABlockKeepEachCellsType) {
  cells().SetValueAt("A1", 12.5);
  excel.SetFormat(cells(), "A1", "$#,##0.00");  // Value gives VT_CY
  cells().SetValueAt("A2", DateTime::FromParts(2026, 12, 8));
  cells().SetValueAt("A3", "text");
  cells().SetValueAt("A4", false);
  EXPECT_EQ(
      sheet().Values({{1, 1}, 1, 5}),
      (std::vector<Variant>{12.5, DateTime::FromParts(2026, 12, 8), "text", false, Variant()}));
}

TEST_F(ExcelBlocksTest, AFailureInABlockIsExcelsOwn) {
  cells().SetValueAt("A1", 1.0);
  sheet();
  excel.FailEverything("The object invoked has disconnected from its clients.");
  for (const auto& read :
       std::vector<std::function<void()>>{[this] {
                                            sheet().Values({{1, 1}, 1, 100});
                                          },
                                          [this] {
                                            sheet().Texts({{1, 1}, 1, 100});
                                          },
                                          [this] {
                                            sheet().EnterTexts({{1, 1}, 1, 2}, {"a", "b"});
                                          }}) {
    try {
      read();
      ADD_FAILURE() << "no failure";
    } catch (const host::HostError& e) {
      EXPECT_EQ(std::string(e.what()), "The object invoked has disconnected from its clients.");
    }
  }
}

}  // namespace
}  // namespace qv::testing
