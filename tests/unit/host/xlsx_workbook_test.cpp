#include "host/xlsx_workbook.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <tuple>

#include "host/zip_archive.h"
#include "support/temp_dir.h"
#include "values/convert.h"
#include "values/datetime.h"

namespace qv::host {
namespace {

using qv::testing::TempDir;

// What openpyxl, another program, reads from a workbook: each sheet's name and cell values.
std::string ReadWithOpenpyxl(const std::filesystem::path& file) {
  const std::string command =
      "/usr/bin/python3 -W ignore -c \"import "
      "openpyxl,sys\nwb=openpyxl.load_workbook(sys.argv[1])\n"
      "for ws in wb.worksheets:\n print('['+ws.title+']')\n for row in ws.iter_rows():\n  for c in "
      "row:\n"
      "   if c.value is not None: print(c.coordinate, repr(c.value), 'bold' if c.font.b else "
      "'')\" " +
      file.string() + " 2>&1";
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

TEST(XlsxWorkbook, ValuesAndDisplayedTextsFollowTheNumberFormats) {
  TempDir dir;
  auto wb = XlsxWorkbook::Open(dir.Copy("formats.xlsx"));
  Sheet& sheet = wb->SheetAt(1);
  for (int row = 1; row <= 22; ++row) {
    const CellRef value{1, row};
    const std::string code = ValueAsText(sheet.Value(CellRef{2, row}));
    const std::string expected = ValueAsText(sheet.Value(CellRef{3, row}));
    EXPECT_EQ(sheet.Text(value), expected) << "row " << row << " format " << code;
  }
  EXPECT_EQ(sheet.ValueAt("A2"), Variant(919876543210.0));
  EXPECT_EQ(sheet.ValueAt("A16"), Variant(DateTime::FromParts(2026, 12, 6)));
  EXPECT_EQ(sheet.ValueAt("A18"), Variant(DateTime::FromParts(2026, 12, 6, 20, 5, 9)));
  EXPECT_EQ(sheet.ValueAt("A21"), Variant("00123"));
  EXPECT_EQ(sheet.ValueAt("A30"), Variant(true));
  EXPECT_EQ(sheet.TextAt("A30"), "TRUE");
  EXPECT_EQ(sheet.ValueAt("A31"), Variant(ErrorValue{2042}));
  EXPECT_EQ(sheet.TextAt("A31"), "#N/A");
  EXPECT_EQ(sheet.ValueAt("Z99"), Variant());
}

// The lines of a CSV file, each as its fields (quoted fields may hold commas and doubled quotes).
std::vector<std::vector<std::string>> ReadCsv(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = !quoted;
      } else if (c == ',' && !quoted) {
        fields.emplace_back();
      } else {
        fields.back() += c;
      }
    }
    rows.push_back(std::move(fields));
  }
  return rows;
}

// The expected texts come from LibreOffice, which wrote the workbooks and exported what each cell
// shows; so this compares our formatter with a spreadsheet program's, not with itself. One workbook
// has the codes as Excel spells them, the other as LibreOffice spells its own.
TEST(XlsxWorkbook, DisplayedTextsMatchASpreadsheetProgram) {
  const std::filesystem::path data = QV_TEST_DATA;
  for (const char* name : {"displayed_texts", "displayed_texts_native"}) {
    const auto expected = ReadCsv(data / (std::string(name) + ".csv"));
    ASSERT_GE(expected.size(), 25u) << name;
    auto wb = XlsxWorkbook::Open(data / (std::string(name) + ".xlsx"), true);
    Sheet& sheet = wb->SheetAt(1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const int row = static_cast<int>(i + 1);
      EXPECT_EQ(sheet.Text(CellRef{1, row}), expected[i][0])
          << name << " row " << row << " value " << ValueAsText(sheet.Value(CellRef{1, row}))
          << " format " << expected[i][1];
    }
  }
}

