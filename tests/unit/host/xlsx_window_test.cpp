// A sheet and the shared strings are read a window at a time while they inflate: whatever the
// windows cut, every cell and every string is read whole, and a failure names its place in the
// whole part. A sheet's rows may be looked at while later rows are still being read.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <map>

#include "host/number_format.h"
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
const std::string kStringsPart = "xl/sharedStrings.xml";
const std::string kStringsHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
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

// A <si> of `text`; every tenth is rich text in two runs, with a phonetic reading to skip.
std::string StringItem(int i, const std::string& text) {
  if (i % 10 != 9) return "<si><t>" + text + "</t></si>";
  const std::size_t half = text.size() / 2;
  return "<si><r><t>" + text.substr(0, half) + "</t></r><r><rPr><b/></rPr><t>" + text.substr(half) +
         "</t></r><rPh sb=\"0\" eb=\"1\"><t>y</t></rPh></si>";
}

std::string StringText(int i) { return "s" + std::to_string(i) + std::string(i % 37, '-'); }

// The checksum of `part` made wrong, in its local header (14 bytes in) and its directory entry
// (16 bytes in).
void DamageChecksum(std::string& bytes, const std::string& part) {
  for (std::size_t header = bytes.find("PK\x03\x04"); header != std::string::npos;
       header = bytes.find("PK\x03\x04", header + 4)) {
    if (bytes.compare(header + 30, part.size(), part) == 0) bytes[header + 14] ^= 1;
  }
  for (std::size_t entry = bytes.find("PK\x01\x02"); entry != std::string::npos;
       entry = bytes.find("PK\x01\x02", entry + 4)) {
    if (bytes.compare(entry + 46, part.size(), part) == 0) bytes[entry + 16] ^= 1;
  }
}

class WindowTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path good = dir.Copy("shared.xlsx");
  int files = 0;

  std::filesystem::path WithParts(const std::map<std::string, std::string>& parts) {
    const auto path = dir / ("w" + std::to_string(files++) + ".xlsx");
    TempDir::WriteFile(path, RewrittenZipBytes(good.string(), parts));
    return path;
  }
  std::filesystem::path WithSheet(const std::string& xml) { return WithParts({{kSheetPart, xml}}); }
  // Shared strings up to `size` bytes of XML, then one of `length` bytes and one more; a sheet
  // naming each in column A, row i + 1 for string i. How many strings there are.
  std::filesystem::path WithStrings(std::size_t size, std::size_t length, int& count) {
    std::string strings = kStringsHead, sheet = kHead;
    const auto add = [&](const std::string& item) {
      strings += item;
      const std::string r = std::to_string(count + 1);
      sheet += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"s\"><v>" + std::to_string(count) +
               "</v></c></row>";
      ++count;
    };
    count = 0;
    while (strings.size() + StringItem(count, StringText(count)).size() <= size)
      add(StringItem(count, StringText(count)));
    add(StringItem(count, std::string(length, 'x')));
    add(StringItem(count, StringText(count)));
    return WithParts({{kStringsPart, strings + "</sst>"}, {kSheetPart, sheet + kTail}});
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
  int count = 0;
  const auto path = WithStrings(2 * kPiece, 10, count);
  const std::string sound = TempDir::ReadFile(path);
  for (const std::string& part : {kSheetPart, kStringsPart}) {
    std::string bytes = sound;
    DamageChecksum(bytes, part);
    TempDir::WriteFile(path, bytes);
    try {
      auto wb = XlsxWorkbook::Open(path);
      wb->LoadAll();
      ADD_FAILURE() << part << " read as sound";
    } catch (const HostError& e) {
      EXPECT_NE(std::string(e.what()).find("has a damaged part " + part + "."), std::string::npos)
          << e.what();
    }
  }
}

TEST_F(WindowTest, AStringIsReadWholeWhereverAWindowEnds) {
  // The string of `length` starts `before` bytes before the first window's end.
  const std::size_t starts[] = {1, 5, 100, 10000};
  const std::size_t lengths[] = {1, 100, kPiece, 3 * kPiece};
  for (const std::size_t before : starts) {
    for (const std::size_t length : lengths) {
      int count = 0;
      auto wb = XlsxWorkbook::Open(WithStrings(kPiece - before, length, count));
      Sheet& sheet = wb->SheetAt(1);
      const std::string where =
          "string of " + std::to_string(length) + " starting " + std::to_string(before) + " before";
      for (int i = 0; i < count - 2; ++i)
        ASSERT_EQ(sheet.Value(CellRef{1, i + 1}), Variant(StringText(i))) << where << ", " << i;
      EXPECT_EQ(sheet.Value(CellRef{1, count - 1}), Variant(std::string(length, 'x'))) << where;
      EXPECT_EQ(sheet.Value(CellRef{1, count}), Variant(StringText(count - 1))) << where;
    }
  }
}

