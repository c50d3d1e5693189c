// Changing an .xlsx workbook in memory: cell values and styles, sheet names, new sheets.
#include <algorithm>

#include "host/number_format.h"
#include "host/sheet_names.h"
#include "host/xlsx_package.h"
#include "host/xlsx_workbook.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::host {

std::uint32_t XlsxPackage::StyleWith(std::uint32_t xf, int change) {
  const bool bold = change == kBold;
  const std::pair<std::uint32_t, int> key{xf, static_cast<int>(change)};
  if (const auto it = changedXf.find(key); it != changedXf.end()) return it->second;
  EnsureStyles();
  pugi::xml_node sheet = stylesXml.child("styleSheet");
  pugi::xml_node cellXfs = sheet.child("cellXfs");
  if (!cellXfs) {
    // Where the schema puts it: before the parts that follow it.
    pugi::xml_node next;
    for (const char* later : {"cellStyles", "dxfs", "tableStyles", "colors", "extLst"})
      if (!next) next = sheet.child(later);
    cellXfs = next ? sheet.insert_child_before("cellXfs", next) : sheet.append_child("cellXfs");
  }
  const auto plain = [&cellXfs] {
    pugi::xml_node made = cellXfs.append_child("xf");
    for (const char* a : {"numFmtId", "fontId", "fillId", "borderId", "xfId"})
      made.append_attribute(a) = 0;
    return made;
  };
  // Cells without a format show as under General, and the first format is theirs: it must stay
  // plain, so a new one never takes its place.
  if (!cellXfs.child("xf")) plain();
  pugi::xml_node base;
  std::uint32_t i = 0;
  for (pugi::xml_node n : cellXfs.children("xf")) {
    if (i++ == xf) base = n;
  }
  pugi::xml_node copy = base ? cellXfs.append_copy(base) : plain();
  Xf entry = XfOf(xf);
  if (bold) {
    pugi::xml_node fonts = sheet.child("fonts");
    if (!fonts) Fail("has no fonts in its styles, so a cell cannot be made bold.");
    const int fontId = copy.attribute("fontId").as_int();
    pugi::xml_node font;
    int f = 0;
    for (pugi::xml_node n : fonts.children("font")) {
      if (f++ == fontId) font = n;
    }
    pugi::xml_node boldFont = font ? fonts.append_copy(font) : fonts.append_child("font");
    if (!boldFont.child("b")) boldFont.prepend_child("b");
    const int count = static_cast<int>(
        std::distance(fonts.children("font").begin(), fonts.children("font").end()));
    if (fonts.attribute("count")) fonts.attribute("count") = count;
    (copy.attribute("fontId") ? copy.attribute("fontId") : copy.append_attribute("fontId")) =
        count - 1;
    (copy.attribute("applyFont") ? copy.attribute("applyFont")
                                 : copy.append_attribute("applyFont")) = 1;
    entry.bold = true;
  } else {
    const int format = change;
    (copy.attribute("numFmtId") ? copy.attribute("numFmtId") : copy.append_attribute("numFmtId")) =
        format;
    (copy.attribute("applyNumberFormat") ? copy.attribute("applyNumberFormat")
                                         : copy.append_attribute("applyNumberFormat")) = 1;
    entry.code = BuiltInFormatCode(format);
    entry.date = true;
  }
  const auto count = static_cast<std::uint32_t>(
      std::distance(cellXfs.children("xf").begin(), cellXfs.children("xf").end()));
  if (cellXfs.attribute("count")) cellXfs.attribute("count") = count;
  xfs.resize(std::max<std::size_t>(xfs.size(), count - 1));
  xfs.push_back(entry);
  stylesChanged = true;
  changedXf[key] = count - 1;
  return count - 1;
}

std::string XlsxPackage::NewRelationship(const char* type, const std::string& target) {
  pugi::xml_node relationships = relsXml.child("Relationships");
  const auto idTaken = [&](const std::string& id) {
    for (pugi::xml_node rel : relationships.children("Relationship")) {
      if (id == rel.attribute("Id").as_string()) return true;
    }
    return false;
  };
  int r = 1;
  while (idTaken("rId" + std::to_string(r))) ++r;
  const std::string relId = "rId" + std::to_string(r);
  pugi::xml_node rel = relationships.append_child("Relationship");
  rel.append_attribute("Id") = relId.c_str();
  rel.append_attribute("Type") = type;
  rel.append_attribute("Target") = target.c_str();
  relsChanged = true;
  return relId;
}

void XlsxPackage::EnsureStyles() {
  if (stylesXml.child("styleSheet")) return;
  if (stylesPart.empty()) {
    std::string target = "styles.xml";
    for (int n = 2; FindPart(Directory(workbookPart) + target); ++n)
      target = "styles" + std::to_string(n) + ".xml";
    NewRelationship(kStylesType, target);
    stylesPart = Directory(workbookPart) + target;
  }
  Parse(stylesXml, stylesPart, kNewStylesXml);
  newContentTypes.emplace_back(stylesPart, kStylesContent);
  stylesChanged = true;
}

void XlsxSheet::SetValue(CellRef c, const Variant& value) {
  const bool date = value.kind() == Variant::Kind::Date;
  Store(c, value, date && value.AsDate().HasTime() ? kDateTimeFormat : date ? kDateFormat : "");
}

