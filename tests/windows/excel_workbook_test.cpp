// The workbook and sheet adapters over a small fake of Excel's object model: the calls they make
// by name, the values that cross, the wrappers they keep, and every reference given back.
#include "excel_host/excel_workbook.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "values/convert.h"
#include "windows/fake_dispatch.h"

namespace qv::testing {
namespace {

using excel::ComPtr;
using excel::ComVariant;
using excel::Dispatch;

// A worksheet: Name, Range(address) with Value, Text and Font.Bold, Columns(n).Select,
// Activate. Range, font and column objects are made per call and kept until the sheet goes.
class FakeSheet : public FakeObject {
 public:
  explicit FakeSheet(std::string sheetName, std::function<void(FakeSheet*)> activate)
      : name(std::move(sheetName)) {
    Define("Name", [this](const Received& c) {
      if (c.flags != DISPATCH_PROPERTYPUT) return ComVariant::FromText(name);
      name = c.args.back().ToText();
      return ComVariant();
    });
    Define("Range", [this](const Received& c) { return Range(c.args.at(0).ToText()); });
    Define("Columns", [this](const Received& c) {
      const long column = c.args.at(0).ToLong();
      auto& object = Made();
      object.Define("Select", [this, column](const Received&) {
        selectedColumn = column;
        return ComVariant();
      });
      return ComVariant::FromObject(&object);
    });
    Define("Application", [this](const Received&) {
      auto& application = Made();
      application.Define("International",
                         [](const Received&) { return ComVariant::FromText(","); });
      return ComVariant::FromObject(&application);
    });
    Define("Activate", [this, activate](const Received&) {
      activate(this);
      return ComVariant();
    });
  }
  FakeObject& Made() { return made.emplace_back(); }
  ComVariant Range(const std::string& address) {
    auto& range = Made();
    range.Define("Value", [this, address](const Received& c) {
      if (c.flags == DISPATCH_PROPERTYPUT) {
        cells[address] = c.args.back();
        return ComVariant();
      }
      return cells[address];
    });
    range.Define("Value2", [this, address](const Received&) { return cells[address]; });
    range.Define("NumberFormat", [](const Received&) { return ComVariant::FromText("General"); });
    range.Define("Text", [this, address](const Received&) {
      return ComVariant::FromText(ValueAsText(cells[address].ToValue()));
    });
    range.Define("Font", [this, address](const Received&) {
      auto& font = Made();
      font.Define("Bold", [this, address](const Received& c) {
        bold[address] = c.args.back().ToBool();
        return ComVariant();
      });
      return ComVariant::FromObject(&font);
    });
    return ComVariant::FromObject(&range);
  }

  std::string name;
  std::map<std::string, ComVariant> cells;
  std::map<std::string, bool> bold;
  long selectedColumn = 0;
  std::deque<FakeObject> made;
};

// A workbook: Name, ActiveSheet, Worksheets with Count, Item(n) and Add(Before, After).
class FakeWorkbook : public FakeObject {
 public:
  explicit FakeWorkbook(const std::vector<std::string>& names) {
    for (const auto& n : names) Add(n, sheets.size());
    active = sheets.front().get();
    Define("Name", [](const Received&) { return ComVariant::FromText("Book1.xlsx"); });
    Define("ActiveSheet", [this](const Received&) { return ComVariant::FromObject(active); });
    Define("Worksheets", [this](const Received&) { return ComVariant::FromObject(&worksheets); });
    worksheets.Define("Count", [this](const Received&) {
      return ComVariant::FromInt(static_cast<long>(sheets.size()));
    });
    worksheets.Define("Item", [this](const Received& c) {
      return ComVariant::FromObject(
          sheets.at(static_cast<std::size_t>(c.args.at(0).ToLong() - 1)).get());
    });
    worksheets.Define("Add", [this](const Received& c) {
      std::size_t at = sheets.size();
      for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (c.args.size() > 1 && c.args[1].Get().vt == VT_DISPATCH &&
            c.args[1].Get().pdispVal == sheets[i].get())
          at = i + 1;
      }
      active = Add("Sheet" + std::to_string(sheets.size() + 1), at);
      return ComVariant::FromObject(active);
    });
  }
  FakeSheet* Add(const std::string& name, std::size_t at) {
    auto sheet = std::make_unique<FakeSheet>(name, [this](FakeSheet* s) { active = s; });
    FakeSheet* raw = sheet.get();
    sheets.insert(sheets.begin() + static_cast<std::ptrdiff_t>(at), std::move(sheet));
    return raw;
  }

