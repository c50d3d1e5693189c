#include "fake_excel.h"

#include <cstdio>
#include <stdexcept>

#include "com/click_sink.h"
#include "host/error_names.h"
#include "host/number_format.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::testing {
namespace {

using excel::ComVariant;
using Member = FakeObject::Member;

ComVariant Obj(IDispatch* object) { return ComVariant::FromObject(object); }
ComVariant Nothing() { return ComVariant::FromObject(nullptr); }
bool IsPut(const Received& c) { return (c.flags & DISPATCH_PROPERTYPUT) != 0; }
bool IsMissing(const ComVariant& v) {
  return v.Get().vt == VT_ERROR && v.Get().scode == DISP_E_PARAMNOTFOUND;
}
const ComVariant& Arg(const Received& c, std::size_t i) {
  if (i >= c.args.size()) throw std::runtime_error("Argument not optional");
  return c.args[i];
}
int IntArg(const Received& c, std::size_t i) { return static_cast<int>(Arg(c, i).ToLong()); }

// A property read with `get` and written with `set`.
template <typename Get, typename Set>
Member Property(Get get, Set set) {
  return [get, set](const Received& c) -> ComVariant {
    if (IsPut(c)) {
      set(c.args.back());
      return {};
    }
    return get();
  };
}
template <typename Get>
Member ReadOnly(Get get) {
  return [get](const Received& c) -> ComVariant {
    if (IsPut(c)) throw std::runtime_error("Unable to set a read-only property");
    return get();
  };
}

// The picture the clipboard holds as a bitmap, as Excel takes it for a button's face.
ui::Picture ClipboardPicture() {
  ui::Picture picture;
  if (!OpenClipboard(nullptr)) throw std::runtime_error("The clipboard cannot be opened.");
  if (HANDLE data = GetClipboardData(CF_BITMAP)) {
    BITMAP info{};
    GetObjectW(data, sizeof info, &info);
    picture.Width = info.bmWidth;
    picture.Height = info.bmHeight;
    picture.Pixels.resize(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    GetBitmapBits(static_cast<HBITMAP>(data),
                  static_cast<LONG>(picture.Pixels.size() * sizeof(std::uint32_t)),
                  picture.Pixels.data());
  }
  CloseClipboard();
  if (picture.Pixels.empty()) throw std::runtime_error("There is no picture on the clipboard.");
  return picture;
}

// The bitmap of a picture object (IPictureDisp), as Office reads a Picture or Mask given to it.
ui::Picture PictureOf(const ComVariant& value) {
  const VARIANT& v = value.Get();
  IUnknown* object = v.vt == VT_DISPATCH ? v.pdispVal : v.vt == VT_UNKNOWN ? v.punkVal : nullptr;
  IPicture* picture = nullptr;
  if (!object || FAILED(object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture))))
    throw std::runtime_error("Type mismatch");
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  picture->get_Type(&type);
  picture->get_Handle(&handle);
  ui::Picture out;
  BITMAP info{};
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
  if (type == PICTYPE_BITMAP && GetObjectW(bitmap, sizeof info, &info) && info.bmBitsPixel == 32) {
    out.Width = info.bmWidth;
    out.Height = info.bmHeight;
    out.Pixels.resize(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(out.Pixels.size() * sizeof(std::uint32_t)),
                  out.Pixels.data());
  }
  picture->Release();
  if (out.Pixels.empty()) throw std::runtime_error("Invalid picture");
  return out;
}

}  // namespace

HRESULT FakeControlObject::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IConnectionPointContainer) {
    *out = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  return FakeObject::QueryInterface(iid, out);
}

HRESULT FakeControlObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT FakeControlObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (iid != excel::kCommandBarButtonEvents) {
    *out = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
  *out = this;
  AddRef();
  return S_OK;
}

HRESULT FakeControlObject::GetConnectionInterface(IID* iid) {
  *iid = excel::kCommandBarButtonEvents;
  return S_OK;
}

HRESULT FakeControlObject::GetConnectionPointContainer(IConnectionPointContainer** out) {
  *out = this;
  AddRef();
  return S_OK;
}

HRESULT FakeControlObject::Advise(IUnknown* sink, DWORD* cookie) {
  // As Excel does: the sink is asked for the event interface itself.
  IDispatch* events = nullptr;
  if (FAILED(
          sink->QueryInterface(excel::kCommandBarButtonEvents, reinterpret_cast<void**>(&events))))
    return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  sinks_[*cookie] = events;
  return S_OK;
}