TEST(XlsxWorkbook, TypedTextIsReadAndFormattedAsTheSpreadsheetWould) {
  TempDir dir;
  const auto file = dir.Path() / "typed.xlsx";
  const struct {
    const char* typed;
    const char* shown;
    Variant value;
  } cases[] = {
      {"10:30 AM", "10:30 AM", DateTime::FromParts(1899, 12, 30, 10, 30, 0)},
      {"23:15", "23:15", DateTime::FromParts(1899, 12, 30, 23, 15, 0)},
      {"6:30:05 PM", "6:30:05 PM", DateTime::FromParts(1899, 12, 30, 18, 30, 5)},
      {"23:15:09", "23:15:09", DateTime::FromParts(1899, 12, 30, 23, 15, 9)},
      {"12/6/2026", "12/6/2026", DateTime::FromParts(2026, 12, 6)},
      {"12/6/2026 8:05 PM", "12/6/2026 20:05", DateTime::FromParts(2026, 12, 6, 20, 5, 0)},
      {"00123", "123", 123.0},
      {"4/31/2026", "4/31/2026", "4/31/2026"},
  };
  {
    auto wb = XlsxWorkbook::Create(file, "Typed");
    int row = 1;
    for (const auto& c : cases) wb->SheetAt(1).EnterText(CellRef{1, row++}, c.typed);
    wb->Save();
  }
  auto wb = XlsxWorkbook::Open(file);
  int row = 1;
  for (const auto& c : cases) {
    EXPECT_EQ(wb->SheetAt(1).Text(CellRef{1, row}), c.shown) << c.typed;
    EXPECT_EQ(wb->SheetAt(1).Value(CellRef{1, row++}), c.value) << c.typed;
  }
}

TEST(XlsxWorkbook, SharedStringsStylesAndTheActiveTab) {
  TempDir dir;
  auto wb = XlsxWorkbook::Open(dir.Copy("shared.xlsx"));
  ASSERT_EQ(wb->SheetCount(), 2);
  EXPECT_EQ(wb->SheetAt(1).Name(), "First");
  EXPECT_EQ(wb->ActiveSheet()->Name(), "Second Sheet");
  EXPECT_EQ(wb->FindSheet("second sheet"), &wb->SheetAt(2));
  Sheet& s = wb->SheetAt(1);
  EXPECT_EQ(s.ValueAt("A1"), Variant("plain"));
  EXPECT_EQ(s.ValueAt("B1"), Variant("rich text "));
  EXPECT_EQ(s.ValueAt("C1"), Variant("line\rbreak & <tag>"));
  EXPECT_EQ(s.TextAt("A2"), "12/6/2026");
  EXPECT_EQ(s.TextAt("B2"), "12.3 kg");
  EXPECT_EQ(s.ValueAt("B2"), Variant(12.34));
  EXPECT_EQ(s.ValueAt("A3"), Variant(2.0));
  EXPECT_EQ(s.ValueAt("B3"), Variant("ab"));
  EXPECT_EQ(s.TextAt("C3"), "#DIV/0!");
  EXPECT_EQ(wb->SheetAt(2).ValueAt("A1"), Variant(""));
}

