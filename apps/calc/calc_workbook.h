#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XNumberFormatter.hpp>

#include <memory>
#include <vector>

#include "host/host.h"

namespace qv::calc {

class CalcWorkbook;

// A sheet of a Calc document. UNO's failures become HostErrors with the office's description.
class CalcSheet : public host::Sheet {
 public:
  CalcSheet(CalcWorkbook& book, css::uno::Reference<css::sheet::XSpreadsheet> sheet)
      : book_(book), sheet_(std::move(sheet)) {}

  std::string Name() const override;
  void SetName(const std::string& name) override;
  Variant Value(host::CellRef cell) const override;
  std::string Text(host::CellRef cell) const override;
  void SetValue(host::CellRef cell, const Variant& value) override;
  void EnterText(host::CellRef cell, const std::string& text) override;
  void SetBold(host::CellRef cell, bool bold) override;
  void SelectColumn(int column) override;

  const css::uno::Reference<css::sheet::XSpreadsheet>& Uno() const { return sheet_; }

 private:
  // Writes `value`, giving a date the number format `dateFormat` unless its cell shows dates.
  void Store(host::CellRef cell, const Variant& value, const std::string& dateFormat);

  CalcWorkbook& book_;
  css::uno::Reference<css::sheet::XSpreadsheet> sheet_;
};

// A Calc document as the add-in's workbook: its sheets, the one the user looks at.
class CalcWorkbook : public host::Workbook {
 public:
  CalcWorkbook(css::uno::Reference<css::uno::XComponentContext> context,
               css::uno::Reference<css::sheet::XSpreadsheetDocument> document);

  std::string Name() const override;
  int SheetCount() const override;
  host::Sheet& SheetAt(int index) override;
  host::Sheet* FindSheet(std::string_view name) override;
  host::Sheet& AddSheetAfter(host::Sheet& after) override;
  host::Sheet* ActiveSheet() override;
  void Activate(host::Sheet& sheet) override;

  const css::uno::Reference<css::sheet::XSpreadsheetDocument>& Uno() const { return document_; }
  // The date of a serial number 0 in this document, as a serial of the add-in's dates.
  double DateBase() const { return dateBase_; }
  // The document's number format of `code` (the add-in's codes are those of the en-US locale).
  sal_Int32 FormatKey(const std::string& code);
  // The document's format of TRUE and FALSE.
  sal_Int32 BooleanKey();
  // The kind of a number format (css::util::NumberFormat's flags).
  sal_Int16 FormatKind(sal_Int32 key);
  // The kind of number `number` is when it shows as `shown`: a boolean, or what the document
  // would read the text as; `otherwise` when it reads none.
  sal_Int16 KindShown(const rtl::OUString& shown, double number, sal_Int16 otherwise);

 private:
  CalcSheet& SheetFor(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);
  // Where a sheet stands now, from 1.
  static int IndexOf(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);

  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::sheet::XSpreadsheetDocument> document_;
  css::uno::Reference<css::util::XNumberFormatter> formatter_;
  double dateBase_ = 0;
  std::vector<std::unique_ptr<CalcSheet>> sheets_;
};

}  // namespace qv::calc