HRESULT FakeControlObject::Unadvise(DWORD cookie) {
  const auto found = sinks_.find(cookie);
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  found->second->Release();
  sinks_.erase(found);
  return S_OK;
}

HRESULT FakeControlObject::EnumConnections(IEnumConnections** out) {
  *out = nullptr;
  return E_NOTIMPL;
}

bool FakeControlObject::FireClick(IDispatch* ctrl) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[2];
  args[1].vt = VT_DISPATCH;  // Ctrl: arguments go right to left
  args[1].pdispVal = ctrl;
  args[0].vt = VT_BOOL | VT_BYREF;
  args[0].pboolVal = &cancel;
  DISPPARAMS params{args, nullptr, 2, 0};
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) {
    sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }
  return cancel != VARIANT_FALSE;
}

FakeExcel::FakeExcel(host::MemoryApplication& app, FileTraits* traits)
    : app_(app), traits_(traits) {
  objects_.push_back(std::make_unique<FakeObject>());
  application_ = objects_.back().get();
  application_->label = "Application";
  application_->rejected = &rejectCalls;
  const auto flag = [](bool& field) {
    return Property([&field] { return ComVariant::FromBool(field); },
                    [&field](const ComVariant& v) { field = v.ToBool(); });
  };
  application_->Define("UserControl", flag(userControl));
  application_->Define("DisplayAlerts", flag(displayAlerts));
  application_->Define(
      "AutomationSecurity",
      Property([this] { return ComVariant::FromInt(automationSecurity); },
               [this](const ComVariant& v) { automationSecurity = static_cast<int>(v.ToLong()); }));
  application_->Define("ActiveWorkbook", ReadOnly([this] {
                         host::Workbook* wb = app_.ActiveWorkbook();
                         return wb ? Obj(&ObjectOf(*wb)) : Nothing();
                       }));
  application_->Define("ActiveSheet", ReadOnly([this] {
                         host::Workbook* wb = app_.ActiveWorkbook();
                         host::Sheet* sheet = wb ? wb->ActiveSheet() : nullptr;
                         return sheet ? Obj(&ObjectOf(*sheet)) : Nothing();
                       }));
  application_->Define("CommandBars",
                       ReadOnly([this] { return Obj(&ObjectOf(app_.GetCommandBars())); }));
  application_->Define("Hwnd", ReadOnly([this] { return ComVariant::FromInt(hwnd); }));
  // International(xlDecimalSeparator = 3, xlThousandsSeparator = 4), as in US English.
  application_->Define("International", [](const Received& c) {
    const long which = Arg(c, 0).ToLong();
    if (which == 3) return ComVariant::FromText(".");
    if (which == 4) return ComVariant::FromText(",");
    throw std::runtime_error("The fake knows the separators only.");
  });
  bool functionsMade = false;
  FakeObject& functions = Find(&app_, "functions", "WorksheetFunction", functionsMade);
  // TEXT(value, format): the format in the user's language, whatever a column's width.
  functions.Define("Text", [](const Received& c) {
    const excel::ComVariant& value = Arg(c, 0);
    const std::string code = Arg(c, 1).ToText();
    if (value.Get().vt == VT_BSTR)
      return ComVariant::FromText(host::FormatText(value.ToText(), code));
    return ComVariant::FromText(host::FormatNumber(value.ToValue().AsNumber(), code));
  });
  application_->Define("WorksheetFunction", ReadOnly([&functions] { return Obj(&functions); }));
  application_->Define("Visible", Property([this] { return ComVariant::FromBool(visible); },
                                           [this](const ComVariant& v) { visible = v.ToBool(); }));
  application_->Define("Quit", [this](const Received&) {
    quit = true;
    if (hidden_) hidden_->CloseAll();
    return ComVariant();
  });
  bool made = false;
  FakeObject& workbooks = Find(&app_, "workbooks", "Workbooks", made);
  // Open(Filename, UpdateLinks, ReadOnly, Format, Password, WriteResPassword,
  // IgnoreReadOnlyRecommended, ...)
  workbooks.Define("Open", [this](const Received& c) {
    const auto given = [&c](std::size_t i) { return i < c.args.size() && !IsMissing(c.args[i]); };
    const bool readOnly = given(2) && Arg(c, 2).ToBool();
    if (!readOnly) throw std::runtime_error("The fake opens workbooks read-only only.");
    const std::string path = Arg(c, 0).ToText();
    if (traits_) {
      if (traits_->password.count(path)) {
        if (!given(4)) {
          traits_->unanswered.push_back("password of " + path);
          throw std::runtime_error("(Excel waits for a password nobody types)");
        }
        throw std::runtime_error(
            "The password you supplied is not correct. Verify that the CAPS LOCK key is off and "
            "be sure to use the correct capitalization.");
      }
      if (traits_->links.count(path) && !given(1) && displayAlerts)
        traits_->unanswered.push_back("links of " + path);
      if (traits_->readOnlyRecommended.count(path) && !(given(6) && Arg(c, 6).ToBool()) &&
          displayAlerts)
        traits_->unanswered.push_back("read-only recommendation of " + path);
      if (traits_->macros.count(path) && automationSecurity != 3)
        traits_->macrosRun.push_back(path);
    }
    if (!hidden_) hidden_ = app_.CreateHiddenInstance();
    return Obj(&ObjectOf(hidden_->OpenReadOnly(path)));
  });
  application_->Define("Workbooks", ReadOnly([&workbooks] { return Obj(&workbooks); }));
}