TEST(XlsxWorkbook, AReportSheetAndAFilledColumnReadBackInAnotherProgram) {
  TempDir dir;
  const auto file = dir.Copy("contacts.xlsx");
  const std::string before = TempDir::ReadFile(file);
  {
    auto wb = XlsxWorkbook::Open(file);
    Sheet& contacts = wb->SheetAt(1);
    EXPECT_EQ(contacts.ValueAt("A2"), Variant(919876543210.0));
    EXPECT_EQ(contacts.ValueAt("B3"), Variant("Bob & Co <ltd>"));
    EXPECT_EQ(contacts.TextAt("D2"), "12/1/2026");
    contacts.SetValueAt("F2", "911111111111");
    contacts.SetValueAt("F4", 12.5);
    contacts.SetValueAt("B6", "Zo\xC3\xAB & \"friends\"");
    Sheet& report = wb->AddSheetAfter(wb->SheetAt(wb->SheetCount()));
    report.SetName("March report");
    report.SetValueAt("A1", "Mobile Number");
    report.SetBoldAt("A1", true);
    report.SetValueAt("B1", "Submitted");
    report.SetBoldAt("B1", true);
    report.SetValueAt("A2", 919876543210.0);
    report.SetValueAt("B2", DateTime::FromParts(2026, 12, 6, 20, 5, 9));
    EXPECT_EQ(report.TextAt("B2"), "12/6/2026 20:05");
    EXPECT_TRUE(wb->IsModified());
    wb->Save();
    EXPECT_FALSE(wb->IsModified());
  }
  EXPECT_NE(TempDir::ReadFile(file), before);
  const std::string seen = ReadWithOpenpyxl(file);
  EXPECT_NE(seen.find("[Contacts]"), std::string::npos) << seen;
  EXPECT_NE(seen.find("F2 '911111111111' \n"), std::string::npos) << seen;
  EXPECT_NE(seen.find("F4 12.5 \n"), std::string::npos) << seen;
  EXPECT_NE(seen.find("B6 'Zo\xC3\xAB & \"friends\"' \n"), std::string::npos) << seen;
  EXPECT_NE(seen.find("A2 919876543210 \n"), std::string::npos) << seen;
  EXPECT_NE(
      seen.find("[March report]\nA1 'Mobile Number' bold\nB1 'Submitted' bold\nA2 919876543210 \n"
                "B2 datetime.datetime(2026, 12, 6, 20, 5, 9) \n"),
      std::string::npos)
      << seen;
  EXPECT_EQ(seen.find("Error"), std::string::npos) << seen;

  // Reading our own file back gives the same values.
  auto again = XlsxWorkbook::Open(file);
  ASSERT_EQ(again->SheetCount(), 4);
  EXPECT_EQ(again->SheetAt(4).Name(), "March report");
  EXPECT_EQ(again->SheetAt(4).ValueAt("B2"), Variant(DateTime::FromParts(2026, 12, 6, 20, 5, 9)));
  EXPECT_EQ(again->SheetAt(1).ValueAt("F2"), Variant("911111111111"));
}

TEST(XlsxWorkbook, UntouchedPartsStayByteForByte) {
  TempDir dir;
  const auto file = dir.Copy("contacts.xlsx");
  const std::vector<std::string> untouched = {
      "xl/worksheets/sheet2.xml", "xl/worksheets/sheet3.xml",           "xl/charts/chart1.xml",
      "xl/drawings/drawing1.xml", "xl/comments/comment1.xml",           "xl/theme/theme1.xml",
      "docProps/core.xml",        "xl/worksheets/_rels/sheet1.xml.rels"};
  std::map<std::string, std::string> before;
  {
    ZipReader zip(file.string());
    for (const auto& part : untouched) before[part] = *zip.Read(part);
  }
  {
    auto wb = XlsxWorkbook::Open(file);
    wb->SheetAt(1).SetValueAt("F2", "x");
    wb->AddSheetAfter(wb->SheetAt(3)).SetName("New");
    wb->Save();
  }
  ZipReader zip(file.string());
  for (const auto& part : untouched) EXPECT_EQ(*zip.Read(part), before[part]) << part;
  EXPECT_NE(zip.Read("xl/workbook.xml")
                ->find("<definedName name=\"Amounts\">Contacts!$C$2:$C$6</definedName>"),
            std::string::npos);
}

TEST(XlsxWorkbook, InsertingASheetMovesSheetLocalNames) {
  TempDir dir;
  const auto file = dir.Copy("shared.xlsx");
  {
    auto wb = XlsxWorkbook::Open(file);
    wb->AddSheetAfter(wb->SheetAt(1)).SetName("Between");
    wb->Save();
  }
  auto wb = XlsxWorkbook::Open(file);
  EXPECT_EQ(wb->SheetAt(2).Name(), "Between");
  EXPECT_EQ(wb->SheetAt(3).Name(), "Second Sheet");
  EXPECT_NE(ZipReader(file.string()).Read("xl/workbook.xml")->find("localSheetId=\"2\""),
            std::string::npos);
}

