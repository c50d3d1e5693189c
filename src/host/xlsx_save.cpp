// Saving an .xlsx workbook: the changed parts written anew, the rest copied as they are, and the
// file replaced safely.
#include <algorithm>

#include "host/replace_file_posix.h"
#include "host/sheet_names.h"
#include "host/xlsx_package.h"
#include "host/xlsx_workbook.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::host {

namespace {

// The <row> of row `r`, made where it belongs when there is none. The rows are in order: `row`
// and `rowNumber` walk on from the row found last, so the rows of a save are found in one pass.
pugi::xml_node RowNode(pugi::xml_node sheetData, pugi::xml_node& row, int& rowNumber, int r) {
  while (row && (std::string_view(row.name()) != "row" ||
                 (row.attribute("r") ? row.attribute("r").as_int() : rowNumber + 1) < r)) {
    if (std::string_view(row.name()) == "row")
      rowNumber = row.attribute("r") ? row.attribute("r").as_int() : rowNumber + 1;
    row = row.next_sibling();
  }
  if (!row || row.attribute("r").as_int() != r) {
    row = row ? sheetData.insert_child_before("row", row) : sheetData.append_child("row");
    row.append_attribute("r") = r;
  }
  row.remove_attribute("spans");
  return row;
}

// The <c> of column `c` in a row, made where it belongs when there is none.
pugi::xml_node CellNode(pugi::xml_node row, int c) {
  int columnNumber = 0;
  for (pugi::xml_node n = row.child("c"); n; n = n.next_sibling("c")) {
    const auto at = n.attribute("r") ? ParseFileAddress(n.attribute("r").as_string())
                                     : std::optional<CellRef>();
    columnNumber = at ? at->column : columnNumber + 1;
    if (columnNumber == c) return n;
    if (columnNumber > c) return row.insert_child_before("c", n);
  }
  return row.append_child("c");
}

}  // namespace

void XlsxSheet::WriteCell(pugi::xml_node node, CellRef at) const {
  const XCell& cell =
      columns_[static_cast<std::size_t>(at.column - 1)][static_cast<std::size_t>(at.row - 1)];
  // The cell is written afresh, keeping only its place.
  while (node.first_child()) node.remove_child(node.first_child());
  while (node.first_attribute()) node.remove_attribute(node.first_attribute());
  node.append_attribute("r") = Address(at).c_str();
  if (cell.style != 0 && cell.style != XlsxPackage::kUnformatted)
    node.append_attribute("s") = cell.style;
  switch (cell.kind) {
    case XCell::Blank:
      break;
    case XCell::Number:
      node.append_child("v").text() = NumberXml(cell.number).c_str();
      break;
    case XCell::Shared:
    case XCell::Inline: {
      const std::string text(cell.kind == XCell::Shared ? package_.sharedStrings[cell.index]
                                                        : pool_[cell.index]);
      node.append_attribute("t") = "inlineStr";
      pugi::xml_node t = node.append_child("is").append_child("t");
      t.append_attribute("xml:space") = "preserve";
      t.text() = text.c_str();
      break;
    }
    case XCell::Boolean:
      node.append_attribute("t") = "b";
      node.append_child("v").text() = cell.number != 0 ? "1" : "0";
      break;
    case XCell::Error:
      node.append_attribute("t") = "e";
      node.append_child("v").text() = ErrorName(static_cast<int>(cell.index)).c_str();
      break;
  }
}

std::string XlsxSheet::Serialize() const {
  pugi::xml_document doc;
  const std::string original = isNew_ ? std::string(kNewSheetXml) : package_.ReadPart(part_);
  package_.Parse(doc, part_, original);
  pugi::xml_node sheetData = doc.child("worksheet").child("sheetData");
  if (!sheetData) package_.Fail("is damaged: its part " + part_ + " has no <sheetData>.");

  int minRow = kRowCount, maxRow = 0, minColumn = kFileColumns, maxColumn = 0;
  pugi::xml_node row = sheetData.first_child();
  int rowNumber = 0;
  for (const auto& [r, c] : dirty_) {
    WriteCell(CellNode(RowNode(sheetData, row, rowNumber, r), c), CellRef{c, r});
    minRow = std::min(minRow, r);
    maxRow = std::max(maxRow, r);
    minColumn = std::min(minColumn, c);
    maxColumn = std::max(maxColumn, c);
  }
  pugi::xml_node dimension = doc.child("worksheet").child("dimension");
  if (dimension && maxRow > 0) {
    const std::string old = dimension.attribute("ref").as_string();
    const auto colon = old.find(':');
    const auto first = ParseFileAddress(old.substr(0, colon));
    const auto last = colon == std::string::npos ? first : ParseFileAddress(old.substr(colon + 1));
    if (first && last && !(isNew_ && first->row == 1 && first->column == 1 && last == first)) {
      minRow = std::min(minRow, first->row);
      minColumn = std::min(minColumn, first->column);
      maxRow = std::max(maxRow, last->row);
      maxColumn = std::max(maxColumn, last->column);
    }
    const std::string ref = Address({minColumn, minRow}) + ":" + Address({maxColumn, maxRow});
    dimension.attribute("ref") = ref.c_str();
  }
  return qv::host::Serialize(doc);
}