FakeExcel::~FakeExcel() = default;

template <typename Object>
Object& FakeExcel::Find(const void* entity, const std::string& kind, const std::string& label,
                        bool& made) {
  const auto key = std::make_pair(entity, kind);
  if (const auto found = byEntity_.find(key); found != byEntity_.end()) {
    made = false;
    return static_cast<Object&>(*found->second);
  }
  auto object = std::make_unique<Object>();
  Object& out = *object;
  out.label = label;
  out.failure = failAll_;
  out.rejected = &rejectCalls;
  objects_.push_back(std::move(object));
  byEntity_[key] = &out;
  made = true;
  return out;
}

FakeObject& FakeExcel::ObjectOf(host::Workbook& wb) {
  bool made = false;
  FakeObject& o = Find(&wb, "workbook", "Workbook " + wb.Name(), made);
  if (!made) return o;
  o.Define("Name", ReadOnly([&wb] { return ComVariant::FromText(wb.Name()); }));
  FakeObject& sheets = Find(&wb, "worksheets", "Worksheets of " + wb.Name(), made);
  sheets.Define("Count", ReadOnly([&wb] { return ComVariant::FromInt(wb.SheetCount()); }));
  sheets.Define("Item", [this, &wb](const Received& c) {
    const ComVariant& which = Arg(c, 0);
    host::Sheet* sheet = which.Get().vt == VT_BSTR ? wb.FindSheet(which.ToText())
                         : which.ToLong() >= 1 && which.ToLong() <= wb.SheetCount()
                             ? &wb.SheetAt(static_cast<int>(which.ToLong()))
                             : nullptr;
    if (!sheet) throw std::runtime_error("Subscript out of range");
    return Obj(&ObjectOf(*sheet));
  });
  sheets.Define("Add", [this, &wb](const Received& c) {
    if (c.args.size() < 2 || IsMissing(Arg(c, 1)))
      throw std::runtime_error("The fake adds sheets after another only.");
    return Obj(&ObjectOf(wb.AddSheetAfter(SheetOf(Arg(c, 1)))));
  });
  o.Define("Worksheets", ReadOnly([&sheets] { return Obj(&sheets); }));
  o.Define("ActiveSheet", ReadOnly([this, &wb] {
             host::Sheet* sheet = wb.ActiveSheet();
             return sheet ? Obj(&ObjectOf(*sheet)) : Nothing();
           }));
  o.Define("Close", [](const Received&) { return ComVariant(); });
  return o;
}

FakeObject& FakeExcel::ObjectOf(host::Sheet& sheet) {
  bool made = false;
  FakeObject& o = Find(&sheet, "sheet", "Sheet " + sheet.Name(), made);
  if (!made) return o;
  sheets_[&o] = &sheet;
  o.Define("Name", Property([&sheet] { return ComVariant::FromText(sheet.Name()); },
                            [&sheet](const ComVariant& v) { sheet.SetName(v.ToText()); }));
  o.Define("Range",
           [this, &sheet](const Received& c) { return Obj(&RangeOf(sheet, Arg(c, 0).ToText())); });
  o.Define("Columns", [this, &sheet](const Received& c) {
    bool columnMade = false;
    const int column = IntArg(c, 0);
    FakeObject& col = Find(&sheet, "column " + std::to_string(column),
                           "Column " + std::to_string(column), columnMade);
    if (columnMade) {
      col.Define("Select", [&sheet, column](const Received&) {
        sheet.SelectColumn(column);
        return ComVariant();
      });
    }
    return Obj(&col);
  });
  o.Define("Application", ReadOnly([this] { return Obj(application_); }));
  o.Define("Evaluate",
           [this, &sheet](const Received& c) { return Evaluate(sheet, Arg(c, 0).ToText()); });
  o.Define("Activate", [this, &sheet](const Received&) {
    host::Workbook* wb = app_.ActiveWorkbook();
    if (!wb) throw std::runtime_error("No workbook is open.");
    wb->Activate(sheet);
    return ComVariant();
  });
  return o;
}

