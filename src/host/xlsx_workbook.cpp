#include "host/xlsx_workbook.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "host/number_format.h"
#include "host/replace_file_posix.h"
#include "host/sheet_names.h"
#include "host/string_table.h"
#include "host/xml_scan.h"
#include "host/zip_archive.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::host {
namespace {

constexpr const char* kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kWorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
constexpr const char* kWorksheetContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr const char* kNewSheetXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetData/></worksheet>";
constexpr const char* kStylesType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
constexpr const char* kStylesContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
// The styles of a new workbook, and of one that has none when a cell needs a style.
constexpr const char* kNewStylesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
    "borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
    "xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
    "builtinId=\"0\"/></cellStyles></styleSheet>";
// New workbook files may be read by all, as a spreadsheet program makes them.
constexpr mode_t kNewFileMode = 0666;
// Columns and rows of an .xlsx sheet; the add-in reaches the first 256 columns.
constexpr int kFileColumns = 16384;

constexpr std::pair<int, const char*> kErrors[] = {
    {2000, "#NULL!"}, {2007, "#DIV/0!"}, {2015, "#VALUE!"}, {2023, "#REF!"},
    {2029, "#NAME?"}, {2036, "#NUM!"},   {2042, "#N/A"}};

int ErrorCode(const std::string& text) {
  for (const auto& [code, name] : kErrors) {
    if (text == name) return code;
  }
  return 2015;
}

std::string ErrorName(int code) {
  for (const auto& [c, name] : kErrors) {
    if (c == code) return name;
  }
  return "#VALUE!";
}

// "XFD1048576" and everything inside it; nullopt otherwise.
std::optional<CellRef> ParseFileAddress(std::string_view a) {
  std::size_t i = 0;
  int column = 0;
  while (i < a.size() && a[i] >= 'A' && a[i] <= 'Z' && i < 3)
    column = column * 26 + (a[i++] - 'A' + 1);
  if (column < 1 || column > kFileColumns || i == a.size() || i + 7 < a.size()) return std::nullopt;
  int row = 0;
  for (; i < a.size(); ++i) {
    if (a[i] < '0' || a[i] > '9') return std::nullopt;
    row = row * 10 + (a[i] - '0');
  }
  if (row < 1 || row > kRowCount) return std::nullopt;
  return CellRef{column, row};
}

std::string Directory(const std::string& part) {
  const auto slash = part.rfind('/');
  return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

// A relationship target as a part name: relative to the source part's folder, or from the root.
std::string Resolve(const std::string& base, const std::string& target) {
  std::string path = target.starts_with('/') ? target.substr(1) : Directory(base) + target;
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const auto slash = path.find('/', start);
    const std::string piece =
        path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (piece == "..") {
      if (!pieces.empty()) pieces.pop_back();
    } else if (!piece.empty() && piece != ".") {
      pieces.push_back(piece);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string out;
  for (const auto& p : pieces) out += (out.empty() ? "" : "/") + p;
  return out;
}

std::string RelsOf(const std::string& part) {
  const auto slash = part.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  return dir + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

// The value of the attribute whose name is `local` after any prefix ("r:id" for "id").
pugi::xml_attribute PrefixedAttribute(pugi::xml_node node, const char* local) {
  for (pugi::xml_attribute a : node.attributes()) {
    const std::string_view name = a.name();
    const auto colon = name.find(':');
    if (colon != std::string_view::npos && name.substr(colon + 1) == local) return a;
  }
  return {};
}

std::string Serialize(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

std::string NumberXml(double v) {
  char buf[40];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return std::string(buf, end);
}

}  // namespace

struct XlsxPackage;

// A cell as kept in memory: what it holds, and its style.
struct XCell {
  enum Kind : std::uint8_t { Blank, Number, Shared, Inline, Boolean, Error };
  Kind kind = Blank;
  std::uint32_t style = 0;
  union {
    double number;
    std::uint32_t index;
  };
  XCell() : number(0) {}
};

class XlsxSheet : public Sheet {
 public:
  XlsxSheet(XlsxPackage& package, std::string name, std::string part, std::string relId, bool isNew)
      : package_(package),
        name_(std::move(name)),
        part_(std::move(part)),
        relId_(std::move(relId)),
        isNew_(isNew) {
    loaded_ = isNew;
  }

  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override;
  Variant Value(CellRef cell) const override;
  std::string Text(CellRef cell) const override;
  void SetValue(CellRef cell, const Variant& value) override;
  void EnterText(CellRef cell, const std::string& text) override;
  void SetBold(CellRef cell, bool bold) override;
  void SelectColumn(int) override {}
  using Sheet::SelectColumn;

  void Load() const;
  std::string Serialize() const;
  bool Changed() const { return isNew_ || !dirty_.empty(); }

  XlsxPackage& package_;
  std::string name_;
  std::string part_;
  std::string relId_;
  bool isNew_;
  std::set<std::pair<int, int>> dirty_;  // (row, column)

 private:
  const XCell* Find(CellRef c) const;
  XCell& At(CellRef c);
  // A date takes the built-in `dateFormat` unless its cell already shows dates.
  void Store(CellRef c, const Variant& value, std::string_view dateFormat);
  void Scan(std::string_view xml) const;
  mutable bool loaded_ = false;
  mutable std::vector<std::vector<XCell>> columns_;
  mutable StringTable pool_;  // the inline texts of the sheet
};

struct XlsxPackage {
  std::filesystem::path path;
  std::string file;  // for messages
  bool readOnly = false;
  std::unique_ptr<ZipReader> zip;
  std::string workbookPart;
  pugi::xml_document workbookXml;
  std::string relsPart;
  pugi::xml_document relsXml;
  std::string stylesPart;
  pugi::xml_document stylesXml;
  StringTable sharedStrings;
  struct Xf {
    std::string code;
    bool date = false;
    bool bold = false;
  };
  std::vector<Xf> xfs;
  bool date1904 = false;
  bool workbookChanged = false, relsChanged = false, stylesChanged = false;
  std::vector<std::pair<std::string, const char*>> newContentTypes;  // part, content type
  std::vector<std::unique_ptr<XlsxSheet>> sheets;
  XlsxSheet* active = nullptr;
  std::map<std::pair<std::uint32_t, int>, std::uint32_t> changedXf;
  std::function<void()> beforeRename;

  [[noreturn]] void Fail(const std::string& what) const {
    throw HostError("The workbook file " + file + " " + what);
  }
  std::string ReadPart(const std::string& part) const {
    auto data = zip->Read(part);
    if (!data) Fail("is damaged: it has no part " + part + ".");
    return std::move(*data);
  }
  void Parse(pugi::xml_document& doc, const std::string& part, const std::string& data) const {
    const auto result =
        doc.load_buffer(data.data(), data.size(), pugi::parse_full, pugi::encoding_utf8);
    if (!result) {
      Fail("is damaged: its part " + part + " is not well-formed XML (" + result.description() +
           " at byte " + std::to_string(result.offset) + ").");
    }
  }
  void LoadStyles();
  // A new relationship of the workbook to `target` (relative to the workbook part); its id.
  std::string NewRelationship(const char* type, const std::string& target);
  // Gives a workbook that has no styles part (it is optional) the styles of a new workbook.
  void EnsureStyles();
  void LoadSharedStrings(const std::string& part);
  // The style of `xf` made bold, or given a date and time format.
  // The style of `xf` made bold (kBold), or given a built-in number format (its id).
  static constexpr int kBold = -1;
  std::uint32_t StyleWith(std::uint32_t xf, int change);
  double ToSerial(DateTime d) const {
    double s = d.Serial();
    if (s >= 1 && s < 61) s -= 1;
    return date1904 ? s - 1462 : s;
  }
  DateTime FromSerial(double serial) const {
    if (date1904) serial += 1462;
    if (serial >= 1 && serial < 60) serial += 1;
    return DateTime::FromSerial(serial);
  }
};

// ---- styles ----

void XlsxPackage::LoadStyles() {
  xfs.clear();
  pugi::xml_node sheet = stylesXml.child("styleSheet");
  std::map<int, std::string> custom;
  for (pugi::xml_node f : sheet.child("numFmts").children("numFmt")) {
    custom[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").as_string();
  }
  std::vector<bool> boldFonts;
  for (pugi::xml_node f : sheet.child("fonts").children("font"))
    boldFonts.push_back(bool(f.child("b")));
  for (pugi::xml_node xf : sheet.child("cellXfs").children("xf")) {
    const int id = xf.attribute("numFmtId").as_int();
    Xf entry;
    entry.code = custom.count(id) ? custom[id] : BuiltInFormatCode(id);
    entry.date = IsDateFormat(entry.code);
    const auto font = static_cast<std::size_t>(xf.attribute("fontId").as_int());
    entry.bold = font < boldFonts.size() && boldFonts[font];
    xfs.push_back(entry);
  }
  if (xfs.empty()) xfs.push_back({"General", false, false});
}

std::uint32_t XlsxPackage::StyleWith(std::uint32_t xf, int change) {
  const bool bold = change == kBold;
  const std::pair<std::uint32_t, int> key{xf, static_cast<int>(change)};
  if (const auto it = changedXf.find(key); it != changedXf.end()) return it->second;
  EnsureStyles();
  pugi::xml_node sheet = stylesXml.child("styleSheet");
  pugi::xml_node cellXfs = sheet.child("cellXfs");
  if (!cellXfs) cellXfs = sheet.append_child("cellXfs");
  pugi::xml_node base;
  std::uint32_t i = 0;
  for (pugi::xml_node n : cellXfs.children("xf")) {
    if (i++ == xf) base = n;
  }
  pugi::xml_node copy = base ? cellXfs.append_copy(base) : cellXfs.append_child("xf");
  if (!base) {
    for (const char* a : {"numFmtId", "fontId", "fillId", "borderId", "xfId"})
      copy.append_attribute(a) = 0;
  }
  Xf entry = xf < xfs.size() ? xfs[xf] : Xf{"General", false, false};
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
    for (int n = 2; zip->Read(Directory(workbookPart) + target); ++n)
      target = "styles" + std::to_string(n) + ".xml";
    NewRelationship(kStylesType, target);
    stylesPart = Directory(workbookPart) + target;
  }
  Parse(stylesXml, stylesPart, kNewStylesXml);
  newContentTypes.emplace_back(stylesPart, kStylesContent);
  stylesChanged = true;
}

void XlsxPackage::LoadSharedStrings(const std::string& part) {
  const std::string data = ReadPart(part);
  XmlScanner sc(data, file, part);
  for (;;) {
    if (sc.AtEnd()) return;
    const auto t = sc.NextTag();
    if (t.name == "sst" && t.closing) return;
    if (t.name != "si" || t.closing) continue;
    std::string text;
    if (!t.empty) {
      for (;;) {
        const auto u = sc.NextTag();
        if (u.closing && u.name == "si") break;
        if (u.name == "rPh" || u.name == "phoneticPr" || u.name == "rPr") {
          sc.SkipElement(u);
        } else if (u.name == "t" && !u.closing && !u.empty) {
          text += sc.TextUntilTag();
          const auto end = sc.NextTag();
          if (!end.closing || end.name != "t") sc.Fail("has a <t> that is not closed");
        }
      }
    }
    sharedStrings.Add(text);
  }
}

// ---- sheets ----

const XCell* XlsxSheet::Find(CellRef c) const {
  Load();
  const auto column = static_cast<std::size_t>(c.column - 1);
  const auto row = static_cast<std::size_t>(c.row - 1);
  if (c.column < 1 || c.row < 1 || column >= columns_.size() || row >= columns_[column].size())
    return nullptr;
  return &columns_[column][row];
}

XCell& XlsxSheet::At(CellRef c) {
  Load();
  if (c.column < 1 || c.column > kColumnCount || c.row < 1 || c.row > kRowCount) {
    throw HostError("\"" + Address(c) + "\" is not a cell of the sheet " + name_ + ".");
  }
  const auto column = static_cast<std::size_t>(c.column - 1);
  const auto row = static_cast<std::size_t>(c.row - 1);
  if (column >= columns_.size()) columns_.resize(column + 1);
  if (row >= columns_[column].size()) columns_[column].resize(row + 1);
  return columns_[column][row];
}

void XlsxSheet::Load() const {
  if (loaded_) return;
  const std::string xml = package_.ReadPart(part_);
  Scan(xml);
  loaded_ = true;
}

namespace {

// The sheet's cells are read straight from the text, without a tree and without copying: the
// bulk of a workbook's bytes is here.
class SheetReader {
 public:
  SheetReader(std::string_view xml, const XmlScanner& errors)
      : begin_(xml.data()), p_(xml.data()), end_(xml.data() + xml.size()), errors_(errors) {}

  struct Attributes {
    std::string_view r, s, t;
    bool empty = false;
  };

  [[noreturn]] void Fail(const std::string& what) const {
    errors_.FailAt(what, static_cast<std::size_t>(p_ - begin_));
  }

  // Moves to the next "<"; false at the end of the text.
  bool NextLt() {
    // The gaps between tags are short: a plain loop beats a library call here.
    while (p_ < end_ && *p_ != '<') ++p_;
    return p_ < end_;
  }
  bool Starts(std::string_view word) const {
    return static_cast<std::size_t>(end_ - p_) >= word.size() &&
           std::string_view(p_, word.size()) == word;
  }
  bool StartsTag(std::string_view name) const {
    if (!Starts(name)) return false;
    const char* q = p_ + name.size();
    return q < end_ &&
           (*q == ' ' || *q == '>' || *q == '/' || *q == '\t' || *q == '\r' || *q == '\n');
  }
  void Advance(std::size_t n) { p_ += n; }
  // Reads the attributes of the tag whose name ends at p_, through its ">".
  Attributes ReadAttributes() {
    Attributes a;
    for (;;) {
      while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
      if (p_ >= end_) Fail("ends inside a tag");
      if (*p_ == '>') {
        ++p_;
        return a;
      }
      if (*p_ == '/') {
        if (p_ + 1 >= end_ || p_[1] != '>') Fail("has a broken tag");
        p_ += 2;
        a.empty = true;
        return a;
      }
      const char* name = p_;
      while (p_ < end_ && *p_ != '=' && *p_ != '>' && *p_ != ' ') ++p_;
      // Only r, s and t matter; the rest are passed over.
      if (p_ >= end_ || *p_ != '=') Fail("has an attribute without a value");
      const std::string_view key(name, static_cast<std::size_t>(p_ - name));
      ++p_;
      if (p_ >= end_ || (*p_ != '"' && *p_ != '\'')) Fail("has an attribute value without quotes");
      const char quote = *p_++;
      const char* value = p_;
      while (p_ < end_ && *p_ != quote) ++p_;
      if (p_ >= end_) Fail("ends inside an attribute value");
      const std::string_view v(value, static_cast<std::size_t>(p_ - value));
      ++p_;
      if (key == "r")
        a.r = v;
      else if (key == "s")
        a.s = v;
      else if (key == "t")
        a.t = v;
    }
  }
  // The text up to the next "<".
  std::string_view Text() {
    const char* start = p_;
    if (!NextLt()) Fail("ends in the middle of an element");
    return {start, static_cast<std::size_t>(p_ - start)};
  }
  // Expects the end tag `</name>` here.
  void Close(std::string_view name) {
    if (!Starts("</") ||
        std::string_view(p_ + 2, std::min<std::size_t>(name.size(), static_cast<std::size_t>(
                                                                        end_ - p_ - 2))) != name) {
      Fail("does not close <" + std::string(name) + ">");
    }
    const void* gt = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
    if (!gt) Fail("ends inside a tag");
    p_ = static_cast<const char*>(gt) + 1;
  }
  // Skips the element that starts at p_, whatever it holds.
  void SkipElement() {
    int depth = 0;
    do {
      if (!NextLt()) Fail("ends in the middle of an element");
      if (Starts("<!--")) {
        const auto close = std::string_view(p_, static_cast<std::size_t>(end_ - p_)).find("-->");
        if (close == std::string_view::npos) Fail("has a comment that is not closed");
        p_ += close + 3;
        continue;
      }
      const bool closing = p_ + 1 < end_ && p_[1] == '/';
      const void* gt = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
      if (!gt) Fail("ends inside a tag");
      const bool empty = static_cast<const char*>(gt)[-1] == '/';
      p_ = static_cast<const char*>(gt) + 1;
      depth += closing ? -1 : (empty ? 0 : 1);
    } while (depth > 0);
  }
  std::size_t Offset() const { return static_cast<std::size_t>(p_ - begin_); }

 private:
  const char* begin_;
  const char* p_;
  const char* end_;
  const XmlScanner& errors_;
};

// "B12" as column and row; false when it is no cell of a file's sheet.
bool ParseRef(std::string_view a, CellRef& out) {
  std::size_t i = 0;
  int column = 0;
  while (i < a.size() && i < 3 && a[i] >= 'A' && a[i] <= 'Z')
    column = column * 26 + (a[i++] - 'A' + 1);
  if (column < 1 || column > kFileColumns || i == a.size() || a.size() - i > 7) return false;
  int row = 0;
  for (; i < a.size(); ++i) {
    if (a[i] < '0' || a[i] > '9') return false;
    row = row * 10 + (a[i] - '0');
  }
  if (row < 1 || row > kRowCount) return false;
  out = {column, row};
  return true;
}

}  // namespace

void XlsxSheet::Scan(std::string_view xml) const {
  const XmlScanner errors(xml, package_.file, part_);
  SheetReader in(xml, errors);
  const auto data = xml.find("<sheetData");
  if (data == std::string_view::npos) return;
  // The dimension says how far the cells reach: the columns are sized once.
  if (const auto dim = xml.substr(0, data).find("<dimension"); dim != std::string_view::npos) {
    const std::string ref =
        XmlScanner::Attribute(xml.substr(dim + 10, xml.find('>', dim) - dim - 10), "ref");
    CellRef last{};
    if (const auto colon = ref.find(':');
        colon != std::string::npos && ParseRef(ref.substr(colon + 1), last)) {
      columns_.resize(static_cast<std::size_t>(std::min(last.column, kColumnCount)));
      for (auto& column : columns_) column.reserve(static_cast<std::size_t>(last.row));
    }
  }
  in.Advance(data + 10);
  if (in.ReadAttributes().empty) return;
  const auto& strings = package_.sharedStrings;
  const auto& xfs = package_.xfs;
  int rowNumber = 0;
  int columnNumber = 0;
  for (;;) {
    if (!in.NextLt()) in.Fail("ends inside <sheetData>");
    if (in.Starts("</sheetData")) return;
    if (in.Starts("</row")) {
      in.Close("row");
      continue;
    }
    if (in.StartsTag("<row")) {
      in.Advance(4);
      const auto a = in.ReadAttributes();
      if (a.r.empty()) {
        ++rowNumber;
      } else {
        int n = 0;
        const auto [p, ec] = std::from_chars(a.r.data(), a.r.data() + a.r.size(), n);
        if (ec != std::errc() || p != a.r.data() + a.r.size() || n < 1 || n > kRowCount) {
          in.Fail("has a row \"" + std::string(a.r) + "\" outside the sheet");
        }
        rowNumber = n;
      }
      columnNumber = 0;
      continue;
    }
    if (!in.StartsTag("<c")) {
      in.SkipElement();
      continue;
    }
    in.Advance(2);
    const auto a = in.ReadAttributes();
    CellRef at{columnNumber + 1, rowNumber};
    if (!a.r.empty() && !ParseRef(a.r, at))
      in.Fail("has a cell \"" + std::string(a.r) + "\" outside the sheet");
    columnNumber = at.column;
    std::string_view value;
    std::string text;  // an inline string, or a value with entities
    bool hasValue = false, owned = false;
    if (!a.empty) {
      for (;;) {
        if (!in.NextLt()) in.Fail("ends inside a cell");
        if (in.Starts("</c>")) {
          in.Advance(4);
          break;
        }
        if (in.StartsTag("<v")) {
          in.Advance(2);
          if (!in.ReadAttributes().empty) {
            value = in.Text();
            in.Close("v");
          }
          hasValue = true;
        } else if (in.StartsTag("<is")) {
          // Rich text: the <t> of every run, phonetic runs left out.
          in.Advance(3);
          if (!in.ReadAttributes().empty) {
            for (;;) {
              if (!in.NextLt()) in.Fail("ends inside a cell");
              if (in.Starts("</is")) {
                in.Close("is");
                break;
              }
              if (in.StartsTag("<t")) {
                in.Advance(2);
                if (!in.ReadAttributes().empty) {
                  text += XmlScanner::Decode(in.Text(), true);
                  in.Close("t");
                }
              } else if (in.StartsTag("<r") || in.Starts("</r>")) {
                if (in.Starts("</r>")) {
                  in.Advance(4);
                } else {
                  in.Advance(2);
                  in.ReadAttributes();
                }
              } else {
                in.SkipElement();
              }
            }
          }
          hasValue = owned = true;
        } else {
          in.SkipElement();
        }
      }
    }
    if (at.column > kColumnCount) continue;  // beyond the columns the add-in names
    XCell cell;
    if (!a.s.empty()) {
      unsigned style = 0;
      const auto [p, ec] = std::from_chars(a.s.data(), a.s.data() + a.s.size(), style);
      if (ec != std::errc() || style >= xfs.size()) {
        in.Fail("has a cell " + Address(at) + " whose style " + std::string(a.s) +
                " does not exist");
      }
      cell.style = style;
    }
    if (hasValue) {
      const std::string_view t = a.t;
      if (t.empty() || t == "n") {
        if (!value.empty()) {
          const auto [p, ec] =
              std::from_chars(value.data(), value.data() + value.size(), cell.number);
          if (ec != std::errc() || p != value.data() + value.size()) {
            in.Fail("has a cell " + Address(at) + " whose number \"" + std::string(value) +
                    "\" does not read");
          }
          cell.kind = XCell::Number;
        }
      } else if (t == "s") {
        unsigned index = 0;
        const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), index);
        if (ec != std::errc() || p != value.data() + value.size() || index >= strings.size()) {
          in.Fail("has a cell " + Address(at) + " whose shared string " + std::string(value) +
                  " is out of range (there are " + std::to_string(strings.size()) + ")");
        }
        cell.kind = XCell::Shared;
        cell.index = index;
      } else if (t == "inlineStr" || t == "str") {
        cell.kind = XCell::Inline;
        cell.index = static_cast<std::uint32_t>(pool_.size());
        pool_.Add(owned ? text : XmlScanner::Decode(value, true));
      } else if (t == "b") {
        cell.kind = XCell::Boolean;
        cell.number = value == "1" ? 1 : 0;
      } else if (t == "e") {
        cell.kind = XCell::Error;
        cell.index = static_cast<std::uint32_t>(ErrorCode(std::string(value)));
      } else if (t == "d") {
        std::string iso(value.substr(0, 19));
        if (iso.size() >= 10) iso.replace(4, 1, "/").replace(7, 1, "/");
        const auto date = ParseDateTime(ReplaceAll(iso, "T", " "));
        cell.kind = XCell::Number;
        cell.number = date ? package_.ToSerial(*date) : 0;
      } else {
        in.Fail("has a cell " + Address(at) + " of an unknown type \"" + std::string(t) + "\"");
      }
    }
    if (cell.kind == XCell::Blank && cell.style == 0) continue;
    const auto column = static_cast<std::size_t>(at.column - 1);
    const auto row = static_cast<std::size_t>(at.row - 1);
    if (column >= columns_.size()) columns_.resize(column + 1);
    auto& cells = columns_[column];
    if (row >= cells.size())
      cells.resize(std::max(row + 1, std::min(cells.capacity(), cells.size() * 3 / 2 + 16)));
    cells[row] = cell;
  }
}

Variant XlsxSheet::Value(CellRef c) const {
  const XCell* cell = Find(c);
  if (!cell) return {};
  switch (cell->kind) {
    case XCell::Blank:
      return {};
    case XCell::Number:
      if (package_.xfs[cell->style].date) return package_.FromSerial(cell->number);
      return cell->number;
    case XCell::Shared:
      return std::string(package_.sharedStrings[cell->index]);
    case XCell::Inline:
      return std::string(pool_[cell->index]);
    case XCell::Boolean:
      return cell->number != 0;
    case XCell::Error:
      return ErrorValue{static_cast<int>(cell->index)};
  }
  return {};
}

std::string XlsxSheet::Text(CellRef c) const {
  const XCell* cell = Find(c);
  if (!cell) return {};
  const std::string& code = package_.xfs[cell->style].code;
  switch (cell->kind) {
    case XCell::Blank:
      return {};
    case XCell::Number: {
      const double v =
          package_.xfs[cell->style].date && package_.date1904 ? cell->number + 1462 : cell->number;
      return FormatNumber(v, code);
    }
    case XCell::Shared:
      return FormatText(package_.sharedStrings[cell->index], code);
    case XCell::Inline:
      return FormatText(pool_[cell->index], code);
    case XCell::Boolean:
      return cell->number != 0 ? "TRUE" : "FALSE";
    case XCell::Error:
      return ErrorName(static_cast<int>(cell->index));
  }
  return {};
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
      if (!package_.xfs[cell.style].date)
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
  if (bold && !package_.xfs[cell.style].bold)
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
    // The rows are in order; find the one for r, or the place for it.
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
    const std::string ref = Address({c, r});
    pugi::xml_node cellNode;
    int columnNumber = 0;
    for (pugi::xml_node n = row.child("c"); n; n = n.next_sibling("c")) {
      const auto at = n.attribute("r") ? ParseFileAddress(n.attribute("r").as_string())
                                       : std::optional<CellRef>();
      columnNumber = at ? at->column : columnNumber + 1;
      if (columnNumber == c) {
        cellNode = n;
        break;
      }
      if (columnNumber > c) {
        cellNode = row.insert_child_before("c", n);
        break;
      }
    }
    if (!cellNode) cellNode = row.append_child("c");
    const XCell& cell = columns_[static_cast<std::size_t>(c - 1)][static_cast<std::size_t>(r - 1)];
    // The cell is written afresh, keeping only its place.
    while (cellNode.first_child()) cellNode.remove_child(cellNode.first_child());
    while (cellNode.first_attribute()) cellNode.remove_attribute(cellNode.first_attribute());
    cellNode.append_attribute("r") = ref.c_str();
    if (cell.style != 0) cellNode.append_attribute("s") = cell.style;
    switch (cell.kind) {
      case XCell::Blank:
        break;
      case XCell::Number:
        cellNode.append_child("v").text() = NumberXml(cell.number).c_str();
        break;
      case XCell::Shared:
      case XCell::Inline: {
        const std::string text(cell.kind == XCell::Shared ? package_.sharedStrings[cell.index]
                                                          : pool_[cell.index]);
        cellNode.append_attribute("t") = "inlineStr";
        pugi::xml_node t = cellNode.append_child("is").append_child("t");
        t.append_attribute("xml:space") = "preserve";
        t.text() = text.c_str();
        break;
      }
      case XCell::Boolean:
        cellNode.append_attribute("t") = "b";
        cellNode.append_child("v").text() = cell.number != 0 ? "1" : "0";
        break;
      case XCell::Error:
        cellNode.append_attribute("t") = "e";
        cellNode.append_child("v").text() = ErrorName(static_cast<int>(cell.index)).c_str();
        break;
    }
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

// ---- the workbook ----

XlsxWorkbook::XlsxWorkbook(std::unique_ptr<XlsxPackage> package) : package_(std::move(package)) {}
XlsxWorkbook::~XlsxWorkbook() = default;

std::unique_ptr<XlsxWorkbook> XlsxWorkbook::Open(const std::filesystem::path& path, bool readOnly) {
  auto p = std::make_unique<XlsxPackage>();
  p->path = path;
  p->file = path.string();
  p->readOnly = readOnly;
  p->zip = std::make_unique<ZipReader>(p->file);

  p->workbookPart = "xl/workbook.xml";
  if (const auto rootRels = p->zip->Read("_rels/.rels")) {
    pugi::xml_document doc;
    p->Parse(doc, "_rels/.rels", *rootRels);
    for (pugi::xml_node r : doc.child("Relationships").children("Relationship")) {
      if (std::string_view(r.attribute("Type").as_string()).ends_with("/officeDocument")) {
        p->workbookPart = Resolve("", r.attribute("Target").as_string());
      }
    }
  }
  p->Parse(p->workbookXml, p->workbookPart, p->ReadPart(p->workbookPart));
  pugi::xml_node workbook = p->workbookXml.child("workbook");
  if (!workbook) p->Fail("is damaged: its part " + p->workbookPart + " is no workbook.");
  const std::string pr = workbook.child("workbookPr").attribute("date1904").as_string();
  p->date1904 = pr == "1" || pr == "true";

  p->relsPart = RelsOf(p->workbookPart);
  p->Parse(p->relsXml, p->relsPart, p->ReadPart(p->relsPart));
  std::map<std::string, std::pair<std::string, std::string>> rels;  // id -> (type, part)
  for (pugi::xml_node r : p->relsXml.child("Relationships").children("Relationship")) {
    rels[r.attribute("Id").as_string()] = {
        r.attribute("Type").as_string(),
        Resolve(p->workbookPart, r.attribute("Target").as_string())};
  }
  for (const auto& [id, rel] : rels) {
    if (rel.first.ends_with("/styles")) p->stylesPart = rel.second;
  }
  // The styles part is optional: without it (or with a relationship to a part that is not there)
  // cells show as under General until a cell needs a style.
  if (!p->stylesPart.empty()) {
    if (const auto styles = p->zip->Read(p->stylesPart))
      p->Parse(p->stylesXml, p->stylesPart, *styles);
  }
  p->LoadStyles();
  for (const auto& [id, rel] : rels) {
    if (rel.first.ends_with("/sharedStrings")) p->LoadSharedStrings(rel.second);
  }

  int tab = 0;
  const int activeTab =
      workbook.child("bookViews").child("workbookView").attribute("activeTab").as_int();
  for (pugi::xml_node s : workbook.child("sheets").children("sheet")) {
    const std::string id = PrefixedAttribute(s, "id").as_string();
    const auto rel = rels.find(id);
    if (rel == rels.end())
      p->Fail("is damaged: its sheet \"" + std::string(s.attribute("name").as_string()) +
              "\" has no part.");
    if (rel->second.first.ends_with("/worksheet")) {
      p->sheets.push_back(std::make_unique<XlsxSheet>(*p, s.attribute("name").as_string(),
                                                      rel->second.second, id, false));
      if (tab == activeTab) p->active = p->sheets.back().get();
    }
    ++tab;
  }
  if (p->sheets.empty()) p->Fail("has no worksheet.");
  if (!p->active) p->active = p->sheets.front().get();
  return std::unique_ptr<XlsxWorkbook>(new XlsxWorkbook(std::move(p)));
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

std::string XlsxWorkbook::Name() const { return package_->path.filename().string(); }
int XlsxWorkbook::SheetCount() const { return static_cast<int>(package_->sheets.size()); }
const std::filesystem::path& XlsxWorkbook::Path() const { return package_->path; }

Sheet& XlsxWorkbook::SheetAt(int index) {
  if (index < 1 || index > SheetCount()) {
    throw HostError("The workbook " + Name() + " has no sheet number " + std::to_string(index) +
                    ".");
  }
  return *package_->sheets[static_cast<std::size_t>(index - 1)];
}

Sheet* XlsxWorkbook::FindSheet(std::string_view name) {
  for (const auto& s : package_->sheets) {
    if (EqualsIgnoreCaseAscii(s->name_, name)) return s.get();
  }
  return nullptr;
}

Sheet* XlsxWorkbook::ActiveSheet() { return package_->active; }

void XlsxWorkbook::Activate(Sheet& sheet) {
  for (const auto& s : package_->sheets) {
    if (s.get() == &sheet) package_->active = s.get();
  }
}

bool XlsxWorkbook::IsModified() const {
  if (package_->workbookChanged || package_->stylesChanged) return true;
  return std::any_of(package_->sheets.begin(), package_->sheets.end(),
                     [](const auto& s) { return s->Changed(); });
}

void XlsxWorkbook::LoadAll() {
  for (const auto& s : package_->sheets) s->Load();
}

void XlsxWorkbook::SetBeforeRename(std::function<void()> hook) {
  package_->beforeRename = std::move(hook);
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
    return p.zip->Has(part) || std::any_of(p.sheets.begin(), p.sheets.end(),
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

void XlsxWorkbook::Save() {
  XlsxPackage& p = *package_;
  if (p.readOnly)
    throw HostError("The workbook file " + p.file + " was opened read-only and is not saved.");
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
