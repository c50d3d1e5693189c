#include "calc_workbook.h"

#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NotNumericException.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/NumberFormatter.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <rtl/uri.hxx>

#include "host/error_names.h"
#include "host/sheet_names.h"
#include "uno_text.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::calc {

using namespace css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

// Runs `f`, turning the office's failures into HostErrors: Disconnected for an object that is
// gone, the office's own description for the rest.
template <typename F>
auto Guarded(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const lang::DisposedException&) {
    throw host::Disconnected("The workbook has been closed.");
  } catch (const uno::Exception& e) {
    const std::string why = FromUno(e.Message);
    throw host::HostError(why.empty() ? "Calc did not do what was asked." : why);
  }
}

const lang::Locale kUsEnglish("en", "US", "");

Reference<table::XCell> CellOf(const Reference<sheet::XSpreadsheet>& sheet, host::CellRef at) {
  return sheet->getCellByPosition(at.column - 1, at.row - 1);
}

Reference<beans::XPropertySet> Properties(const Reference<uno::XInterface>& object) {
  return Reference<beans::XPropertySet>(object, UNO_QUERY_THROW);
}

}  // namespace

// ---- sheets ----

std::string CalcSheet::Name() const {
  return Guarded(
      [&] { return FromUno(Reference<container::XNamed>(sheet_, UNO_QUERY_THROW)->getName()); });
}

void CalcSheet::SetName(const std::string& name) {
  std::vector<std::string> others;
  for (int i = 1; i <= book_.SheetCount(); ++i) {
    host::Sheet& other = book_.SheetAt(i);
    if (&other != this) others.push_back(other.Name());
  }
  host::CheckSheetName(name, others);
  Guarded([&] { Reference<container::XNamed>(sheet_, UNO_QUERY_THROW)->setName(ToUno(name)); });
}

Variant CalcSheet::Value(host::CellRef at) const {
  return Guarded([&]() -> Variant {
    const Reference<table::XCell> cell = CellOf(sheet_, at);
    const table::CellContentType type = cell->getType();
    if (type == table::CellContentType_EMPTY) return {};
    if (type == table::CellContentType_TEXT)
      return FromUno(Reference<text::XText>(cell, UNO_QUERY_THROW)->getString());
    const Reference<beans::XPropertySet> props = Properties(cell);
    if (type == table::CellContentType_FORMULA) {
      sal_Int32 result = 0;
      props->getPropertyValue("FormulaResultType2") >>= result;
      const std::string shown = FromUno(Reference<text::XText>(cell, UNO_QUERY_THROW)->getString());
      if (result == sheet::FormulaResult::ERROR || cell->getError() != 0)
        return ErrorValue{host::ErrorCode(shown)};
      if (result == sheet::FormulaResult::STRING) return shown;
    }
    const double number = cell->getValue();
    sal_Int32 key = 0;
    props->getPropertyValue("NumberFormat") >>= key;
    sal_Int16 kind = book_.FormatKind(key);
    // A formula's result shows in the format its function gives (a date for TODAY(), TRUE for
    // TRUE()) while the cell's own format stays the standard one: the kind is then that of the
    // text shown.
    if (type == table::CellContentType_FORMULA &&
        !(kind &
          (util::NumberFormat::LOGICAL | util::NumberFormat::DATE | util::NumberFormat::TIME)))
      kind =
          book_.KindShown(Reference<text::XText>(cell, UNO_QUERY_THROW)->getString(), number, kind);
    if (kind & util::NumberFormat::LOGICAL) return number != 0;
    if (kind & (util::NumberFormat::DATE | util::NumberFormat::TIME))
      return DateTime::FromSerial(number + book_.DateBase());
    return number;
  });
}

std::string CalcSheet::Text(host::CellRef at) const {
  return Guarded([&] {
    const Reference<table::XCell> cell = CellOf(sheet_, at);
    // A formula not yet calculated shows its result in the format its function gives only once
    // it is: asking for its result's type calculates it.
    if (cell->getType() == table::CellContentType_FORMULA)
      Properties(cell)->getPropertyValue("FormulaResultType2");
    return FromUno(Reference<text::XText>(cell, UNO_QUERY_THROW)->getString());
  });
}

