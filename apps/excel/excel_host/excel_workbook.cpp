#include "excel_host/excel_workbook.h"

#include "host/cell_ref.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::excel {

std::string ExcelSheet::Name() const { return sheet_.GetProperty("Name").ToText(); }

void ExcelSheet::SetName(const std::string& name) {
  sheet_.PutProperty("Name", ComVariant::FromText(name));
}

namespace {
// Excel's xlDecimalSeparator, for Application.International.
constexpr long kDecimalSeparator = 3;
// The longest formula Evaluate takes.
constexpr std::size_t kEvaluateLength = 255;

std::string RangeAddress(const host::CellBlock& block) {
  const std::string first = host::Address(block.first);
  return block.Size() == 1 ? first : first + ":" + host::Address(block.Last());
}

// Where the cell of `part` `rows` rows down is among the cells of `block`.
std::size_t IndexIn(const host::CellBlock& block, const host::CellBlock& part, int rows) {
  return static_cast<std::size_t>(part.first.row + rows - block.first.row) *
             static_cast<std::size_t>(block.columns) +
         static_cast<std::size_t>(part.first.column - block.first.column);
}
}  // namespace

Dispatch ExcelSheet::Range(const host::CellBlock& block) const {
  return sheet_.Object("Range", {ComVariant::FromText(RangeAddress(block))});
}

Variant ExcelSheet::Value(host::CellRef cell) const { return Values({cell, 1, 1}).at(0); }

std::string ExcelSheet::Text(host::CellRef cell) const { return Texts({cell, 1, 1}).at(0); }

void ExcelSheet::SetValue(host::CellRef cell, const Variant& value) {
  SetValues({cell, 1, 1}, {value});
}

void ExcelSheet::EnterText(host::CellRef cell, const std::string& text) {
  EnterTexts({cell, 1, 1}, {text});
}

std::vector<Variant> ExcelSheet::Values(const host::CellBlock& block) const {
  const std::vector<ComVariant> cells =
      Range(block).GetProperty("Value").TakeGrid(block.rows, block.columns);
  std::vector<Variant> values;
  values.reserve(cells.size());
  for (const auto& cell : cells) values.push_back(cell.ToValue());
  return values;
}

const std::string& ExcelSheet::DecimalSeparator() const {
  if (!decimalSeparator_) {
    decimalSeparator_ = sheet_.Object("Application")
                            .GetProperty("International", {ComVariant::FromInt(kDecimalSeparator)})
                            .ToText();
  }
  return *decimalSeparator_;
}

std::vector<std::string> ExcelSheet::Texts(const host::CellBlock& block) const {
  // Range.Text is what the column shows right now: "########" for a number or date too wide for
  // it, and a General number shortened to fit ("9.19877E+11"); and a range of many cells has no
  // one Text. A message carries what a cell shows in a column wide enough: a text as it is, a
  // General number in full (as the value-as-text rule writes it, with the user's decimal
  // separator), a formatted number or date by Excel's own TEXT in the user's format, a truth
  // value or an error as Excel shows it (in the user's language).
  const std::vector<ComVariant> values =
      Range(block).GetProperty("Value2").TakeGrid(block.rows, block.columns);
  std::vector<std::string> texts(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const VARTYPE type = values[i].Get().vt;
    if (type == VT_BSTR) {
      texts[i] = values[i].ToText();
    } else if (type != VT_EMPTY && type != VT_R8) {
      texts[i] = Range({block.At(i), 1, 1}).GetProperty("Text").ToText();
    }
  }
  for (int c = 0; c < block.columns; ++c) {
    ShowNumbers(block, {{block.first.column + c, block.first.row}, 1, block.rows}, values, texts);
  }
  return texts;
}

void ExcelSheet::ShowNumbers(const host::CellBlock& block, const host::CellBlock& part,
                             const std::vector<ComVariant>& values,
                             std::vector<std::string>& texts) const {
  const auto isNumber = [&](int r) { return values[IndexIn(block, part, r)].Get().vt == VT_R8; };
  int first = 0, last = part.rows - 1;
  while (first <= last && !isNumber(first)) ++first;
  while (last > first && !isNumber(last)) --last;
  if (first > last) return;
  const host::CellBlock numbers{{part.first.column, part.first.row + first}, 1, last - first + 1};
  const Dispatch range = Range(numbers);
  const ComVariant format = range.GetProperty("NumberFormat");
  if (format.Get().vt == VT_NULL) {
    // Cells of more than one format: Excel names none.
    if (numbers.rows < 2)
      throw host::HostError("The spreadsheet gave no number format for cell " +
                            host::Address(numbers.first) + ".");
    const int half = numbers.rows / 2;
    ShowNumbers(block, {numbers.first, 1, half}, values, texts);
    ShowNumbers(block, {{numbers.first.column, numbers.first.row + half}, 1, numbers.rows - half},
                values, texts);
    return;
  }
  if (!EqualsIgnoreCaseAscii(format.ToText(), "General")) {
    FormatNumbers(block, numbers, range.GetProperty("NumberFormatLocal").ToText(), values, texts);
    return;
  }
  for (int r = 0; r < numbers.rows; ++r) {
    const ComVariant& value = values[IndexIn(block, numbers, r)];
    if (value.Get().vt != VT_R8) continue;
    std::string text = NumberAsText(value.Get().dblVal);
    if (const auto point = text.find('.'); point != std::string::npos)
      text.replace(point, 1, DecimalSeparator());
    texts[IndexIn(block, numbers, r)] = std::move(text);
  }
}