TEST(XlsxWorkbook, AFailureDuringASaveLeavesTheOriginal) {
  TempDir dir;
  const auto file = dir.Copy("contacts.xlsx");
  const std::string before = TempDir::ReadFile(file);
  auto wb = XlsxWorkbook::Open(file);
  wb->SheetAt(1).SetValueAt("F2", "x");
  wb->SetBeforeRename([] { throw std::runtime_error("power cut"); });
  EXPECT_THROW(wb->Save(), std::runtime_error);
  EXPECT_EQ(TempDir::ReadFile(file), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file is left behind";
  wb->SetBeforeRename(nullptr);
  wb->Save();
  EXPECT_EQ(XlsxWorkbook::Open(file)->SheetAt(1).ValueAt("F2"), Variant("x"));
}

TEST(XlsxWorkbook, ReadOnlyWorkbooksAreNeverWritten) {
  TempDir dir;
  const auto file = dir.Copy("contacts.xlsx");
  auto wb = XlsxWorkbook::Open(file, true);
  wb->SheetAt(1).SetValueAt("A1", "changed");
  EXPECT_THROW(wb->Save(), HostError);
  EXPECT_EQ(TempDir::ReadFile(file),
            TempDir::ReadFile(std::filesystem::path(QV_TEST_DATA) / "contacts.xlsx"));
}

TEST(XlsxWorkbook, SheetNamesAreCheckedAsSpreadsheetsDo) {
  TempDir dir;
  auto wb = XlsxWorkbook::Open(dir.Copy("contacts.xlsx"));
  Sheet& added = wb->AddSheetAfter(wb->SheetAt(3));
  for (const char* bad : {"", "a:b", "a/b", "a?b", "a*b", "a[b", "a]b", "a\\b", "'quoted'",
                          "contacts", "this name is longer than 31 chars"}) {
    EXPECT_THROW(added.SetName(bad), HostError) << bad;
  }
  EXPECT_NO_THROW(added.SetName("Report 2026-12"));
}

// The styles part is optional: a workbook without one (or whose relationship points at none) is
// read with default styles and gets a styles part once a cell needs one.
TEST(XlsxWorkbook, AWorkbookWithoutStylesIsReadAndWritten) {
  TempDir dir;
  const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  const std::string styleRel =
      "<Relationship Id=\"rId2\" Type=\"" + rels + "styles\" Target=\"styles.xml\"/>";
  for (bool dangling : {false, true}) {
    const auto file = dir / (dangling ? "dangling.xlsx" : "nostyles.xlsx");
    TempDir::WriteFile(
        file,
        ZipBytes(
            {{"[Content_Types].xml",
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" "
              "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet."
              "main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
              "worksheet+xml\"/></Types>"},
             {"_rels/.rels",
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
              "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                  rels + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
             {"xl/workbook.xml",
              "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
              "xmlns:r=\"" +
                  rels.substr(0, rels.size() - 1) +
                  "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
             {"xl/_rels/workbook.xml.rels",
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
              "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                  rels + "worksheet\" Target=\"worksheets/sheet1.xml\"/>" +
                  (dangling ? styleRel : "") + "</Relationships>"},
             {"xl/worksheets/sheet1.xml",
              "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
              "<sheetData><row r=\"1\"><c "
              "r=\"A1\"><v>1.5</v></c></row></sheetData></worksheet>"}}));
    {
      auto wb = XlsxWorkbook::Open(file);
      EXPECT_EQ(wb->SheetAt(1).TextAt("A1"), "1.5");
      wb->SheetAt(1).EnterText(CellRef{1, 2}, "10:30 AM");
      wb->SheetAt(1).SetBold(CellRef{1, 3}, true);
      wb->SheetAt(1).SetValue(CellRef{1, 3}, "bold");
      wb->Save();
    }
    auto wb = XlsxWorkbook::Open(file);
    EXPECT_EQ(wb->SheetAt(1).TextAt("A2"), "10:30 AM") << dangling;
    const std::string seen = ReadWithOpenpyxl(file);
    EXPECT_NE(seen.find("A2 datetime.time(10, 30)"), std::string::npos) << seen;
    EXPECT_NE(seen.find("A3 'bold' bold"), std::string::npos) << seen;
  }
}

// A workbook whose styles hold no cell format: its cells show as under General, and must still
// after the first format is made (for a date, a bold cell), which goes where the schema puts it.
TEST(XlsxWorkbook, TheFirstCellFormatLeavesUnformattedCellsAsTheyWere) {
  TempDir dir;
  const auto good = dir.Copy("shared.xlsx");
  const std::string main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::string head =
      "<styleSheet " + main +
      "><fonts count=\"1\"><font><sz val=\"11\"/></font></fonts><fills count=\"1\"><fill>"
      "<patternFill patternType=\"none\"/></fill></fills><borders count=\"1\"><border/></borders>"
      "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
      "</cellStyleXfs>";
  const std::string cellStyles =
      "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
      "</cellStyles>";
  const std::string plain = "<worksheet " + main +
                            "><sheetData><row r=\"1\"><c r=\"A1\"><v>1.5</v></c></row>"
                            "</sheetData></worksheet>";
  for (const std::string& styles :
       {head + "<cellXfs count=\"0\"/></styleSheet>", head + cellStyles + "</styleSheet>"}) {
    const auto file = dir / "w.xlsx";
    TempDir::WriteFile(file,
                       RewrittenZipBytes(good.string(), {{"xl/styles.xml", styles},
                                                         {"xl/worksheets/sheet1.xml", plain},
                                                         {"xl/worksheets/sheet2.xml", plain}}));
    {
      auto wb = XlsxWorkbook::Open(file);
      Sheet& sheet = wb->SheetAt(1);
      sheet.SetValueAt("B1", Variant(DateTime::FromParts(2026, 12, 7)));
      sheet.SetValueAt("C1", Variant("bold"));
      sheet.SetBoldAt("C1", true);
      EXPECT_EQ(sheet.TextAt("A1"), "1.5") << styles;
      EXPECT_EQ(sheet.TextAt("B1"), "12/7/2026") << styles;
      wb->Save();
    }
    auto wb = XlsxWorkbook::Open(file);
    EXPECT_EQ(wb->SheetAt(1).TextAt("A1"), "1.5") << styles;
    EXPECT_EQ(wb->SheetAt(1).TextAt("B1"), "12/7/2026") << styles;
    const std::string seen = ReadWithOpenpyxl(file);
    EXPECT_NE(seen.find("A1 1.5 \n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("B1 datetime.datetime(2026, 12, 7, 0, 0) \n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("C1 'bold' bold\n"), std::string::npos) << seen;
    const std::string saved = *ZipReader(file.string()).Read("xl/styles.xml");
    if (styles.find("cellStyles") != std::string::npos) {
      EXPECT_LT(saved.find("<cellXfs"), saved.find("<cellStyles")) << saved;
    }
  }
}

// Workbooks damaged as other programs or broken copies leave them, with verdicts.tsv beside them:
// the add-in opens what LibreOffice opens, unless LibreOffice's reading loses or changes a value,
// and refuses the rest naming what is wrong.
TEST(XlsxWorkbook, DamagedWorkbooksOpenAsLibreOfficeOpensThemUnlessAValueIsLost) {
  const std::filesystem::path folder = std::filesystem::path(QV_TEST_DATA) / "damaged";
  std::ifstream verdicts(folder / "verdicts.tsv");
  ASSERT_TRUE(verdicts) << folder;
  int files = 0;
  for (std::string line; std::getline(verdicts, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> field;
    for (std::size_t start = 0;;) {
      const std::size_t tab = line.find('\t', start);
      field.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    ASSERT_GE(field.size(), 4u) << line;
    ++files;
    const std::string& file = field[0];
    if (field[1] != field[2]) {
      EXPECT_EQ(field.size(), 5u) << file << ": no reason why they differ";
    }
    try {
      auto wb = XlsxWorkbook::Open(folder / file);
      wb->LoadAll();
      EXPECT_EQ(field[2], "opens") << file;
      EXPECT_EQ(wb->SheetAt(1).TextAt("A2"), field[3]) << file;
    } catch (const HostError& e) {
      EXPECT_EQ(field[2], "refuses") << file << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(field[3]), std::string::npos)
          << file << ": " << e.what();
    }
  }
  EXPECT_GE(files, 19);
}

// A cell whose style the styles part lacks is left as it was while others change; written, it
// is saved unformatted, or with a date format when it takes a date.
TEST(XlsxWorkbook, ACellOfAMissingStyleIsWrittenUnformatted) {
  TempDir dir;
  const auto file = dir / "style_beyond_table.xlsx";
  std::filesystem::copy_file(std::filesystem::path(QV_TEST_DATA) / "damaged" / file.filename(),
                             file);
  const auto a2 = [&file] {
    const std::string xml = *ZipReader(file.string()).Read("xl/worksheets/sheet1.xml");
    const std::size_t at = xml.find("<c r=\"A2\"");
    return xml.substr(at, xml.find('>', at) - at + 1);
  };
  for (const auto& [cell, value, element, text] :
       std::vector<std::tuple<CellRef, Variant, std::string, std::string>>{
           {{2, 3}, "Bobby", "<c r=\"A2\" s=\"7\">", "919876543210"},
           {{1, 2}, "919876543219", "<c r=\"A2\" t=\"inlineStr\">", "919876543219"},
           {{1, 2}, DateTime::FromParts(2026, 12, 9), "<c r=\"A2\" s=\"2\">", "12/9/2026"}}) {
    {
      auto wb = XlsxWorkbook::Open(file);
      wb->SheetAt(1).SetValue(cell, value);
      wb->Save();
    }
    EXPECT_EQ(a2(), element);
    EXPECT_EQ(XlsxWorkbook::Open(file)->SheetAt(1).TextAt("A2"), text);
  }
}

TEST(XlsxWorkbook, BrokenFilesSayWhatIsWrong) {
  TempDir dir;
  const auto good = dir.Copy("shared.xlsx");
  const auto broken = [&](const std::string& name, const std::string& part,
                          const std::string& data) {
    const auto path = dir / name;
    TempDir::WriteFile(path, RewrittenZipBytes(good.string(), {{part, data}}));
    return path;
  };
  const std::string sheet = "xl/worksheets/sheet1.xml";
  const std::string ns =
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  TempDir::WriteFile(dir / "text.xlsx", "this is not a zip file");
  const struct {
    std::filesystem::path file;
    const char* message;
  } cases[] = {
      {dir / "text.xlsx", "is not a workbook: it is not a zip package."},
      {dir / "gone.xlsx", "cannot be opened: it does not exist or cannot be read."},
      {broken(
           "norels.xlsx", "_rels/.rels",
           "<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
           "Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "officeDocument\" "
           "Target=\"xl/nowhere.xml\"/></Relationships>"),
       "is damaged: it has no part xl/nowhere.xml."},
      {broken("badxml.xlsx", "xl/workbook.xml", "<workbook><sheets>"),
       "is damaged: its part xl/workbook.xml is not well-formed XML"},
      {broken("outside.xlsx", sheet,
              ns + "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row></sheetData></worksheet>"),
       "has a cell \"XFE1\" outside the sheet"},
      {broken("sst.xlsx", sheet,
              ns + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>99</v></c></row></sheetData></worksheet>"),
       "whose shared string 99 is out of range (there are 4)"},
      {broken("cut.xlsx", sheet, ns + "<row r=\"1\"><c r=\"A1\"><v>1</v></c>"),
       "ends inside <sheetData>"},
      {broken("row.xlsx", sheet, ns + "<row r=\"0\"></row></sheetData></worksheet>"),
       "has a row \"0\" outside the sheet"},
      {broken("number.xlsx", sheet,
              ns + "<row r=\"1\"><c r=\"A1\"><v>12x</v></c></row></sheetData></worksheet>"),
       "whose number \"12x\" does not read"},
  };
  for (const auto& c : cases) {
    try {
      auto wb = XlsxWorkbook::Open(c.file);
      wb->LoadAll();
      ADD_FAILURE() << c.file;
    } catch (const HostError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.file.string()), std::string::npos) << message;
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
  }
}

}  // namespace
}  // namespace qv::host

namespace qv::host {
namespace {

TEST(XlsxWorkbook, ANewWorkbookIsWrittenAndReadByAnotherProgram) {
  TempDir dir;
  {
    auto wb = XlsxWorkbook::Create(dir / "new.xlsx", "Contacts & Co");
    wb->SheetAt(1).SetValueAt("A1", "Name");
    wb->SheetAt(1).SetValueAt("A2", 919876543210.0);
    wb->Save();
  }
  EXPECT_EQ(ReadWithOpenpyxl(dir / "new.xlsx"), "[Contacts & Co]\nA1 'Name' \nA2 919876543210 \n");
  EXPECT_THROW(XlsxWorkbook::Create(dir / "new.xlsx", "Again"), HostError)
      << "an existing file is never replaced";
}

}  // namespace
}  // namespace qv::host
