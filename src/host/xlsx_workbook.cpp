#include "host/xlsx_workbook.h"

#include <charconv>
#include <sstream>

#include "host/sheet_names.h"
#include "host/xlsx_package.h"
#include "values/text.h"

namespace qv::host {

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

// ---- sheets ----

const XCell* XlsxSheet::Find(CellRef c) const {
  if (!loaded_) {
    StartReading();
    // A cell outside the columns made ahead may be among those kept until the end, and the texts
    // of inline strings are in hand only then.
    const XCell* read = producer_->WaitFor(c);
    if (read && read->kind != XCell::Inline) return read;
    FinishReading();
  }
  return CellIn(columns_, c);
}

XCell& PlaceIn(CellColumns& columns, CellRef c) {
  const auto column = static_cast<std::size_t>(c.column - 1);
  const auto row = static_cast<std::size_t>(c.row - 1);
  if (column >= columns.size()) columns.resize(column + 1);
  if (row >= columns[column].size()) columns[column].resize(row + 1);
  return columns[column][row];
}

XCell& XlsxSheet::At(CellRef c) {
  // A change waits for every reading of the package: the styles it may add are read there.
  package_.Quiet();
  FinishReading();
  if (c.column < 1 || c.column > kColumnCount || c.row < 1 || c.row > kRowCount) {
    throw HostError("\"" + Address(c) + "\" is not a cell of the sheet " + name_ + ".");
  }
  return PlaceIn(columns_, c);
}

// ---- the workbook ----

XlsxWorkbook::XlsxWorkbook(std::unique_ptr<XlsxPackage> package) : package_(std::move(package)) {}
XlsxWorkbook::~XlsxWorkbook() = default;

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
  for (const auto& s : package_->sheets) s->FinishReading();
}

void XlsxWorkbook::SetBeforeRename(std::function<void()> hook) {
  package_->beforeRename = std::move(hook);
}

}  // namespace qv::host
