#include "host/memory_host.h"

#include "host/number_format.h"
#include "host/sheet_names.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::host {

void MemorySheet::FinishReading() const {
  if (finishFailure_) throw HostError(*finishFailure_);
}

void MemorySheet::SetName(const std::string& name) {
  std::vector<std::string> others;
  if (ownerNames_) {
    for (auto& n : ownerNames_()) {
      if (n != name_) others.push_back(n);
    }
  }
  CheckSheetName(name, others);
  name_ = name;
}

const MemorySheet::CellData* MemorySheet::Find(CellRef c) const {
  const auto column = static_cast<std::size_t>(c.column - 1);
  const auto row = static_cast<std::size_t>(c.row - 1);
  if (column >= columns_.size() || row >= columns_[column].size()) return nullptr;
  return &columns_[column][row];
}

MemorySheet::CellData& MemorySheet::At(CellRef c) {
  if (c.column < 1 || c.column > kColumnCount || c.row < 1 || c.row > kRowCount) {
    throw HostError("\"" + Address(c) + "\" is not a cell of the sheet.");
  }
  const auto column = static_cast<std::size_t>(c.column - 1);
  const auto row = static_cast<std::size_t>(c.row - 1);
  if (column >= columns_.size()) columns_.resize(column + 1);
  if (row >= columns_[column].size()) columns_[column].resize(row + 1);
  return columns_[column][row];
}

Variant MemorySheet::Value(CellRef cell) const {
  const CellData* data = Find(cell);
  return data ? data->value : Variant();
}

std::string MemorySheet::Text(CellRef cell) const {
  const CellData* data = Find(cell);
  if (!data) return {};
  return data->text ? *data->text : ValueAsText(data->value);
}

void MemorySheet::SetValue(CellRef cell, const Variant& value) {
  auto& data = At(cell);
  data.value = value;
  data.text.reset();
}

void MemorySheet::EnterText(CellRef cell, const std::string& text) {
  const TypedEntry entry = TypedValue(text);
  if (entry.format.empty()) return SetValue(cell, entry.value);
  SetValueAndText(cell, entry.value, FormatNumber(entry.value.AsDate().Serial(), entry.format));
}

void MemorySheet::SetValueAndText(CellRef cell, const Variant& value, const std::string& text) {
  auto& data = At(cell);
  data.value = value;
  data.text = text;
}

void MemorySheet::SetBold(CellRef cell, bool bold) { At(cell).bold = bold; }

bool MemorySheet::IsBold(CellRef cell) const {
  const CellData* data = Find(cell);
  return data && data->bold;
}

std::map<std::string, Variant> MemorySheet::UsedCells() const {
  std::map<std::string, Variant> out;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    for (std::size_t r = 0; r < columns_[c].size(); ++r) {
      if (!columns_[c][r].value.IsEmpty()) {
        out[Address({static_cast<int>(c + 1), static_cast<int>(r + 1)})] = columns_[c][r].value;
      }
    }
  }
  return out;
}

MemoryWorkbook::MemoryWorkbook(std::string name, const std::vector<std::string>& sheetNames)
    : name_(std::move(name)) {
  for (const auto& n : sheetNames) {
    CheckSheetName(n, SheetNames());
    Adopt(std::make_unique<MemorySheet>(n), sheets_.size());
  }
  active_ = sheets_.empty() ? nullptr : sheets_.front().get();
}

MemoryWorkbook::MemoryWorkbook(const MemoryWorkbook& other) : Workbook(), name_(other.name_) {
  for (const auto& s : other.sheets_) {
    auto& copy = Adopt(std::make_unique<MemorySheet>(*s), sheets_.size());
    if (s.get() == other.active_) active_ = &copy;
  }
}

MemorySheet& MemoryWorkbook::Adopt(std::unique_ptr<MemorySheet> sheet, std::size_t at) {
  sheet->SetOwnerNames([this] { return SheetNames(); });
  auto& ref = *sheet;
  sheets_.insert(sheets_.begin() + static_cast<std::ptrdiff_t>(at), std::move(sheet));
  return ref;
}

std::vector<std::string> MemoryWorkbook::SheetNames() const {
  std::vector<std::string> out;
  for (const auto& s : sheets_) out.push_back(s->Name());
  return out;
}

MemorySheet& MemoryWorkbook::SheetAt(int index) {
  if (index < 1 || index > SheetCount()) {
    throw HostError("The workbook \"" + name_ + "\" has no sheet number " + std::to_string(index) +
                    ".");
  }
  return *sheets_[static_cast<std::size_t>(index - 1)];
}

MemorySheet* MemoryWorkbook::FindSheet(std::string_view name) {
  for (const auto& s : sheets_) {
    if (EqualsIgnoreCaseAscii(s->Name(), name)) return s.get();
  }
  return nullptr;
}

MemorySheet& MemoryWorkbook::AddSheetAfter(Sheet& after) {
  std::size_t at = 0;
  while (at < sheets_.size() && sheets_[at].get() != &after) ++at;
  if (at == sheets_.size()) throw HostError("That sheet is not in the workbook \"" + name_ + "\".");
  int n = SheetCount() + 1;
  while (FindSheet("Sheet" + std::to_string(n))) ++n;
  auto& sheet = Adopt(std::make_unique<MemorySheet>("Sheet" + std::to_string(n)), at + 1);
  active_ = &sheet;
  return sheet;
}

MemorySheet* MemoryWorkbook::ActiveSheet() { return active_; }

void MemoryWorkbook::Activate(Sheet& sheet) {
  for (const auto& s : sheets_) {
    if (s.get() == &sheet) active_ = s.get();
  }
}

}  // namespace qv::host