TEST_F(WindowTest, AFailureInTheStringsNamesItsByteInTheWholePart) {
  for (const std::size_t at : {std::size_t{200}, 3 * kPiece + 17}) {
    std::string strings = kStringsHead;
    for (int i = 0; strings.size() < at; ++i) strings += StringItem(i, StringText(i));
    // The scan stands at the tag it found instead of the end tag.
    const std::size_t near = strings.size() + std::string("<si><t>open").size();
    strings += "<si><t>open<b></si>" + StringItem(0, "after") + "</sst>";
    try {
      XlsxWorkbook::Open(WithParts({{kStringsPart, strings}}));
      ADD_FAILURE() << at;
    } catch (const HostError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("its part " + kStringsPart + " does not close <t> (near byte " +
                             std::to_string(near) + ")"),
                std::string::npos)
          << message;
    }
  }
}

std::string SheetWithDimension(const std::string& dimension, const std::string& rows) {
  return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
         (dimension.empty() ? "" : "<dimension ref=\"" + dimension + "\"/>") + "<sheetData>" +
         rows + kTail;
}

// Rows 1 to `rows`: a number in A, an inline string in B on every seventh row, a number in E.
std::string ManyRows(int rows) {
  std::string xml;
  for (int r = 1; r <= rows; ++r) {
    const std::string n = std::to_string(r);
    xml += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c>";
    if (r % 7 == 0) xml += "<c r=\"B" + n + "\" t=\"inlineStr\"><is><t>t" + n + "</t></is></c>";
    xml += "<c r=\"E" + n + "\"><v>-" + n + "</v></c></row>";
  }
  return xml;
}

// Whatever the dimension claims (the cells, fewer, none, far more than the part could fill), every
// cell reads right, whether the rows are looked at in order, from the last, or once all are read.
TEST_F(WindowTest, RowsReadWhileTheRestIsReadAreWhole) {
  constexpr int kRows = 20000;
  const std::string rows = ManyRows(kRows);
  for (const std::string dimension : {"A1:E20000", "A1:B10", "", "A1:IV1048576", "A1:E19999"}) {
    for (const std::string order : {"down", "up", "after LoadAll"}) {
      auto wb = XlsxWorkbook::Open(WithSheet(SheetWithDimension(dimension, rows)));
      if (order == "after LoadAll") wb->LoadAll();
      Sheet& sheet = wb->SheetAt(1);
      for (int i = 1; i <= kRows; ++i) {
        const int r = order == "up" ? kRows + 1 - i : i;
        ASSERT_EQ(sheet.Value(CellRef{1, r}), Variant(double(r))) << dimension << ' ' << order;
        ASSERT_EQ(sheet.Text(CellRef{2, r}), r % 7 == 0 ? "t" + std::to_string(r) : "")
            << dimension << ' ' << order << ' ' << r;
        ASSERT_EQ(sheet.Value(CellRef{5, r}), Variant(-double(r))) << dimension << ' ' << order;
        ASSERT_EQ(sheet.Value(CellRef{3, r}), Variant()) << dimension << ' ' << order;
      }
      EXPECT_EQ(sheet.Value(CellRef{1, kRows + 1}), Variant()) << dimension << ' ' << order;
    }
  }
}

// A number reads as the nearest double to what is written, whatever its form; the plain
// decimals of up to 15 digits take a shorter way that must land on the same double.
TEST_F(WindowTest, NumbersReadAsWritten) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"919800000002", 919800000002.0},
      {"100.5", 100.5},
      {"-0.1", -0.1},
      {"0.3", 0.3},
      {"00012", 12},
      {"123456789012345", 123456789012345.0},    // 15 digits
      {"1234567890123456", 1234567890123456.0},  // 16
      {"0.123456789012345", 0.123456789012345},
      {"0.1234567890123456", 0.1234567890123456},
      {"9007199254740993", 9007199254740993.0},
      {"983616425656.9639", 983616425656.9639},    // 16 digits, above 2^53 as a whole number
      {"62668576944.925947", 62668576944.925947},  // 17
      {"1.", 1},
      {"1e5", 1e5},
      {"1.5E-3", 1.5e-3},
      {"-0", -0.0},
  };
  std::string rows;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string r = std::to_string(i + 1);
    rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + cases[i].text + "</v></c></row>";
  }
  auto wb = XlsxWorkbook::Open(WithSheet(SheetWithDimension("", rows)));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Variant v = wb->SheetAt(1).Value(CellRef{1, static_cast<int>(i + 1)});
    ASSERT_EQ(v.kind(), Variant::Kind::Number) << cases[i].text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(v.AsNumber()),
              std::bit_cast<std::uint64_t>(cases[i].value))
        << cases[i].text;
  }
  for (const std::string bad : {"1..2", "--1", "+1", "1.2.3", "12x", ".", "-"}) {
    auto damaged = XlsxWorkbook::Open(
        WithSheet(SheetWithDimension("", "<row r=\"1\"><c r=\"A1\"><v>" + bad + "</v></c></row>")));
    EXPECT_THROW(damaged->LoadAll(), HostError) << bad;
  }
}