namespace {
// "B2" or "B2:D9", as Range takes an address.
host::CellBlock BlockOf(const std::string& address) {
  const auto colon = address.find(':');
  const host::CellRef first = host::Sheet::Cell(address.substr(0, colon));
  if (colon == std::string::npos) return {first, 1, 1};
  const host::CellRef last = host::Sheet::Cell(address.substr(colon + 1));
  if (last.column < first.column || last.row < first.row)
    throw std::runtime_error("The fake takes ranges from top left to bottom right only.");
  return {first, last.column - first.column + 1, last.row - first.row + 1};
}

std::uint64_t CellKey(host::CellRef cell) {
  return static_cast<std::uint64_t>(cell.column) << 32 | static_cast<std::uint32_t>(cell.row);
}

ComVariant Null() {
  ComVariant out;
  out.Receive()->vt = VT_NULL;
  return out;
}

// What a range answers for a property of each of its cells: a one-cell range the cell's own, a
// larger one a two-dimensional array of them.
template <typename Cell>
ComVariant EachCell(const host::CellBlock& block, Cell cell) {
  if (block.Size() == 1) return cell(block.first);
  std::vector<ComVariant> cells;
  cells.reserve(block.Size());
  for (std::size_t i = 0; i < block.Size(); ++i) cells.push_back(cell(block.At(i)));
  return ComVariant::FromGrid(block.rows, block.columns, cells);
}

// What a range answers for a property that is one for all its cells (Text, NumberFormat): the
// one its cells share, else Null.
template <typename Cell>
ComVariant Shared(const host::CellBlock& block, Cell cell) {
  const std::string first = cell(block.first);
  for (std::size_t i = 1; i < block.Size(); ++i) {
    if (cell(block.At(i)) != first) return Null();
  }
  return ComVariant::FromText(first);
}
}  // namespace

FakeObject& FakeExcel::RangeOf(host::Sheet& sheet, const std::string& address) {
  bool made = false;
  FakeObject& o = Find(&sheet, "range " + address, "Range " + address, made);
  if (!made) return o;
  const host::CellBlock block = BlockOf(address);
  const auto put = [&sheet](host::CellRef cell, const ComVariant& v) {
    // Text given to Value is read as typed, as Excel reads it.
    if (v.Get().vt == VT_BSTR) {
      sheet.EnterText(cell, v.ToText());
    } else {
      sheet.SetValue(cell, v.ToValue());
    }
  };
  o.Define("Value", Property(
                        [this, &sheet, block] {
                          return EachCell(block,
                                          [&](host::CellRef c) { return ValueOf(sheet, c, true); });
                        },
                        [block, put](const ComVariant& v) {
                          // An array fills the range cell by cell; one value goes into each.
                          if (v.Get().vt & VT_ARRAY) {
                            const auto cells = v.ToGrid(block.rows, block.columns);
                            for (std::size_t i = 0; i < cells.size(); ++i)
                              put(block.At(i), cells[i]);
                          } else {
                            for (std::size_t i = 0; i < block.Size(); ++i) put(block.At(i), v);
                          }
                        }));
  o.Define("Value2", ReadOnly([this, &sheet, block] {
             return EachCell(block, [&](host::CellRef c) { return ValueOf(sheet, c, false); });
           }));
  o.Define("Text", ReadOnly([this, &sheet, block] {
             return Shared(block, [&](host::CellRef c) { return TextOf(sheet, c); });
           }));
  const auto format = [this, &sheet, block] {
    return Shared(block, [&](host::CellRef c) { return FormatOf(sheet, c); });
  };
  o.Define("NumberFormat", ReadOnly(format));
  // The fake's user works in US English: the local code is the English one.
  o.Define("NumberFormatLocal", ReadOnly(format));
  FakeObject& font = Find(&sheet, "font " + address, "Font of " + address, made);
  font.Define("Bold", Property([] { return ComVariant::FromBool(false); },
                               [&sheet, block](const ComVariant& v) {
                                 for (std::size_t i = 0; i < block.Size(); ++i)
                                   sheet.SetBold(block.At(i), v.ToBool());
                               }));
  o.Define("Font", ReadOnly([&font] { return Obj(&font); }));
  return o;
}