void CalcSheet::SetValue(host::CellRef at, const Variant& value) {
  const bool date = value.kind() == Variant::Kind::Date;
  Store(at, value, date && value.AsDate().HasTime() ? kDateTimeFormat : date ? kDateFormat : "");
}

void CalcSheet::EnterText(host::CellRef at, const std::string& text) {
  const TypedEntry entry = TypedValue(text);
  Store(at, entry.value, entry.format);
}

void CalcSheet::Store(host::CellRef at, const Variant& value, const std::string& dateFormat) {
  Guarded([&] {
    const Reference<table::XCell> cell = CellOf(sheet_, at);
    switch (value.kind()) {
      case Variant::Kind::Empty:
        cell->setFormula({});
        break;
      case Variant::Kind::Number:
        cell->setValue(value.AsNumber());
        break;
      case Variant::Kind::Text:
        Reference<text::XText>(cell, UNO_QUERY_THROW)->setString(ToUno(value.AsText()));
        break;
      case Variant::Kind::Boolean:
        cell->setValue(value.AsBoolean() ? 1 : 0);
        Properties(cell)->setPropertyValue("NumberFormat", uno::Any(book_.BooleanKey()));
        break;
      case Variant::Kind::Date: {
        cell->setValue(value.AsDate().Serial() - book_.DateBase());
        if (!(Value(at).kind() == Variant::Kind::Date))
          Properties(cell)->setPropertyValue("NumberFormat", uno::Any(book_.FormatKey(dateFormat)));
        break;
      }
      case Variant::Kind::Error:
        throw host::HostError("An error value cannot be written into a cell.");
    }
  });
}

void CalcSheet::SetBold(host::CellRef at, bool bold) {
  Guarded([&] {
    Properties(CellOf(sheet_, at))
        ->setPropertyValue("CharWeight",
                           uno::Any(bold ? awt::FontWeight::BOLD : awt::FontWeight::NORMAL));
  });
}

