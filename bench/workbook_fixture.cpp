#include "workbook_fixture.h"

#include <zip.h>

#include <stdexcept>
#include <vector>

#include "support/process.h"

namespace qv::bench {
namespace {

const char* kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* kRel =
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

std::string Column(int c) {
  std::string s;
  for (++c; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
  return s;
}

// A name for every row and 500 towns, as a spreadsheet program writes shared strings.
std::string SharedStrings(int names) {
  std::vector<std::string> strings;
  for (int i = 0; i < names; ++i) strings.push_back("Customer name number " + std::to_string(i));
  for (int i = 0; i < 500; ++i) strings.push_back("Town " + std::to_string(i));
  std::string sst =
      std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst ") + kNs +
      " count=\"" + std::to_string(strings.size()) + "\" uniqueCount=\"" +
      std::to_string(strings.size()) + "\">";
  for (const auto& s : strings) sst += "<si><t xml:space=\"preserve\">" + s + "</t></si>";
  return sst + "</sst>";
}

// Row 1 holds headers; then a number, names, amounts, dates and towns by column. `names` shared
// strings come before the towns.
std::string CellXml(int r, int c, int names) {
  const std::string ref = Column(c) + std::to_string(r);
  if (r == 1) return "<c r=\"" + ref + "\" s=\"0\" t=\"s\"><v>" + std::to_string(c) + "</v></c>";
  if (c == 0) {
    return "<c r=\"" + ref + "\" s=\"0\" t=\"n\"><v>" + std::to_string(919800000000LL + r) +
           "</v></c>";
  }
  if (c % 4 == 1)
    return "<c r=\"" + ref + "\" s=\"0\" t=\"s\"><v>" + std::to_string(r % names) + "</v></c>";
  if (c % 4 == 2) {
    return "<c r=\"" + ref + "\" s=\"2\" t=\"n\"><v>" + std::to_string(100 + r % 900) +
           ".5</v></c>";
  }
  if (c % 4 == 3) {
    return "<c r=\"" + ref + "\" s=\"1\" t=\"n\"><v>" + std::to_string(46300 + r % 60) + "</v></c>";
  }
  return "<c r=\"" + ref + "\" s=\"0\" t=\"s\"><v>" + std::to_string(names + r % 500) + "</v></c>";
}

std::string SheetXml(int rows, int columns, int names) {
  std::string sheet =
      std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet ") +
      kNs + " " + kRel +
      "><sheetPr filterMode=\"false\"><pageSetUpPr fitToPage=\"false\"/></sheetPr>" +
      "<dimension ref=\"A1:" + Column(columns - 1) + std::to_string(rows + 1) + "\"/><sheetData>";
  sheet.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) * 60);
  for (int r = 1; r <= rows + 1; ++r) {
    sheet +=
        "<row r=\"" + std::to_string(r) +
        "\" s=\"1\" customFormat=\"false\" ht=\"12.8\" hidden=\"false\" customHeight=\"false\" "
        "outlineLevel=\"0\" collapsed=\"false\">";
    for (int c = 0; c < columns; ++c) sheet += CellXml(r, c, names);
    sheet += "</row>";
  }
  return sheet +
         "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
         "header=\"0.3\" footer=\"0.3\"/></worksheet>";
}

}  // namespace

std::size_t WriteContactsWorkbook(const std::string& path, int rows, int columns) {
  const int names = rows + 2;
  const std::string sst = SharedStrings(names);
  const std::string sheet = SheetXml(rows, columns, names);
  const std::string parts[][2] = {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
       "Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
       "Extension=\"xml\" "
       "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/"
       ">"
       "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
       "<Override PartName=\"/xl/styles.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
       "<Override PartName=\"/xl/sharedStrings.xml\" "
       "ContentType=\"application/"
       "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/></Types>"},
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
       "officeDocument\" "
       "Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook ") + kNs + " " + kRel +
           "><sheets><sheet name=\"Contacts\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
       "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
       "Target=\"styles.xml\"/>"
       "<Relationship Id=\"rId3\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
       "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
      {"xl/styles.xml",
       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet ") + kNs +
           "><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"#,##0.00\"/></numFmts>"
           "<fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/></font></fonts>"
           "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\"/><xf numFmtId=\"14\" "
           "fontId=\"0\"/>"
           "<xf numFmtId=\"164\" fontId=\"0\"/></cellXfs></styleSheet>"},
      {"xl/sharedStrings.xml", sst},
      {"xl/worksheets/sheet1.xml", sheet},
  };
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) throw std::runtime_error("cannot create " + path);
  for (const auto& [name, data] : parts) {
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE);
  }
  if (zip_close(z) != 0) throw std::runtime_error("cannot write " + path);
  return sheet.size();
}

std::string RunSend(benchmark::State& state, const std::string& workbook, int rows,
                    const std::string& address, const std::filesystem::path& config,
                    std::vector<std::string> command) {
  command.push_back(QV_CLI_BINARY);
  command.insert(command.end(), {"--yes", "send", workbook, "--mobile-column", "A", "--start-row",
                                 "2", "--end-row", std::to_string(rows + 1), "--message",
                                 "Dear #B#, #C# is due on #D# at #E#."});
  const std::string program = command.front();
  command.erase(command.begin());
  const auto r = qv::testing::RunProgram(program, command,
                                         {{"XDG_CONFIG_HOME", config.string()},
                                          {"QUORVALENT_SERVER", address},
                                          {"QUORVALENT_USER", "bench"},
                                          {"QUORVALENT_PASSWORD", "pw"}},
                                         120);
  if (r.status != 0 ||
      r.out.find(std::to_string(rows) + " SMS Messages Sent") == std::string::npos) {
    state.SkipWithError(r.out.c_str());
  }
  return r.out;
}

}  // namespace qv::bench