void ExcelSheet::FormatNumbers(const host::CellBlock& block, const host::CellBlock& part,
                               const std::string& local, const std::vector<ComVariant>& values,
                               std::vector<std::string>& texts) const {
  // TEXT over the whole run in one Evaluate, which gives an array for a range; where that cannot
  // be (a formula too long, an Excel that answers otherwise), the function cell by cell.
  const std::string formula =
      "TEXT(" + RangeAddress(part) + ",\"" + ReplaceAll(local, "\"", "\"\"") + "\")";
  std::vector<ComVariant> shown;
  if (formula.size() <= kEvaluateLength) {
    try {
      shown = sheet_.Call("Evaluate", {ComVariant::FromText(formula)}).TakeGrid(part.rows, 1);
    } catch (const host::HostError&) {
      shown.clear();
    }
  }
  Dispatch functions;
  for (int r = 0; r < part.rows; ++r) {
    const std::size_t i = IndexIn(block, part, r);
    if (values[i].Get().vt != VT_R8) continue;
    if (!shown.empty() && shown[static_cast<std::size_t>(r)].Get().vt == VT_BSTR) {
      texts[i] = shown[static_cast<std::size_t>(r)].ToText();
      continue;
    }
    if (!functions) functions = sheet_.Object("Application").Object("WorksheetFunction");
    texts[i] = functions.Call("Text", {values[i], ComVariant::FromText(local)}).ToText();
  }
}

void ExcelSheet::Write(const host::CellBlock& block, std::vector<ComVariant> cells) {
  const Dispatch range = Range(block);
  if (block.Size() == 1) {
    range.PutProperty("Value", cells.at(0));
  } else {
    range.PutProperty("Value", ComVariant::FromGrid(block.rows, block.columns, cells));
  }
}

void ExcelSheet::SetValues(const host::CellBlock& block, const std::vector<Variant>& values) {
  std::vector<ComVariant> cells;
  cells.reserve(block.Size());
  for (std::size_t i = 0; i < block.Size(); ++i) cells.push_back(ComVariant::From(values.at(i)));
  Write(block, std::move(cells));
}

void ExcelSheet::EnterTexts(const host::CellBlock& block, const std::vector<std::string>& texts) {
  std::vector<ComVariant> cells;
  cells.reserve(block.Size());
  for (std::size_t i = 0; i < block.Size(); ++i) cells.push_back(ComVariant::FromText(texts.at(i)));
  Write(block, std::move(cells));
}

void ExcelSheet::SetBold(host::CellRef cell, bool bold) {
  Range({cell, 1, 1}).Object("Font").PutProperty("Bold", ComVariant::FromBool(bold));
}

void ExcelSheet::SelectColumn(int column) {
  sheet_.Object("Columns", {ComVariant::FromInt(column)}).Call("Select");
}

std::string ExcelWorkbook::Name() const { return workbook_.GetProperty("Name").ToText(); }

int ExcelWorkbook::SheetCount() const {
  return static_cast<int>(workbook_.Object("Worksheets").GetProperty("Count").ToLong());
}

host::Sheet& ExcelWorkbook::SheetAt(int index) {
  if (index < 1 || index > SheetCount()) {
    throw host::HostError("The workbook " + Name() + " has no sheet number " +
                          std::to_string(index) + ".");
  }
  return WrapOnce(sheets_,
                  workbook_.Object("Worksheets").Object("Item", {ComVariant::FromInt(index)}));
}

host::Sheet* ExcelWorkbook::FindSheet(std::string_view name) {
  const int count = SheetCount();
  for (int i = 1; i <= count; ++i) {
    host::Sheet& sheet = SheetAt(i);
    if (EqualsIgnoreCaseAscii(sheet.Name(), name)) return &sheet;
  }
  return nullptr;
}

host::Sheet& ExcelWorkbook::AddSheetAfter(host::Sheet& after) {
  const auto& anchor = static_cast<ExcelSheet&>(after);
  // Worksheets.Add(Before, After): the new sheet after `after`, and active, as Excel makes it.
  const ComVariant added =
      workbook_.Object("Worksheets")
          .Call("Add", {ComVariant::Missing(), ComVariant::FromObject(anchor.Object().Get())});
  return WrapOnce(sheets_, Dispatch::From(added));
}

host::Sheet* ExcelWorkbook::ActiveSheet() {
  const ComVariant active = workbook_.GetProperty("ActiveSheet");
  if (active.Get().vt != VT_DISPATCH || !active.Get().pdispVal) return nullptr;
  return &WrapOnce(sheets_, Dispatch::From(active));
}

void ExcelWorkbook::Activate(host::Sheet& sheet) {
  static_cast<ExcelSheet&>(sheet).Object().Call("Activate");
}

}  // namespace qv::excel