void CalcSheet::SelectColumn(int column) {
  Guarded([&] {
    const Reference<container::XIndexAccess> columns(
        Reference<table::XColumnRowRange>(sheet_, UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW);
    const Reference<frame::XModel> model(book_.Uno(), UNO_QUERY_THROW);
    const Reference<view::XSelectionSupplier> selection(model->getCurrentController(), UNO_QUERY);
    if (selection.is()) selection->select(columns->getByIndex(column - 1));
  });
}

// ---- workbooks ----

CalcWorkbook::CalcWorkbook(Reference<uno::XComponentContext> context,
                           Reference<sheet::XSpreadsheetDocument> document)
    : context_(std::move(context)), document_(std::move(document)) {
  Guarded([&] {
    util::Date base;
    Properties(document_)->getPropertyValue("NullDate") >>= base;
    dateBase_ = DateTime::FromParts(base.Year, base.Month, base.Day).Serial();
  });
}

std::string CalcWorkbook::Name() const {
  return Guarded([&] {
    const rtl::OUString url = Reference<frame::XModel>(document_, UNO_QUERY_THROW)->getURL();
    if (url.isEmpty())
      return FromUno(Reference<frame::XTitle>(document_, UNO_QUERY_THROW)->getTitle());
    return FromUno(rtl::Uri::decode(url.copy(url.lastIndexOf('/') + 1), rtl_UriDecodeWithCharset,
                                    RTL_TEXTENCODING_UTF8));
  });
}

int CalcWorkbook::SheetCount() const {
  return Guarded([&] {
    return static_cast<int>(
        Reference<container::XIndexAccess>(document_->getSheets(), UNO_QUERY_THROW)->getCount());
  });
}

host::Sheet& CalcWorkbook::SheetAt(int index) {
  if (index < 1 || index > SheetCount())
    throw host::HostError("There is no sheet " + std::to_string(index) + ".");
  return Guarded([&]() -> host::Sheet& {
    Reference<sheet::XSpreadsheet> sheet;
    Reference<container::XIndexAccess>(document_->getSheets(), UNO_QUERY_THROW)
        ->getByIndex(index - 1) >>= sheet;
    return SheetFor(sheet);
  });
}

host::Sheet* CalcWorkbook::FindSheet(std::string_view name) {
  for (int i = 1; i <= SheetCount(); ++i) {
    host::Sheet& sheet = SheetAt(i);
    if (EqualsIgnoreCaseAscii(sheet.Name(), name)) return &sheet;
  }
  return nullptr;
}

host::Sheet& CalcWorkbook::AddSheetAfter(host::Sheet& after) {
  // A new sheet gets the first free name of the kind a spreadsheet gives ("Sheet4").
  std::string name;
  for (int n = SheetCount() + 1; FindSheet(name = "Sheet" + std::to_string(n)); ++n) {
  }
  const int at = Guarded([&] { return IndexOf(static_cast<CalcSheet&>(after).Uno()); });
  host::Sheet& added = Guarded([&]() -> host::Sheet& {
    document_->getSheets()->insertNewByName(ToUno(name), static_cast<sal_Int16>(at));
    return SheetAt(at + 1);
  });
  Activate(added);
  return added;
}

host::Sheet* CalcWorkbook::ActiveSheet() {
  return Guarded([&]() -> host::Sheet* {
    const Reference<sheet::XSpreadsheetView> view(
        Reference<frame::XModel>(document_, UNO_QUERY_THROW)->getCurrentController(), UNO_QUERY);
    if (!view.is()) return SheetCount() > 0 ? &SheetAt(1) : nullptr;
    return &SheetFor(view->getActiveSheet());
  });
}

void CalcWorkbook::Activate(host::Sheet& sheet) {
  Guarded([&] {
    const Reference<sheet::XSpreadsheetView> view(
        Reference<frame::XModel>(document_, UNO_QUERY_THROW)->getCurrentController(), UNO_QUERY);
    if (view.is()) view->setActiveSheet(static_cast<CalcSheet&>(sheet).Uno());
  });
}

sal_Int16 CalcWorkbook::FormatKind(sal_Int32 key) {
  sal_Int16 kind = 0;
  const Reference<util::XNumberFormatsSupplier> formats(document_, UNO_QUERY_THROW);
  Properties(formats->getNumberFormats()->getByKey(key))->getPropertyValue("Type") >>= kind;
  return kind;
}

sal_Int16 CalcWorkbook::KindShown(const rtl::OUString& shown, double number, sal_Int16 otherwise) {
  if (!formatter_.is()) {
    formatter_.set(util::NumberFormatter::create(context_), UNO_QUERY_THROW);
    formatter_->attachNumberFormatsSupplier(
        Reference<util::XNumberFormatsSupplier>(document_, UNO_QUERY_THROW));
  }
  // TRUE and FALSE are numbers in a boolean format, which no text is read as.
  if ((number == 0 || number == 1) &&
      formatter_->convertNumberToString(BooleanKey(), number) == shown)
    return util::NumberFormat::LOGICAL;
  try {
    return FormatKind(formatter_->detectNumberFormat(0, shown));
  } catch (const util::NotNumericException&) {
    return otherwise;
  }
}

sal_Int32 CalcWorkbook::BooleanKey() {
  const Reference<util::XNumberFormatsSupplier> formats(document_, UNO_QUERY_THROW);
  return Reference<util::XNumberFormatTypes>(formats->getNumberFormats(), UNO_QUERY_THROW)
      ->getStandardFormat(util::NumberFormat::LOGICAL, {});
}

sal_Int32 CalcWorkbook::FormatKey(const std::string& code) {
  const Reference<util::XNumberFormats> formats =
      Reference<util::XNumberFormatsSupplier>(document_, UNO_QUERY_THROW)->getNumberFormats();
  const sal_Int32 key = formats->queryKey(ToUno(code), kUsEnglish, false);
  return key >= 0 ? key : formats->addNew(ToUno(code), kUsEnglish);
}

// Calc makes a new object for a sheet each time one is asked for, and each follows its sheet as
// sheets are added and removed: a sheet is known by where it stands now.
CalcSheet& CalcWorkbook::SheetFor(const Reference<sheet::XSpreadsheet>& sheet) {
  const int index = IndexOf(sheet);
  for (const auto& s : sheets_) {
    if (IndexOf(s->Uno()) == index) return *s;
  }
  sheets_.push_back(std::make_unique<CalcSheet>(*this, sheet));
  return *sheets_.back();
}

int CalcWorkbook::IndexOf(const Reference<sheet::XSpreadsheet>& sheet) {
  return Reference<sheet::XCellRangeAddressable>(sheet, UNO_QUERY_THROW)->getRangeAddress().Sheet +
         1;
}

}  // namespace qv::calc