void XlsxSheet::EnterText(CellRef c, const std::string& text) {
  const TypedEntry entry = TypedValue(text);
  Store(c, entry.value, entry.format);
}

void XlsxSheet::Store(CellRef c, const Variant& value, std::string_view dateFormat) {
  XCell& cell = At(c);
  switch (value.kind()) {
    case Variant::Kind::Empty:
      cell.kind = XCell::Blank;
      break;
    case Variant::Kind::Number:
      cell.kind = XCell::Number;
      cell.number = value.AsNumber();
      break;
    case Variant::Kind::Text:
      cell.kind = XCell::Inline;
      cell.index = static_cast<std::uint32_t>(pool_.size());
      pool_.Add(value.AsText());
      break;
    case Variant::Kind::Date:
      cell.kind = XCell::Number;
      cell.number = package_.ToSerial(value.AsDate());
      if (!package_.XfOf(cell.style).date)
        cell.style = package_.StyleWith(cell.style, BuiltInFormatId(dateFormat));
      break;
    case Variant::Kind::Boolean:
      cell.kind = XCell::Boolean;
      cell.number = value.AsBoolean() ? 1 : 0;
      break;
    case Variant::Kind::Error:
      cell.kind = XCell::Error;
      cell.index = static_cast<std::uint32_t>(value.AsError().code);
      break;
  }
  dirty_.insert({c.row, c.column});
}

void XlsxSheet::SetBold(CellRef c, bool bold) {
  XCell& cell = At(c);
  if (bold && !package_.XfOf(cell.style).bold)
    cell.style = package_.StyleWith(cell.style, XlsxPackage::kBold);
  dirty_.insert({c.row, c.column});
}

void XlsxSheet::SetName(const std::string& name) {
  std::vector<std::string> others;
  for (const auto& s : package_.sheets) {
    if (s.get() != this) others.push_back(s->name_);
  }
  CheckSheetName(name, others);
  for (pugi::xml_node n :
       package_.workbookXml.child("workbook").child("sheets").children("sheet")) {
    if (PrefixedAttribute(n, "id").as_string() == relId_) n.attribute("name") = name.c_str();
  }
  name_ = name;
  package_.workbookChanged = true;
}

Sheet& XlsxWorkbook::AddSheetAfter(Sheet& after) {
  XlsxPackage& p = *package_;
  auto it = std::find_if(p.sheets.begin(), p.sheets.end(),
                         [&](const auto& s) { return s.get() == &after; });
  if (it == p.sheets.end()) throw HostError("That sheet is not in the workbook " + Name() + ".");
  XlsxSheet& base = **it;

  // A part name, a relationship id and a sheet id that nothing uses yet.
  int n = 1;
  const auto partTaken = [&](const std::string& part) {
    return p.HasPart(part) || std::any_of(p.sheets.begin(), p.sheets.end(),
                                          [&](const auto& s) { return s->part_ == part; });
  };
  while (partTaken(Directory(p.workbookPart) + "worksheets/sheet" + std::to_string(n) + ".xml"))
    ++n;
  const std::string target = "worksheets/sheet" + std::to_string(n) + ".xml";
  const std::string relId = p.NewRelationship(kWorksheetType, target);

  pugi::xml_node workbook = p.workbookXml.child("workbook");
  pugi::xml_node sheets = workbook.child("sheets");
  int sheetId = 0;
  int position = 0, insertedAt = 0;
  pugi::xml_node afterNode;
  for (pugi::xml_node s : sheets.children("sheet")) {
    sheetId = std::max(sheetId, s.attribute("sheetId").as_int());
    ++position;
    if (PrefixedAttribute(s, "id").as_string() == base.relId_) {
      afterNode = s;
      insertedAt = position;
    }
  }
  int k = 1;
  std::string name;
  do {
    name = "Sheet" + std::to_string(SheetCount() + k++);
  } while (FindSheet(name));
  pugi::xml_node sheet = sheets.insert_child_after("sheet", afterNode);
  sheet.append_attribute("name") = name.c_str();
  sheet.append_attribute("sheetId") = sheetId + 1;
  // The relationship id keeps the prefix the file uses, declared where the new element can see it.
  const pugi::xml_attribute existing = PrefixedAttribute(afterNode, "id");
  const std::string idName = existing ? existing.name() : "r:id";
  const std::string declaration = "xmlns:" + idName.substr(0, idName.find(':'));
  if (!workbook.attribute(declaration.c_str())) {
    sheet.append_attribute(declaration.c_str()) = kRelationshipsNamespace;
  }
  sheet.append_attribute(idName.c_str()) = relId.c_str();
  // Names local to a sheet count sheets by position: those after the new one move along.
  for (pugi::xml_node dn : workbook.child("definedNames").children("definedName")) {
    pugi::xml_attribute local = dn.attribute("localSheetId");
    if (local && local.as_int() >= insertedAt) local = local.as_int() + 1;
  }
  p.workbookChanged = p.relsChanged = true;
  const std::string part = Directory(p.workbookPart) + target;
  p.newContentTypes.emplace_back(part, kWorksheetContent);
  auto created = std::make_unique<XlsxSheet>(p, name, part, relId, true);
  XlsxSheet& ref = *created;
  p.sheets.insert(it + 1, std::move(created));
  p.active = &ref;
  return ref;
}

}  // namespace qv::host