ComVariant FakeExcel::Evaluate(host::Sheet& sheet, const std::string& formula) const {
  // TEXT(range, "format"), with the quotes of the format doubled, is all the fake evaluates: as
  // Excel does, TEXT over a range gives an array, each cell's value in the format.
  if (!evaluates) throw std::runtime_error("Object doesn't support this property or method");
  const std::string head = "TEXT(";
  const auto comma = formula.find(",\"");
  if (formula.size() > 255) throw std::runtime_error("The formula is too long.");
  if (formula.rfind(head, 0) != 0 || comma == std::string::npos || formula.size() < comma + 4 ||
      formula.substr(formula.size() - 2) != "\")")
    throw std::runtime_error("The fake evaluates TEXT(range, format) only.");
  const host::CellBlock block = BlockOf(formula.substr(head.size(), comma - head.size()));
  const std::string code =
      ReplaceAll(formula.substr(comma + 2, formula.size() - comma - 4), "\"\"", "\"");
  return EachCell(block, [&](host::CellRef c) {
    const Variant value = sheet.Value(c);
    if (value.kind() == Variant::Kind::Text)
      return ComVariant::FromText(host::FormatText(value.AsText(), code));
    const double number = value.kind() == Variant::Kind::Date     ? value.AsDate().Serial()
                          : value.kind() == Variant::Kind::Number ? value.AsNumber()
                                                                  : 0.0;
    return ComVariant::FromText(host::FormatNumber(number, code));
  });
}

void FakeExcel::SetFormat(host::Sheet& sheet, const std::string& address, std::string code) {
  const host::CellRef cell = host::Sheet::Cell(address);
  formats_[&sheet][CellKey(cell)] = std::move(code);
}

void FakeExcel::SetColumnWidth(host::Sheet& sheet, int column, int characters) {
  widths_[{&sheet, column}] = characters;
}

std::string FakeExcel::FormatOf(host::Sheet& sheet, host::CellRef cell) const {
  return FormatOf(sheet, cell, sheet.Value(cell));
}

std::string FakeExcel::FormatOf(host::Sheet& sheet, host::CellRef cell,
                                const Variant& value) const {
  if (const auto sheetFormats = formats_.find(&sheet); sheetFormats != formats_.end()) {
    const auto found = sheetFormats->second.find(CellKey(cell));
    if (found != sheetFormats->second.end()) return found->second;
  }
  // A date entered without a format of its own gets Excel's short date.
  return value.kind() == Variant::Kind::Date ? "m/d/yyyy" : "General";
}

ComVariant FakeExcel::ValueOf(host::Sheet& sheet, host::CellRef cell, bool typed) const {
  const Variant value = sheet.Value(cell);
  const bool number = value.kind() == Variant::Kind::Number;
  const bool date = value.kind() == Variant::Kind::Date;
  if (!number && !date) return ComVariant::From(value);
  const double serial = number ? value.AsNumber() : value.AsDate().Serial();
  const std::string code = FormatOf(sheet, cell, value);
  ComVariant out;
  VARIANT& v = *out.Receive();
  if (!typed || code == "General") {
    v.vt = VT_R8;
    v.dblVal = serial;
  } else if (host::IsDateFormat(code)) {
    v.vt = VT_DATE;
    v.date = serial;
  } else if (code.find('$') != std::string::npos ||
             code.find("\xE2\x82\xAC") != std::string::npos) {
    v.vt = VT_CY;
    v.cyVal.int64 = static_cast<LONGLONG>(serial * 10000.0 + (serial < 0 ? -0.5 : 0.5));
  } else {
    v.vt = VT_R8;
    v.dblVal = serial;
  }
  return out;
}

