// A sheet is read a window at a time while it inflates: whatever the windows cut, every cell is
// read whole, and a failure names its place in the whole part.
#include <gtest/gtest.h>

#include "host/xlsx_package.h"
#include "host/xlsx_workbook.h"
#include "host/zip_archive.h"
#include "support/temp_dir.h"
#include "values/convert.h"

namespace qv::host {
namespace {

using qv::testing::TempDir;

constexpr std::size_t kPiece = ZipPartAhead::kPiece;
const std::string kSheetPart = "xl/worksheets/sheet1.xml";
const std::string kHead =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const std::string kTail = "</sheetData></worksheet>";

std::string NumberRow(int row) {
  const std::string r = std::to_string(row);
  return "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + r + ".5</v></c></row>";
}

std::string TextRow(int row, const std::string& text) {
  const std::string r = std::to_string(row);
  return "<row r=\"" + r + "\"><c r=\"B" + r + "\" t=\"inlineStr\"><is><t>" + text +
         "</t></is></c></row>";
}

class WindowTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path good = dir.Copy("shared.xlsx");
  int files = 0;

  std::filesystem::path WithSheet(const std::string& xml) {
    const auto path = dir / ("w" + std::to_string(files++) + ".xlsx");
    TempDir::WriteFile(path, RewrittenZipBytes(good.string(), {{kSheetPart, xml}}));
    return path;
  }
  // Number rows from 1 on until the text reaches `size`, then blanks up to it exactly.
  static std::string FilledTo(std::size_t size, int& rows) {
    std::string xml = kHead;
    while (xml.size() + NumberRow(rows + 1).size() <= size) xml += NumberRow(++rows);
    xml.append(size - xml.size(), ' ');
    return xml;
  }
};

TEST_F(WindowTest, AnElementIsReadWholeWhereverAWindowEnds) {
  // The first window ends at kPiece. An element that starts closer to it than kElementSlack waits
  // for the next window; one that starts further back and runs past it is read again.
  const std::size_t starts[] = {1, 100, kElementSlack - 1, kElementSlack, kElementSlack + 1, 10000};
  const std::size_t lengths[] = {10, kElementSlack, kPiece + 10};
  for (const std::size_t before : starts) {
    for (const std::size_t length : lengths) {
      int rows = 0;
      std::string xml = FilledTo(kPiece - before, rows);
      const int textRow = rows + 1;
      const std::string text(length, 'x');
      xml += TextRow(textRow, text) + NumberRow(textRow + 1) + kTail;
      auto wb = XlsxWorkbook::Open(WithSheet(xml));
      Sheet& sheet = wb->SheetAt(1);
      const std::string where =
          "text of " + std::to_string(length) + " starting " + std::to_string(before) + " before";
      EXPECT_EQ(sheet.Value(CellRef{1, rows}), Variant(rows + 0.5)) << where;
      EXPECT_EQ(sheet.Text(CellRef{2, textRow}), text) << where;
      EXPECT_EQ(sheet.Value(CellRef{1, textRow + 1}), Variant(textRow + 1.5)) << where;
    }
  }
}

TEST_F(WindowTest, ASheetEndingAtAWindowsEdgeIsReadToItsLastCell) {
  for (const std::size_t size : {kPiece - 1, kPiece, kPiece + 1, 3 * kPiece + 1}) {
    int rows = 0;
    std::string xml = FilledTo(size - kTail.size() - 80, rows);
    const std::string last = NumberRow(++rows);
    xml.append(size - xml.size() - last.size() - kTail.size(), ' ');
    xml += last + kTail;
    ASSERT_EQ(xml.size(), size);
    auto wb = XlsxWorkbook::Open(WithSheet(xml));
    EXPECT_EQ(wb->SheetAt(1).Value(CellRef{1, rows}), Variant(rows + 0.5)) << size;
    EXPECT_EQ(wb->SheetAt(1).Value(CellRef{1, rows + 1}), Variant()) << size;
  }
}

TEST_F(WindowTest, AFailureNamesItsByteInTheWholePart) {
  const std::string bad = "<row r=\"900000\"><c r=\"A900000\"><v>12x</v></c></row>";
  for (const std::size_t at : {std::size_t{200}, 3 * kPiece + 17}) {
    int rows = 0;
    const std::string xml = FilledTo(at, rows) + bad + NumberRow(900001) + kTail;
    // The scan stands after the cell's end tag when it reads the number.
    const std::size_t near = at + bad.size() - std::string("</row>").size();
    try {
      auto wb = XlsxWorkbook::Open(WithSheet(xml));
      wb->LoadAll();
      ADD_FAILURE() << at;
    } catch (const HostError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("whose number \"12x\" does not read (near byte " +
                             std::to_string(near) + ")"),
                std::string::npos)
          << message;
    }
  }
}

// The checksum of a part is checked once it is read to its end: a part whose bytes changed is
// damaged, not read as if it were sound.
TEST_F(WindowTest, APartWhoseChecksumFailsIsDamaged) {
  int rows = 0;
  const auto path = WithSheet(FilledTo(2 * kPiece, rows) + kTail);
  std::string bytes = TempDir::ReadFile(path);
  // The checksum stands 14 bytes into the part's local header and 16 into its directory entry.
  for (std::size_t header = bytes.find("PK\x03\x04"); header != std::string::npos;
       header = bytes.find("PK\x03\x04", header + 4)) {
    if (bytes.compare(header + 30, kSheetPart.size(), kSheetPart) == 0) bytes[header + 14] ^= 1;
  }
  for (std::size_t entry = bytes.find("PK\x01\x02"); entry != std::string::npos;
       entry = bytes.find("PK\x01\x02", entry + 4)) {
    if (bytes.compare(entry + 46, kSheetPart.size(), kSheetPart) == 0) bytes[entry + 16] ^= 1;
  }
  TempDir::WriteFile(path, bytes);
  auto wb = XlsxWorkbook::Open(path);
  try {
    wb->LoadAll();
    ADD_FAILURE() << "read as sound";
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("has a damaged part " + kSheetPart + "."),
              std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace qv::host
