#include "excel_host/excel_workbook.h"

#include "host/cell_ref.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::excel {

std::string ExcelSheet::Name() const { return sheet_.GetProperty("Name").ToText(); }

void ExcelSheet::SetName(const std::string& name) {
  sheet_.PutProperty("Name", ComVariant::FromText(name));
}

Dispatch ExcelSheet::Range(host::CellRef cell) const {
  return sheet_.Object("Range", {ComVariant::FromText(host::Address(cell))});
}

Variant ExcelSheet::Value(host::CellRef cell) const {
  return Range(cell).GetProperty("Value").ToValue();
}

namespace {
// Excel's xlDecimalSeparator, for Application.International.
constexpr long kDecimalSeparator = 3;

bool AllHashes(const std::string& text) {
  return !text.empty() && text.find_first_not_of('#') == std::string::npos;
}
}  // namespace

const std::string& ExcelSheet::DecimalSeparator() const {
  if (!decimalSeparator_) {
    decimalSeparator_ = sheet_.Object("Application")
                            .GetProperty("International", {ComVariant::FromInt(kDecimalSeparator)})
                            .ToText();
  }
  return *decimalSeparator_;
}

std::string ExcelSheet::Text(host::CellRef cell) const {
  // Range.Text is what the column shows right now: "########" for a number or date too wide for
  // it, and a General number shortened to fit ("9.19877E+11"). A message carries what the cell
  // shows in a column wide enough: a General number in full (as the value-as-text rule writes
  // it, with the user's decimal separator), a formatted one by Excel's own TEXT in the user's
  // format when the column cannot show it; texts, truth values and errors as Excel shows them.
  const Dispatch range = Range(cell);
  const ComVariant value = range.GetProperty("Value2");
  if (value.Get().vt != VT_R8) return range.GetProperty("Text").ToText();
  const double number = value.Get().dblVal;
  if (EqualsIgnoreCaseAscii(range.GetProperty("NumberFormat").ToText(), "General")) {
    std::string text = NumberAsText(number);
    if (const auto point = text.find('.'); point != std::string::npos)
      text.replace(point, 1, DecimalSeparator());
    return text;
  }
  std::string shown = range.GetProperty("Text").ToText();
  if (!AllHashes(shown)) return shown;
  return sheet_.Object("Application")
      .Object("WorksheetFunction")
      .Call("Text", {value, range.GetProperty("NumberFormatLocal")})
      .ToText();
}

void ExcelSheet::SetValue(host::CellRef cell, const Variant& value) {
  Range(cell).PutProperty("Value", ComVariant::From(value));
}

void ExcelSheet::EnterText(host::CellRef cell, const std::string& text) {
  Range(cell).PutProperty("Value", ComVariant::FromText(text));
}

void ExcelSheet::SetBold(host::CellRef cell, bool bold) {
  Range(cell).Object("Font").PutProperty("Bold", ComVariant::FromBool(bold));
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