std::unique_ptr<XlsxWorkbook> XlsxWorkbook::Create(const std::filesystem::path& path,
                                                   const std::string& sheetName) {
  CheckSheetName(sheetName, {});
  if (std::filesystem::exists(path)) {
    throw HostError("The workbook file " + path.string() + " exists already and is not replaced.");
  }
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::string main = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
  const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  pugi::xml_document name;
  name.append_child("n").append_attribute("v") = sheetName.c_str();
  std::string escaped = Serialize(name);
  escaped = escaped.substr(escaped.find('"') + 1);
  escaped.resize(escaped.rfind('"'));
  const std::map<std::string, std::string> parts = {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
       "Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
       "Extension=\"xml\" "
       "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
           main +
           "sheet.main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" +
           main + "worksheet+xml\"/><Override PartName=\"/xl/styles.xml\" ContentType=\"" + main +
           "styles+xml\"/></Types>"},
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" "
       "Type=\"" +
           rels + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook " + ns +
           " xmlns:r=\"" + std::string(kRelationshipsNamespace) + "\"><sheets><sheet name=\"" +
           escaped + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" Type=\"" +
           rels +
           "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
           rels + "styles\" Target=\"styles.xml\"/></Relationships>"},
      {"xl/styles.xml", kNewStylesXml},
      {"xl/worksheets/sheet1.xml", kNewSheetXml},
  };
  try {
    ReplaceFile(path, ZipBytes(parts), kNewFileMode);
  } catch (const ReplaceError& e) {
    throw HostError("The workbook file " + path.string() + " " + e.what());
  }
  return Open(path);
}

void XlsxWorkbook::Save() {
  XlsxPackage& p = *package_;
  if (p.readOnly)
    throw HostError("The workbook file " + p.file + " was opened read-only and is not saved.");
  // The file is replaced below: nothing may be reading it then.
  p.Quiet();
  std::map<std::string, std::string> parts;
  for (const auto& s : p.sheets) {
    if (s->Changed()) parts[s->part_] = s->Serialize();
  }
  if (p.workbookChanged) parts[p.workbookPart] = Serialize(p.workbookXml);
  if (p.relsChanged) parts[p.relsPart] = Serialize(p.relsXml);
  if (p.stylesChanged) parts[p.stylesPart] = Serialize(p.stylesXml);
  if (!p.newContentTypes.empty()) {
    pugi::xml_document types;
    p.Parse(types, "[Content_Types].xml", p.ReadPart("[Content_Types].xml"));
    for (const auto& [part, type] : p.newContentTypes) {
      const std::string name = "/" + part;
      pugi::xml_node o =
          types.child("Types").find_child_by_attribute("Override", "PartName", name.c_str());
      if (!o) {
        o = types.child("Types").append_child("Override");
        o.append_attribute("PartName") = name.c_str();
      }
      (o.attribute("ContentType") ? o.attribute("ContentType")
                                  : o.append_attribute("ContentType")) = type;
    }
    parts["[Content_Types].xml"] = Serialize(types);
  }
  if (parts.empty()) return;

  try {
    // The new file must read back whole before it takes the old one's place.
    ReplaceFile(
        p.path, RewrittenZipBytes(p.file, parts), kNewFileMode,
        [](const std::string& written) { Open(written, true)->LoadAll(); }, p.beforeRename);
  } catch (const ReplaceError& e) {
    throw HostError("The workbook file " + p.file + " " + e.what());
  }
  p.zip = std::make_unique<ZipReader>(p.file);
  for (const auto& s : p.sheets) {
    s->isNew_ = false;
    s->dirty_.clear();
  }
  p.workbookChanged = p.relsChanged = p.stylesChanged = false;
  p.newContentTypes.clear();
}

}  // namespace qv::host