// Whole numbers (rows, styles) read the same whatever their length, up to the last row.
TEST_F(WindowTest, WholeNumbersReadAtAnyLength) {
  const struct {
    std::string row, style;
    int readAs;  // 0 when the row is outside the sheet
  } cases[] = {
      {"000000005", "000000000", 5},    // 9 digits
      {"0000000005", "0000000000", 5},  // 10
      {"1048576", "0", 1048576},       {"1048577", "0", 0}, {"4294967301", "0", 0},
  };
  for (const auto& c : cases) {
    const std::string xml = SheetWithDimension(
        "", "<row r=\"" + c.row + "\"><c s=\"" + c.style + "\"><v>7</v></c></row>");
    auto wb = XlsxWorkbook::Open(WithSheet(xml));
    if (c.readAs == 0) {
      EXPECT_THROW(wb->LoadAll(), HostError) << c.row;
    } else {
      EXPECT_EQ(wb->SheetAt(1).Value(CellRef{1, c.readAs}), Variant(7.0)) << c.row;
    }
  }
}

// Numbers show as their style's format shows them however many there are, however often they
// repeat, and after a change of a cell's style.
TEST_F(WindowTest, NumbersShowAsTheirFormatWhateverCameBefore) {
  // The styles of shared.xlsx: 0 General, 1 the built-in date format 14, 2 "0.0 "kg"".
  const std::string codes[] = {"General", BuiltInFormatCode(14), "0.0 \"kg\""};
  constexpr int kRows = 5000;  // more values than are kept shown
  const auto value = [](int r) { return 40000 + r % 3000 + 0.25; };
  std::string rows;
  for (int r = 1; r <= kRows; ++r) {
    const std::string n = std::to_string(r), v = NumberXml(value(r));
    rows += "<row r=\"" + n + "\">";
    for (int c = 0; c < 3; ++c) {
      rows += "<c r=\"" + std::string(1, static_cast<char>('A' + c)) + n + "\" s=\"" +
              std::to_string(c) + "\"><v>" + v + "</v></c>";
    }
    rows += "</row>";
  }
  auto wb = XlsxWorkbook::Open(WithSheet(SheetWithDimension("A1:C5000", rows)));
  Sheet& sheet = wb->SheetAt(1);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 1; i <= kRows; ++i) {
      const int r = pass == 0 ? i : kRows + 1 - i;
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(sheet.Text(CellRef{c + 1, r}), FormatNumber(value(r), codes[c])) << r << ' ' << c;
    }
  }
  // The cell takes a date style; another cell keeps its own.
  sheet.SetValue(CellRef{1, 7}, Variant(DateTime::FromSerial(value(7))));
  EXPECT_EQ(sheet.Text(CellRef{1, 7}), FormatNumber(value(7), BuiltInFormatCode(22)));
  EXPECT_EQ(sheet.Text(CellRef{1, 3007}), FormatNumber(value(7), "General"));
}

