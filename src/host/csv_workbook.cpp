#include "host/csv_workbook.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/replace_file_posix.h"
#include "values/convert.h"
#include "values/cp1252.h"
#include "values/text.h"

namespace qv::host {

class CsvWorkbook::CsvSheet : public MemorySheet {
 public:
  CsvSheet(std::string name, std::string file)
      : MemorySheet(std::move(name)), file_(std::move(file)) {}
  void SetName(const std::string&) override {
    throw HostError("The sheet of the .csv file " + file_ +
                    " is named after the file and cannot be renamed.");
  }
  void SetValue(CellRef cell, const Variant& value) override {
    MemorySheet::SetValue(cell, value);
    modified = true;
  }
  void EnterText(CellRef cell, const std::string& text) override {
    MemorySheet::EnterText(cell, text);
    modified = true;
  }
  void SetBold(CellRef cell, bool bold) override { MemorySheet::SetBold(cell, bold); }
  using MemorySheet::SetBold;
  using MemorySheet::SetValue;
  bool modified = false;

 private:
  std::string file_;
};

namespace {

Variant FieldValue(const std::string& field) {
  if (field.empty()) return {};
  // Only a field written exactly as its number is written back is a number.
  if (IsNumericText(field) && NumberAsText(NumericValue(field)) == field)
    return NumericValue(field);
  return field;
}

std::string Quote(const std::string& text) {
  const bool needs = text.find_first_of(",\"\r\n") != std::string::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  return needs ? "\"" + ReplaceAll(text, "\"", "\"\"") + "\"" : text;
}

}  // namespace

void ReadCsv(const std::string& input, const std::string& file, MemorySheet& sheet, bool& crlf) {
  std::string_view text(input);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  try {
    (void)Utf8ToCp1252(std::string(text));
  } catch (const EncodingError& e) {
    // Text beyond Windows-1252 is fine in a file; only broken UTF-8 is not.
    if (e.CodePoint() == 0xFFFD) throw HostError("The file " + file + " is not UTF-8 text.");
  }
  crlf = text.find("\r\n") != std::string_view::npos;
  int row = 1, column = 1, line = 1;
  std::size_t i = 0;
  const auto store = [&](std::string field) {
    if (column > kColumnCount) {
      throw HostError("The file " + file + " has more than " + std::to_string(kColumnCount) +
                      " fields at line " + std::to_string(line) + ".");
    }
    if (row > kRowCount) throw HostError("The file " + file + " has more rows than a sheet holds.");
    const Variant v = FieldValue(field);
    if (!v.IsEmpty()) sheet.SetValue(CellRef{column, row}, v);
  };
  while (i < text.size()) {
    std::string field;
    if (text[i] == '"') {
      const int startLine = line;
      ++i;
      for (;;) {
        if (i >= text.size()) {
          throw HostError("The file " + file +
                          " has a quoted field that is never closed, from line " +
                          std::to_string(startLine) + ".");
        }
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        if (text[i] == '\n') ++line;
        field += text[i++];
      }
      if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
        throw HostError("The file " + file + " has text after a closing quote at line " +
                        std::to_string(line) + ".");
      }
    } else {
      while (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
        if (text[i] == '"') {
          throw HostError("The file " + file + " has a quote inside an unquoted field at line " +
                          std::to_string(line) + ".");
        }
        field += text[i++];
      }
    }
    store(std::move(field));
    if (i < text.size() && text[i] == ',') {
      ++column;
      ++i;
      if (i == text.size()) store("");
      continue;
    }
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
    ++row;
    ++line;
    column = 1;
  }
}

CsvWorkbook::CsvWorkbook(std::filesystem::path path, bool readOnly)
    : path_(std::move(path)),
      readOnly_(readOnly),
      sheet_(std::make_unique<CsvSheet>(path_.stem().string(), path_.string())) {}

CsvWorkbook::~CsvWorkbook() = default;

std::unique_ptr<CsvWorkbook> CsvWorkbook::Open(const std::filesystem::path& path, bool readOnly) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw HostError("The workbook file " + path.string() +
                    " cannot be opened: it does not exist or cannot be read.");
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::unique_ptr<CsvWorkbook> wb(new CsvWorkbook(path, readOnly));
  ReadCsv(text, path.string(), *wb->sheet_, wb->crlf_);
  wb->sheet_->modified = false;
  return wb;
}

std::string CsvWorkbook::Name() const { return path_.filename().string(); }

Sheet& CsvWorkbook::SheetAt(int index) {
  if (index != 1) throw HostError("The .csv file " + path_.string() + " has one sheet only.");
  return *sheet_;
}

Sheet* CsvWorkbook::FindSheet(std::string_view name) {
  return EqualsIgnoreCaseAscii(sheet_->Name(), name) ? sheet_.get() : nullptr;
}

Sheet* CsvWorkbook::ActiveSheet() { return sheet_.get(); }

Sheet& CsvWorkbook::AddSheetAfter(Sheet&) {
  throw HostError("The workbook " + path_.string() +
                  " is a .csv file, which holds one sheet only: no sheet can be added to it. Save "
                  "it as .xlsx to "
                  "add sheets.");
}

bool CsvWorkbook::IsModified() const { return sheet_->modified; }

std::string CsvWorkbook::Serialize() const {
  std::vector<std::vector<std::string>> grid;
  for (const auto& [address, value] : sheet_->UsedCells()) {
    const CellRef ref = *ParseAddress(address);
    if (grid.size() < static_cast<std::size_t>(ref.row))
      grid.resize(static_cast<std::size_t>(ref.row));
    auto& row = grid[static_cast<std::size_t>(ref.row - 1)];
    if (row.size() < static_cast<std::size_t>(ref.column))
      row.resize(static_cast<std::size_t>(ref.column));
    row[static_cast<std::size_t>(ref.column - 1)] = value.kind() == Variant::Kind::Boolean
                                                        ? (value.AsBoolean() ? "TRUE" : "FALSE")
                                                        : ValueAsText(value);
  }
  std::string out;
  for (const auto& row : grid) {
    for (std::size_t c = 0; c < row.size(); ++c) out += (c ? "," : "") + Quote(row[c]);
    out += crlf_ ? "\r\n" : "\n";
  }
  return out;
}

void CsvWorkbook::Save() {
  if (readOnly_)
    throw HostError("The workbook file " + path_.string() +
                    " was opened read-only and is not saved.");
  if (!IsModified()) return;
  const std::string data = Serialize();
  try {
    // What was written must read back as the same cells.
    ReplaceFile(
        path_, data, 0666,
        [&](const std::string& written) {
          std::ifstream in(written, std::ios::binary);
          const std::string back{std::istreambuf_iterator<char>(in), {}};
          MemorySheet check(sheet_->Name());
          bool crlf = false;
          ReadCsv(back, written, check, crlf);
          if (check.UsedCells().size() != sheet_->UsedCells().size()) {
            throw HostError("The workbook file " + path_.string() +
                            " did not read back as written; it was left as it was.");
          }
        },
        beforeRename_);
  } catch (const ReplaceError& e) {
    throw HostError("The workbook file " + path_.string() + " " + e.what());
  }
  sheet_->modified = false;
}

}  // namespace qv::host