  std::vector<std::unique_ptr<FakeSheet>> sheets;
  FakeObject worksheets;
  FakeSheet* active = nullptr;
};

TEST(ExcelWorkbook, SheetsByIndexAndNameAreKeptOnePerSheet) {
  FakeWorkbook book({"Clients", "Other"});
  {
    excel::ExcelWorkbook wb(Dispatch(ComPtr<IDispatch>::Share(&book)));
    EXPECT_EQ(wb.Name(), "Book1.xlsx");
    EXPECT_EQ(wb.SheetCount(), 2);
    host::Sheet& first = wb.SheetAt(1);
    EXPECT_EQ(first.Name(), "Clients");
    EXPECT_EQ(&wb.SheetAt(1), &first) << "one wrapper per sheet";
    EXPECT_EQ(wb.FindSheet("OTHER"), &wb.SheetAt(2));
    EXPECT_EQ(wb.FindSheet("Missing"), nullptr);
    EXPECT_EQ(wb.ActiveSheet(), &first);
    EXPECT_THROW(wb.SheetAt(3), host::HostError);

    host::Sheet& added = wb.AddSheetAfter(first);
    EXPECT_EQ(book.sheets[1]->name, added.Name()) << "right after the first";
    EXPECT_EQ(wb.ActiveSheet(), &added);
    added.SetName("Report");
    EXPECT_EQ(book.sheets[1]->name, "Report");
    wb.Activate(first);
    EXPECT_EQ(book.active, book.sheets[0].get());
  }
  // The recorded calls hold copies of their arguments: forget them before counting.
  book.worksheets.calls.clear();
  EXPECT_EQ(book.references, 1u);
  EXPECT_EQ(book.worksheets.references, 1u);
  for (const auto& sheet : book.sheets) EXPECT_EQ(sheet->references, 1u) << sheet->name;
}

TEST(ExcelSheet, CellsCrossByAddressAndEveryObjectIsGivenBack) {
  FakeWorkbook book({"Clients"});
  FakeSheet& fake = *book.sheets[0];
  {
    excel::ExcelWorkbook wb(Dispatch(ComPtr<IDispatch>::Share(&book)));
    host::Sheet& sheet = wb.SheetAt(1);
    sheet.SetValueAt("B12", 919812340001.0);
    EXPECT_EQ(fake.cells["B12"].Get().vt, VT_R8);
    EXPECT_EQ(sheet.ValueAt("B12"), Variant(919812340001.0));
    EXPECT_EQ(sheet.TextAt("B12"), "919812340001");
    // A General number in full, with the user's decimal separator.
    sheet.SetValueAt("B13", 2.5);
    EXPECT_EQ(sheet.TextAt("B13"), "2,5");
    sheet.SetValueAt("C1", DateTime::FromParts(2026, 12, 7));
    EXPECT_EQ(fake.cells["C1"].Get().vt, VT_DATE);
    sheet.EnterText(host::CellRef{4, 2}, "10:30 AM");
    EXPECT_EQ(fake.cells["D2"].Get().vt, VT_BSTR) << "typed text goes to Value as text";
    sheet.SetBoldAt("A1", true);
    EXPECT_TRUE(fake.bold["A1"]);
    sheet.SelectColumnNamed("C");
    EXPECT_EQ(fake.selectedColumn, 3);
    EXPECT_EQ(sheet.ValueAt("Z9"), Variant());
  }
  for (const auto& object : fake.made) EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(fake.references, 1u);
}

// Excel's refusal of a name arrives as its own words.
TEST(ExcelSheet, ARefusedNameIsExcelsDescription) {
  FakeWorkbook book({"Clients"});
  excel::ExcelWorkbook wb(Dispatch(ComPtr<IDispatch>::Share(&book)));
  host::Sheet& sheet = wb.SheetAt(1);
  book.sheets[0]->failure = "You typed an invalid name for a sheet or chart.";
  try {
    sheet.SetName("a:b");
    FAIL() << "no error";
  } catch (const host::HostError& e) {
    EXPECT_EQ(std::string(e.what()), "You typed an invalid name for a sheet or chart.");
  }
}

}  // namespace
}  // namespace qv::testing