std::string FakeExcel::TextOf(host::Sheet& sheet, host::CellRef cell) const {
  const Variant value = sheet.Value(cell);
  const bool number = value.kind() == Variant::Kind::Number;
  // Excel shows a truth value and an error by its own names.
  if (value.kind() == Variant::Kind::Boolean) return value.AsBoolean() ? "TRUE" : "FALSE";
  if (value.kind() == Variant::Kind::Error) return host::ErrorName(value.AsError().code);
  if (!number && value.kind() != Variant::Kind::Date) return sheet.Text(cell);
  const double serial = number ? value.AsNumber() : value.AsDate().Serial();
  const auto found = widths_.find({&sheet, cell.column});
  const std::size_t width = found == widths_.end() ? 11u : static_cast<std::size_t>(found->second);
  const std::string code = FormatOf(sheet, cell, value);
  if (code != "General") {
    // A formatted number or a date that does not fit shows as a row of "#".
    std::string shown = host::FormatNumber(serial, code);
    return shown.size() <= width ? shown : std::string(width, '#');
  }
  std::string shown = NumberAsText(serial);
  if (shown.size() <= width) return shown;
  // General shortens to fit: fewer decimals, else the scientific form with fewer digits.
  if (const auto point = shown.find('.'); point != std::string::npos && point + 2 <= width) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(width - point - 1), serial);
    return text;
  }
  for (int digits = static_cast<int>(width); digits >= 0; --digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", digits, serial);
    std::string scientific = text;
    // Excel writes the exponent with two digits at least: 9.19877E+11, 1E+05.
    const auto e = scientific.find('E');
    while (scientific.size() - e > 4 && scientific[e + 2] == '0') scientific.erase(e + 2, 1);
    if (scientific.size() <= width) return scientific;
  }
  return std::string(width, '#');
}

host::Sheet& FakeExcel::SheetOf(const ComVariant& object) {
  const VARIANT& v = object.Get();
  if (v.vt == VT_DISPATCH) {
    for (const auto& [o, sheet] : sheets_) {
      if (static_cast<const IDispatch*>(o) == v.pdispVal) return *sheet;
    }
  }
  throw std::runtime_error("Type mismatch");
}

FakeObject& FakeExcel::ObjectOf(host::CommandBars& bars) {
  bool made = false;
  FakeObject& o = Find(&bars, "bars", "CommandBars", made);
  if (!made) return o;
  o.Define("Count", ReadOnly([&bars] { return ComVariant::FromInt(bars.Count()); }));
  o.Define("Item", [this, &bars](const Received& c) {
    const int index = IntArg(c, 0);
    if (index < 1 || index > bars.Count()) throw std::runtime_error("Invalid index");
    return Obj(&ObjectOf(bars.Item(index)));
  });
  // Add(Name, Position, MenuBar, Temporary)
  o.Define("Add", [this, &bars](const Received& c) {
    return Obj(&ObjectOf(bars.Add(Arg(c, 0).ToText(), IntArg(c, 1), Arg(c, 3).ToBool())));
  });
  return o;
}

FakeObject& FakeExcel::ObjectOf(host::CommandBar& bar) {
  bool made = false;
  FakeObject& o = Find(&bar, "bar", "CommandBar " + bar.Name(), made);
  if (!made) return o;
  o.Define("Name", ReadOnly([&bar] { return ComVariant::FromText(bar.Name()); }));
  o.Define("Visible", Property([&bar] { return ComVariant::FromBool(bar.Visible()); },
                               [&bar](const ComVariant& v) { bar.SetVisible(v.ToBool()); }));
  o.Define("Controls", ReadOnly([this, &bar] {
             return Obj(&ObjectOf(bar.Controls(), "Controls of " + bar.Name()));
           }));
  o.Define("FindControl", [this, &bar](const Received& c) {
    host::CommandBarControl* found =
        bar.FindControl(static_cast<host::ControlType>(IntArg(c, 0)), IntArg(c, 1));
    return found ? Obj(static_cast<FakeObject*>(&ObjectOf(*found))) : Nothing();
  });
  o.Define("Delete", [this, &bar, &o](const Received&) {
    Forget(bar.Controls());
    byEntity_.erase({&bar, "bar"});
    o.failure = "The object has been deleted.";
    bar.Delete();
    return ComVariant();
  });
  return o;
}

FakeObject& FakeExcel::ObjectOf(host::CommandBarControls& controls, const std::string& label) {
  bool made = false;
  FakeObject& o = Find(&controls, "controls", label, made);
  if (!made) return o;
  o.Define("Count", ReadOnly([&controls] { return ComVariant::FromInt(controls.Count()); }));
  o.Define("Item", [this, &controls](const Received& c) {
    const int index = IntArg(c, 0);
    if (index < 1 || index > controls.Count()) throw std::runtime_error("Invalid index");
    return Obj(static_cast<FakeObject*>(&ObjectOf(controls.Item(index))));
  });
  // Add(Type, Id, Parameter, Before, Temporary)
  o.Define("Add", [this, &controls](const Received& c) {
    const ComVariant& before = Arg(c, 3);
    const int at = IsMissing(before) ? controls.Count() + 1 : static_cast<int>(before.ToLong());
    if (at < 1 || at > controls.Count() + 1) throw std::runtime_error("Invalid Before");
    host::CommandBarControl& added =
        controls.Add(static_cast<host::ControlType>(IntArg(c, 0)), at, Arg(c, 4).ToBool());
    return Obj(static_cast<FakeObject*>(&ObjectOf(added)));
  });
  return o;
}

