#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/dispatch.h"
#include "host/host.h"

namespace qv::excel {

// A worksheet of Excel's, reached by name through IDispatch. Cells go through Range(address), a
// block of them as one range whose Value is a two-dimensional array; typed text is assigned to
// Value, which is how Excel reads what a person types. A cell's text is the one it shows in a
// column wide enough for it (see Texts).
class ExcelSheet : public host::Sheet {
 public:
  explicit ExcelSheet(Dispatch sheet) : sheet_(std::move(sheet)) {}
  const Dispatch& Object() const { return sheet_; }

  std::string Name() const override;
  void SetName(const std::string& name) override;
  Variant Value(host::CellRef cell) const override;
  std::string Text(host::CellRef cell) const override;
  void SetValue(host::CellRef cell, const Variant& value) override;
  void EnterText(host::CellRef cell, const std::string& text) override;
  void SetBold(host::CellRef cell, bool bold) override;
  void SelectColumn(int column) override;
  std::vector<Variant> Values(const host::CellBlock& block) const override;
  std::vector<std::string> Texts(const host::CellBlock& block) const override;
  void SetValues(const host::CellBlock& block, const std::vector<Variant>& values) override;
  void EnterTexts(const host::CellBlock& block, const std::vector<std::string>& texts) override;
  // Each call into Excel costs: a block as large as the port reads.
  int LargestBlockRows() const override { return host::kRowCount; }

 private:
  Dispatch Range(const host::CellBlock& block) const;
  void Write(const host::CellBlock& block, std::vector<ComVariant> cells);
  // The texts of the numbers (VT_R8 in `values`) among the cells of `part`, a run of rows of one
  // column inside `block`, by the number format they share; a run whose cells differ in format
  // is halved until each part has one.
  void ShowNumbers(const host::CellBlock& block, const host::CellBlock& part,
                   const std::vector<ComVariant>& values, std::vector<std::string>& texts) const;
  // The texts Excel's TEXT gives the numbers of `part` in the user's own format code `local`.
  void FormatNumbers(const host::CellBlock& block, const host::CellBlock& part,
                     const std::string& local, const std::vector<ComVariant>& values,
                     std::vector<std::string>& texts) const;
  // Application.International(xlDecimalSeparator), asked once.
  const std::string& DecimalSeparator() const;
  Dispatch sheet_;
  mutable std::optional<std::string> decimalSeparator_;
};

// A workbook of Excel's. It owns the wrappers of the sheets it hands out, one per sheet for the
// workbook's life: a reference it returns stays good as long as the workbook wrapper does.
class ExcelWorkbook : public host::Workbook {
 public:
  explicit ExcelWorkbook(Dispatch workbook) : workbook_(std::move(workbook)) {}
  const Dispatch& Object() const { return workbook_; }

  std::string Name() const override;
  int SheetCount() const override;
  host::Sheet& SheetAt(int index) override;
  host::Sheet* FindSheet(std::string_view name) override;
  host::Sheet& AddSheetAfter(host::Sheet& after) override;
  host::Sheet* ActiveSheet() override;
  void Activate(host::Sheet& sheet) override;

 private:
  Dispatch workbook_;
  std::vector<std::unique_ptr<ExcelSheet>> sheets_;
};

}  // namespace qv::excel