// A row read is never touched again, so a cell of an earlier row after a later one is damage (no
// spreadsheet program writes one); the same row told of twice is not.
TEST_F(WindowTest, RowsComeInOrder) {
  const struct {
    std::string rows;
    std::string failure;  // empty when the sheet is sound
  } cases[] = {
      {"<row r=\"5\"><c r=\"A5\"><v>5</v></c></row><row r=\"3\"><c r=\"A3\"><v>3</v></c></row>",
       "has a cell A3 after the cells of row 5"},
      {"<row r=\"5\"><c r=\"A5\"><v>5</v></c><c r=\"B4\"><v>4</v></c></row>",
       "has a cell B4 after the cells of row 5"},
      {"<row r=\"5\"><c r=\"A5\"><v>5</v></c></row><row r=\"4\"><c><v>4</v></c></row>",
       "has a cell A4 after the cells of row 5"},
      {"<row r=\"5\"><c r=\"B5\"><v>5</v></c></row><row r=\"5\"><c r=\"A5\"><v>4</v></c></row>",
       ""},
      {"<row r=\"5\"><c r=\"A5\"><v>5</v></c></row><row><c r=\"A6\"><v>6</v></c></row>", ""},
  };
  for (const auto& c : cases) {
    auto wb = XlsxWorkbook::Open(WithSheet(SheetWithDimension("A1:B6", c.rows)));
    try {
      wb->LoadAll();
      EXPECT_EQ(c.failure, "") << c.rows;
      EXPECT_EQ(wb->SheetAt(1).Value(CellRef{1, 5}),
                Variant(c.rows.find("A6") == std::string::npos ? 4.0 : 5.0));
    } catch (const HostError& e) {
      EXPECT_NE(c.failure, "") << c.rows << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.failure), std::string::npos) << e.what();
      // Every later look at the sheet fails the same way.
      EXPECT_THROW(wb->SheetAt(1).Value(CellRef{1, 1}), HostError);
    }
  }
}

// Rows read before the damage may be handed out (unless the damage is found first); the sheet
// fails when it is finished, and from then on at every cell.
TEST_F(WindowTest, DamageBelowTheRowsLookedAtFailsWhenTheSheetIsFinished) {
  int rows = 0;
  std::string xml = FilledTo(3 * kPiece, rows) +
                    "<row r=\"900000\"><c r=\"A900000\"><v>12x</v></c></row>" + kTail;
  xml.replace(0, kHead.size(), SheetWithDimension("A1:A900000", ""));
  xml.erase(xml.find(kTail), kTail.size());
  auto wb = XlsxWorkbook::Open(WithSheet(xml));
  Sheet& sheet = wb->SheetAt(1);
  try {
    EXPECT_EQ(sheet.Value(CellRef{1, 2}), Variant(2.5));
  } catch (const HostError&) {
    // The reading found the damage before the row was asked for.
  }
  try {
    sheet.FinishReading();
    ADD_FAILURE() << "a damaged sheet finished";
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("whose number \"12x\" does not read"), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(sheet.Value(CellRef{1, 2}), HostError);
  EXPECT_THROW(sheet.FinishReading(), HostError);
}

// A workbook closed while its sheet is being read stops the reading; one written to or saved waits
// for it.
TEST_F(WindowTest, AWorkbookClosedOrChangedWhileItsSheetIsReadStaysWhole) {
  const std::string rows = ManyRows(20000);
  const auto path = WithSheet(SheetWithDimension("A1:E20000", rows));
  XlsxWorkbook::Open(path);  // closed at once, its first sheet being read
  {
    auto wb = XlsxWorkbook::Open(path);
    Sheet& report = wb->AddSheetAfter(wb->SheetAt(1));
    report.SetValue(CellRef{1, 1}, Variant("Report"));
    report.SetBold(CellRef{1, 1}, true);
    wb->SheetAt(1).SetValue(CellRef{3, 20000}, Variant(7.0));
    wb->Save();
  }
  auto wb = XlsxWorkbook::Open(path);
  EXPECT_EQ(wb->SheetAt(1).Value(CellRef{1, 19999}), Variant(19999.0));
  EXPECT_EQ(wb->SheetAt(1).Value(CellRef{3, 20000}), Variant(7.0));
  EXPECT_EQ(wb->SheetAt(2).Value(CellRef{1, 1}), Variant("Report"));
}

}  // namespace
}  // namespace qv::host

namespace qv::host {
namespace {

TEST(ColumnsAhead, AreMadeOnceBeforeAnyRowIsToldOfAndHoldOnlyTheirOwnCells) {
  ColumnsAhead ahead;
  ahead.Make(2, 3);
  for (const auto& [cell, inside] : {std::pair{CellRef{1, 1}, true},
                                     {CellRef{2, 3}, true},
                                     {CellRef{3, 1}, false},
                                     {CellRef{1, 4}, false},
                                     {CellRef{0, 1}, false},
                                     {CellRef{1, 0}, false}}) {
    EXPECT_EQ(ahead.Place(cell) != nullptr, inside) << Address(cell);
    EXPECT_EQ(ahead.Find(cell) != nullptr, inside) << Address(cell);
  }
  ahead.Make(3, 3);  // made again before any row is read: still allowed
  ahead.Tell(2, false);
  EXPECT_THROW(ahead.Make(4, 4), std::logic_error);
  EXPECT_TRUE(ahead.WaitFor(1));
  ahead.Tell(ColumnsAhead::kAllRead, true);
  EXPECT_FALSE(ahead.WaitFor(5));
}

}  // namespace
}  // namespace qv::host