FakeControlObject& FakeExcel::ObjectOf(host::CommandBarControl& control) {
  bool made = false;
  auto& o = Find<FakeControlObject>(&control, "control", "Control", made);
  if (!made) return o;
  const auto text = [&control](auto get, auto set) {
    return Property([&control, get] { return ComVariant::FromText((control.*get)()); },
                    [&control, set](const ComVariant& v) { (control.*set)(v.ToText()); });
  };
  const auto flag = [&control](auto get, auto set) {
    return Property([&control, get] { return ComVariant::FromBool((control.*get)()); },
                    [&control, set](const ComVariant& v) { (control.*set)(v.ToBool()); });
  };
  const auto number = [&control](auto get, auto set) {
    return Property(
        [&control, get] { return ComVariant::FromInt((control.*get)()); },
        [&control, set](const ComVariant& v) { (control.*set)(static_cast<int>(v.ToLong())); });
  };
  using C = host::CommandBarControl;
  o.Define("Type",
           ReadOnly([&control] { return ComVariant::FromInt(static_cast<long>(control.Type())); }));
  o.Define("Id", ReadOnly([&control] { return ComVariant::FromInt(control.Id()); }));
  o.Define("Caption", text(&C::Caption, &C::SetCaption));
  o.Define("Enabled", flag(&C::Enabled, &C::SetEnabled));
  o.Define("Visible", flag(&C::Visible, &C::SetVisible));
  o.Define("BeginGroup", flag(&C::BeginGroup, &C::SetBeginGroup));
  o.Define("FaceId", number(&C::FaceId, &C::SetFaceId));
  o.Define("Style", number(&C::Style, &C::SetStyle));
  o.control = &control;
  o.Define("Tag", text(&C::Tag, &C::SetTag));
  o.Define("PasteFace", [&control](const Received&) {
    control.SetFace(ClipboardPicture());
    return ComVariant();
  });
  // Set Picture = ..., Set Mask = ... (Office XP and later).
  for (const bool mask : {false, true}) {
    o.Define(mask ? "Mask" : "Picture", [this, &control, mask](const Received& c) -> ComVariant {
      if (refusePictures) throw std::runtime_error("Object doesn't support this property");
      if (!(c.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
        throw std::runtime_error("The fake gives no pictures back.");
      auto& [picture, maskPicture] = pictures_[&control];
      (mask ? maskPicture : picture) = PictureOf(c.args.back());
      ShowFace(control);
      return {};
    });
  }
  o.Define("Controls", ReadOnly([this, &control] {
             return Obj(&ObjectOf(control.Controls(), "Controls of " + control.Caption()));
           }));
  o.Define("Delete", [this, &control, &o](const Received&) {
    if (control.Type() == host::ControlType::Popup) Forget(control.Controls());
    byEntity_.erase({&control, "control"});
    o.failure = "The object has been deleted.";
    control.Delete();
    return ComVariant();
  });
  return o;
}

void FakeExcel::Forget(host::CommandBarControls& controls) {
  for (int i = 1; i <= controls.Count(); ++i) {
    host::CommandBarControl& control = controls.Item(i);
    if (control.Type() == host::ControlType::Popup) Forget(control.Controls());
    if (const auto found = byEntity_.find({&control, "control"}); found != byEntity_.end()) {
      found->second->failure = "The object has been deleted.";
      byEntity_.erase(found);
    }
  }
  if (const auto found = byEntity_.find({&controls, "controls"}); found != byEntity_.end()) {
    found->second->failure = "The object has been deleted.";
    byEntity_.erase(found);
  }
}

void FakeExcel::ShowFace(host::CommandBarControl& control) {
  const auto& [picture, mask] = pictures_[&control];
  ui::Picture face = picture;
  if (mask.Width == face.Width && mask.Height == face.Height) {
    for (std::size_t i = 0; i < face.Pixels.size(); ++i) {
      if ((mask.Pixels[i] & 0xFFFFFF) == 0xFFFFFF) face.Pixels[i] = 0;
    }
  }
  control.SetFace(face);
}

void FakeExcel::RaiseClick(host::CommandBarControl& on, host::CommandBarControl& ctrl) {
  ObjectOf(on).FireClick(static_cast<FakeObject*>(&ObjectOf(ctrl)));
}

void FakeExcel::Click(host::CommandBarControl& control) {
  // A disabled entry cannot be clicked.
  if (!control.Enabled()) return;
  IDispatch* clicked = static_cast<FakeObject*>(&ObjectOf(control));
  const int id = control.Id();
  const std::string tag = control.Tag();
  std::vector<FakeControlObject*> raised;
  for (const auto& object : objects_) {
    auto* other = dynamic_cast<FakeControlObject*>(object.get());
    if (other && other->control && other->failure.empty() && other->control->Id() == id &&
        other->control->Tag() == tag)
      raised.push_back(other);
  }
  for (FakeControlObject* other : raised) other->FireClick(clicked);
}

std::vector<std::string> FakeExcel::Held() const {
  std::vector<std::string> held;
  for (const auto& o : objects_) {
    if (o->references != 1) held.push_back(o->label + ": " + std::to_string(o->references - 1));
  }
  return held;
}

std::size_t FakeExcel::AdvisedSinks() const {
  std::size_t sinks = 0;
  for (const auto& o : objects_) {
    if (const auto* control = dynamic_cast<const FakeControlObject*>(o.get()))
      sinks += control->Sinks();
  }
  return sinks;
}

std::vector<std::string> FakeExcel::Calls() const {
  std::vector<std::string> calls;
  for (const auto& o : objects_) {
    for (const auto& c : o->calls) calls.push_back(o->label + "." + c.member);
  }
  return calls;
}

long FakeExcel::CallCount() const {
  long count = 0;
  for (const auto& o : objects_) count += static_cast<long>(o->calls.size()) + o->namesAsked;
  return count;
}

std::chrono::steady_clock::duration FakeExcel::AnsweringTime() const {
  std::chrono::steady_clock::duration time{};
  for (const auto& o : objects_) time += o->answering;
  return time;
}

void FakeExcel::FailEverything(const std::string& description) {
  for (const auto& o : objects_) o->failure = description;
  failAll_ = description;
}

// The fake's own class: the ProgID Excel.Application leads to it.
constexpr CLSID kFakeExcelClass = {
    0x6A1C2B4E, 0x90D3, 0x4F6B, {0x8E, 0x21, 0x5C, 0x7A, 0x13, 0xB0, 0x44, 0x9F}};
constexpr const wchar_t* kFakeExcelClassText = L"{6A1C2B4E-90D3-4F6B-8E21-5C7A13B0449F}";
constexpr const wchar_t* kProgIdKey = L"Software\\Classes\\Excel.Application";

class FakeExcelClass::Factory : public IClassFactory {
 public:
  Factory(host::MemoryApplication& app, FakeExcelClass& owner) : app_(app), owner_(owner) {}
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    made_.push_back(std::make_unique<FakeExcel>(app_, &owner_.traits));
    // An instance started by automation is not shown and not the user's.
    made_.back()->visible = false;
    made_.back()->userControl = false;
    made_.back()->rejectCalls = owner_.rejectCallsAtStart;
    return made_.back()->Application()->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  std::vector<FakeExcel*> Made() {
    std::vector<FakeExcel*> out;
    for (const auto& m : made_) out.push_back(m.get());
    return out;
  }

 private:
  host::MemoryApplication& app_;
  FakeExcelClass& owner_;
  ULONG references_ = 1;
  std::vector<std::unique_ptr<FakeExcel>> made_;
};

FakeExcelClass::FakeExcelClass(host::MemoryApplication& app)
    : factory_(std::make_unique<Factory>(app, *this)) {
  // Wine looks classes up in the machine's part of the registry; a test prefix is ours to write.
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const std::wstring key = std::wstring(kProgIdKey) + L"\\CLSID";
    RegSetKeyValueW(root, key.c_str(), nullptr, REG_SZ, kFakeExcelClassText,
                    static_cast<DWORD>((wcslen(kFakeExcelClassText) + 1) * sizeof(wchar_t)));
  }
  CoRegisterClassObject(kFakeExcelClass, factory_.get(), CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                        REGCLS_MULTIPLEUSE, &cookie_);
}

FakeExcelClass::~FakeExcelClass() {
  CoRevokeClassObject(cookie_);
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(root, kProgIdKey);
}

std::vector<FakeExcel*> FakeExcelClass::Instances() { return factory_->Made(); }

}  // namespace qv::testing
