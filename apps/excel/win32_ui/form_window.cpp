#include "win32_ui/form_window.h"

#include <commctrl.h>

#include "ui/ui.h"
#include "values/text.h"
#include "values/utf16_win32.h"
#include "win32_ui/visual_styles.h"

namespace qv::excel {
namespace {

// The forms whose close box was pressed while a command let pending events in, to close once no
// handler is left.
std::vector<std::weak_ptr<FormWindow>>& CloseLater() {
  thread_local std::vector<std::weak_ptr<FormWindow>> waiting;
  return waiting;
}

constexpr const wchar_t* kWindowClass = L"QuorvalentForm";
constexpr int kFirstId = 100;

// Registers the forms' window class unless it is there. A DLL's classes outlive it unless it
// removes them (FormWindow::UnregisterClass), so it is looked for each time, never remembered.
void RegisterWindowClass(WNDPROC proc) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  if (GetClassInfoExW(AddinModule(), kWindowClass, &cls)) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  cls = WNDCLASSEXW{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = proc;
  cls.hInstance = AddinModule();
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = kWindowClass;
  RegisterClassExW(&cls);
}

std::wstring Wide(const std::string& text) { return ToUtf16(text); }

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return FromUtf16(text);
}

// Characters (as the controls count them) and UTF-16 units (as Windows does), both ways.
std::size_t Units(const std::string& text, std::size_t characters) {
  return ToUtf16(Utf8Left(text, characters)).size();
}
std::size_t Characters(const std::wstring& text, std::size_t units) {
  return Utf8Length(FromUtf16(std::wstring_view(text).substr(0, std::min(units, text.size()))));
}

// The index GetSysColor knows a system colour by.
int SystemColourIndex(ui::SystemColour colour) {
  switch (colour) {
    case ui::SystemColour::TitleBarText:
      return COLOR_CAPTIONTEXT;
  }
  return COLOR_WINDOW;
}

int Dpi(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpi && window) {
    if (const UINT dpi = getDpi(window)) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// Makes the windows created while it lives aware of each monitor's DPI (Windows 10 and later;
// elsewhere nothing changes), then puts the thread back as Excel had it.
class PerMonitorDpi {
 public:
  PerMonitorDpi() {
    if (set_) previous_ = set_(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));
  }
  ~PerMonitorDpi() {
    if (set_ && previous_) set_(previous_);
  }
  PerMonitorDpi(const PerMonitorDpi&) = delete;
  PerMonitorDpi& operator=(const PerMonitorDpi&) = delete;

 private:
  using Set = HANDLE(WINAPI*)(HANDLE);
  Set set_ = reinterpret_cast<Set>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  HANDLE previous_ = nullptr;
};

}  // namespace

FormWindow::FormWindow(ui::Form& form, HWND owner, HFONT font)
    : form_(form), owner_(owner), systemFont_(font), view_(form, *this) {
  const VisualStyles styles;
  RegisterWindowClass(&FormWindow::Proc);
  const PerMonitorDpi aware;
  dpi_ = Dpi(owner);
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWindowClass,
                            Wide(form.Caption).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                            CW_USEDEFAULT, CW_USEDEFAULT, Pixels(form.Width), Pixels(form.Height),
                            owner, nullptr, AddinModule(), this);
  if (!window_) return;
  dpi_ = Dpi(window_);
  // Centred on the owner, or on the screen.
  RECT area{};
  if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int width = Pixels(form.Width);
  const int height = Pixels(form.Height);
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  CreateControls();
  view_.Push();
  ShowWindow(window_, SW_SHOW);
}

FormWindow::~FormWindow() {
  Close();
  for (HGDIOBJ object : owned_) DeleteObject(object);
  for (const auto& [points, font] : fonts_) DeleteObject(font);
}

void FormWindow::Close() {
  if (!window_) return;
  HWND window = window_;
  window_ = nullptr;
  if (tips_) DestroyWindow(tips_);
  tips_ = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  items_.clear();
}

HBRUSH FormWindow::Brush(COLORREF colour) {
  for (const auto& [known, brush] : brushes_) {
    if (known == colour) return brush;
  }
  HBRUSH brush = CreateSolidBrush(colour);
  brushes_.emplace_back(colour, brush);
  owned_.push_back(brush);
  return brush;
}

void FormWindow::UnregisterClass() {
  UnregisterClassW(kWindowClass, AddinModule());
  VisualStyles::Release();
}

int FormWindow::ControlId(const ui::Form& form, const ui::Control& control) {
  const auto& controls = form.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i] == &control) return kFirstId + static_cast<int>(i);
  }
  return 0;
}

int FormWindow::Pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }

void FormWindow::CreateControls() {
  tips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                          AddinModule(), nullptr);
  int id = kFirstId;
  int lastGroup = -1;
  const ui::Frame* lastContainer = nullptr;
  for (ui::Control* c : form_.Controls()) {
    HWND hwnd = CreateControl(*c, id++, lastGroup, lastContainer);
    if (hwnd) CompleteControl(*c, hwnd);
    items_.push_back({c, hwnd, false, {}, 0});
    if (hwnd) ApplyFont(items_.back());
  }
}

HWND FormWindow::CreateControl(ui::Control& c, int id, int& lastGroup,
                               const ui::Frame*& lastContainer) {
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD;
  DWORD extended = 0;
  const ui::ControlKind kind = c.Kind();
  switch (kind) {
    case ui::ControlKind::Label:
      style |= SS_LEFT;
      break;
    case ui::ControlKind::CommandButton:
      cls = L"BUTTON";
      style |= WS_TABSTOP |
               (static_cast<ui::CommandButton&>(c).Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case ui::ControlKind::TextBox: {
      const auto& box = static_cast<ui::TextBox&>(c);
      cls = L"EDIT";
      extended = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      if (box.MultiLine) style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL;
      if (box.PasswordChar) style |= ES_PASSWORD;
      break;
    }
    case ui::ControlKind::CheckBox:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_AUTOCHECKBOX;
      break;
    case ui::ControlKind::OptionButton: {
      const auto& option = static_cast<ui::OptionButton&>(c);
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
      // Radio buttons group by their frame and group number: the first of each starts a group.
      if (option.Group != lastGroup || option.Container != lastContainer) style |= WS_GROUP;
      lastGroup = option.Group;
      lastContainer = option.Container;
      break;
    }
    case ui::ControlKind::ComboBox:
      cls = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL |
               (static_cast<ui::ComboBox&>(c).Editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
      break;
    case ui::ControlKind::ListBox:
      cls = L"LISTBOX";
      extended = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY;
      break;
    case ui::ControlKind::Frame:
      cls = L"BUTTON";
      style |= BS_GROUPBOX;
      break;
    case ui::ControlKind::ListView:
      cls = WC_LISTVIEWW;
      extended = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
      break;
    case ui::ControlKind::PictureBox:
      style |= SS_BITMAP;
      break;
  }
  if (kind != ui::ControlKind::OptionButton) lastGroup = -1;
  // Made hidden and without a size: the first Push places and shows it, as every change after.
  return CreateWindowExW(extended, cls, L"", style, 0, 0, 0, 0, window_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AddinModule(), nullptr);
}

void FormWindow::CompleteControl(ui::Control& c, HWND hwnd) {
  if (c.Kind() == ui::ControlKind::ListView) {
    const auto& view = static_cast<ui::ListView&>(c);
    SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < view.Columns.size(); ++i) {
      std::wstring header = Wide(view.Columns[i].Header);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = Pixels(view.Columns[i].Width);
      column.pszText = header.data();
      SendMessageW(hwnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
  } else if (c.Kind() == ui::ControlKind::TextBox && static_cast<ui::TextBox&>(c).PasswordChar) {
    SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
  }
}

HFONT FormWindow::FontOf(int points) {
  for (const auto& [size, font] : fonts_) {
    if (size == points) return font;
  }
  LOGFONTW font{};
  GetObjectW(systemFont_, sizeof font, &font);
  if (points > 0) {
    font.lfHeight = -MulDiv(points, dpi_, 72);
  } else {
    // The system's dialog font is made for the system's DPI; the window may be on another
    // monitor.
    HDC screen = GetDC(nullptr);
    const int systemDpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    font.lfHeight = MulDiv(font.lfHeight, dpi_, systemDpi > 0 ? systemDpi : 96);
  }
  return fonts_.emplace_back(points, CreateFontIndirectW(&font)).second;
}

void FormWindow::ApplyFont(const Item& item) {
  SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(item.fontSize)), TRUE);
}

void FormWindow::ApplyTip(Item& item, const std::string& text) {
  if (!tips_) return;
  std::wstring tip = Wide(text);
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = window_;
  info.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
  info.lpszText = tip.data();
  SendMessageW(tips_, item.tipAdded ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
               reinterpret_cast<LPARAM>(&info));
  item.tipAdded = true;
  SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, Pixels(4800));
}

void FormWindow::ApplyPlace(const Item& item, const ui::Area& area) {
  // A drop-down's height is that of its open list.
  const int height =
      item.control->Kind() == ui::ControlKind::ComboBox ? Pixels(2400) : Pixels(area.height);
  SetWindowPos(item.hwnd, nullptr, Pixels(area.left), Pixels(area.top), Pixels(area.width), height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::ApplyChoice(const Item& item, const ui::Look& look) {
  const bool combo = item.control->Kind() == ui::ControlKind::ComboBox;
  SendMessageW(item.hwnd, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(look.listIndex),
               0);
  // Choosing sets an editable drop-down's text too; it keeps its own.
  if (combo && static_cast<const ui::ComboBox&>(*item.control).Editable)
    SetWindowTextW(item.hwnd, Wide(look.text).c_str());
}

void FormWindow::ApplyCaret(const Item& item, const ui::Look& look) {
  const std::size_t start = Units(look.text, look.selStart);
  const std::size_t end = Units(look.text, look.selStart + look.selLength);
  SendMessageW(item.hwnd, EM_SETSEL, start, static_cast<LPARAM>(end));
}

void FormWindow::ApplyRows(const Item& item, const ui::Look& look) {
  const auto& columns = static_cast<const ui::ListView&>(*item.control).Columns;
  SendMessageW(item.hwnd, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t r = 0; r < look.rows.size(); ++r) {
    for (std::size_t k = 0; k < look.rows[r].size() && k < columns.size(); ++k) {
      std::wstring cell = Wide(look.rows[r][k]);
      LVITEMW entry{};
      entry.mask = LVIF_TEXT;
      entry.iItem = static_cast<int>(r);
      entry.iSubItem = static_cast<int>(k);
      entry.pszText = cell.data();
      SendMessageW(item.hwnd, k == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                   reinterpret_cast<LPARAM>(&entry));
    }
  }
}

void FormWindow::ApplySelectedRow(const Item& item, const ui::Look& look) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = 0;
  SendMessageW(item.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&state));
  if (look.selectedRow >= 0) {
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(item.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(look.selectedRow),
                 reinterpret_cast<LPARAM>(&state));
  }
}

void FormWindow::ApplyPicture(const Item& item, const ui::Look& look) {
  HBITMAP bitmap = nullptr;
  if (!look.picture.Pixels.empty()) {
    bitmap =
        CreateBitmap(look.picture.Width, look.picture.Height, 1, 32, look.picture.Pixels.data());
    owned_.push_back(bitmap);
  }
  SendMessageW(item.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

void FormWindow::Apply(std::size_t index, const ui::Look& look, ui::Property property) {
  if (index >= items_.size() || !items_[index].hwnd) return;
  Item& item = items_[index];
  const ui::ControlKind kind = item.control->Kind();
  switch (property) {
    case ui::Property::Caption:
      SetWindowTextW(item.hwnd, Wide(look.caption).c_str());
      break;
    case ui::Property::Items: {
      const bool combo = kind == ui::ControlKind::ComboBox;
      SendMessageW(item.hwnd, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
      for (const std::string& entry : look.items) {
        SendMessageW(item.hwnd, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Wide(entry).c_str()));
      }
      ApplyChoice(item, look);
      break;
    }
    case ui::Property::ListIndex:
      ApplyChoice(item, look);
      break;
    case ui::Property::Text:
      // A drop-down list shows its chosen entry, which its text would choose anew.
      if (kind == ui::ControlKind::ComboBox &&
          !static_cast<const ui::ComboBox&>(*item.control).Editable)
        break;
      if (WindowText(item.hwnd) != look.text) SetWindowTextW(item.hwnd, Wide(look.text).c_str());
      if (kind == ui::ControlKind::TextBox) ApplyCaret(item, look);
      break;
    case ui::Property::Caret:
      ApplyCaret(item, look);
      break;
    case ui::Property::MaxLength:
      SendMessageW(item.hwnd, EM_LIMITTEXT, look.maxLength, 0);
      break;
    case ui::Property::Checked:
      SendMessageW(item.hwnd, BM_SETCHECK, look.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ui::Property::Rows:
      ApplyRows(item, look);
      ApplySelectedRow(item, look);
      break;
    case ui::Property::SelectedRow:
      ApplySelectedRow(item, look);
      break;
    case ui::Property::Picture:
      ApplyPicture(item, look);
      break;
    case ui::Property::BackColor:
      item.back = look.backColor;
      InvalidateRect(item.hwnd, nullptr, TRUE);
      break;
    case ui::Property::FontSize:
      item.fontSize = look.fontSize;
      ApplyFont(item);
      break;
    case ui::Property::Place:
      ApplyPlace(item, look.place);
      break;
    case ui::Property::ToolTip:
      ApplyTip(item, look.toolTip);
      break;
    case ui::Property::Enabled:
      EnableWindow(item.hwnd, look.enabled);
      break;
    case ui::Property::Visible:
      ShowWindow(item.hwnd, look.visible ? SW_SHOWNA : SW_HIDE);
      break;
  }
}

void FormWindow::ApplyCaption(const std::string& caption) {
  SetWindowTextW(window_, Wide(caption).c_str());
}

void FormWindow::ApplySize(int width, int height) {
  SetWindowPos(window_, nullptr, 0, 0, Pixels(width), Pixels(height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::ApplyFocus(std::size_t index) {
  if (index < items_.size() && items_[index].hwnd) SetFocus(items_[index].hwnd);
}

void FormWindow::ReadBack(std::size_t index, ui::Look& look) {
  if (index >= items_.size() || !items_[index].hwnd) return;
  const Item& item = items_[index];
  switch (item.control->Kind()) {
    case ui::ControlKind::TextBox: {
      const int length = GetWindowTextLengthW(item.hwnd);
      std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
      GetWindowTextW(item.hwnd, wide.data(), length + 1);
      wide.resize(static_cast<std::size_t>(length));
      look.text = FromUtf16(wide);
      DWORD start = 0;
      DWORD end = 0;
      SendMessageW(item.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
      look.selStart = Characters(wide, start);
      look.selLength = Characters(wide, end) - look.selStart;
      break;
    }
    case ui::ControlKind::ComboBox:
      if (static_cast<const ui::ComboBox&>(*item.control).Editable)
        look.text = WindowText(item.hwnd);
      look.listIndex = static_cast<int>(SendMessageW(item.hwnd, CB_GETCURSEL, 0, 0));
      break;
    case ui::ControlKind::ListBox:
      look.listIndex = static_cast<int>(SendMessageW(item.hwnd, LB_GETCURSEL, 0, 0));
      break;
    case ui::ControlKind::CheckBox:
    case ui::ControlKind::OptionButton:
      look.checked = SendMessageW(item.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
      break;
    case ui::ControlKind::ListView:
      look.selectedRow = static_cast<int>(
          SendMessageW(item.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      break;
    case ui::ControlKind::Label:
    case ui::ControlKind::CommandButton:
    case ui::ControlKind::Frame:
    case ui::ControlKind::PictureBox:
      break;
  }
}

std::optional<std::size_t> FormWindow::Focused() const {
  HWND focus = GetFocus();
  if (!focus) return std::nullopt;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    HWND hwnd = items_[i].hwnd;
    if (hwnd && (hwnd == focus || IsChild(hwnd, focus))) return i;
  }
  return std::nullopt;
}

void FormWindow::Run(const std::function<void()>& handler) {
  const std::shared_ptr<FormWindow> keep = shared_from_this();
  view_.Run(handler);
  if (form_.ui().Idle()) CloseDeferred();
}

void FormWindow::CloseDeferred() {
  std::vector<std::weak_ptr<FormWindow>> waiting = std::move(CloseLater());
  CloseLater().clear();
  for (const auto& weak : waiting) {
    if (const auto window = weak.lock(); window && window->window_)
      PostMessageW(window->window_, WM_CLOSE, 0, 0);
  }
}

FormWindow::Item* FormWindow::Find(HWND hwnd) {
  for (Item& item : items_) {
    if (item.hwnd == hwnd) return &item;
  }
  return nullptr;
}

void FormWindow::Command(Item& item, int code) {
  ui::Control* c = item.control;
  switch (c->Kind()) {
    case ui::ControlKind::CommandButton:
      if (code == BN_CLICKED) Run([c] { static_cast<ui::CommandButton*>(c)->Press(); });
      break;
    case ui::ControlKind::CheckBox:
      if (code == BN_CLICKED) {
        const bool ticked = SendMessageW(item.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Run([c, ticked] { static_cast<ui::CheckBox*>(c)->SetValue(ticked); });
      }
      break;
    case ui::ControlKind::OptionButton:
      if (code == BN_CLICKED && !static_cast<ui::OptionButton*>(c)->Value())
        Run([c] { static_cast<ui::OptionButton*>(c)->SetValue(true); });
      break;
    case ui::ControlKind::ComboBox:
      if (code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(item.hwnd, CB_GETCURSEL, 0, 0));
        Run([c, index] { static_cast<ui::ComboBox*>(c)->SetListIndex(index); });
      }
      break;
    case ui::ControlKind::ListBox: {
      auto* list = static_cast<ui::ListBox*>(c);
      if (code == LBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(item.hwnd, LB_GETCURSEL, 0, 0));
        Run([list, index] { list->SetListIndex(index); });
      } else if (code == LBN_DBLCLK && list->DblClick) {
        Run([list] { list->DblClick(); });
      }
      break;
    }
    case ui::ControlKind::TextBox:
      if (auto* box = static_cast<ui::TextBox*>(c); code == EN_SETFOCUS && box->Click)
        Run([box] { box->Click(); });
      break;
    case ui::ControlKind::Label:
    case ui::ControlKind::Frame:
    case ui::ControlKind::PictureBox:
    case ui::ControlKind::ListView:
      break;
  }
}

void FormWindow::Notify(const NMHDR& header) {
  Item* item = Find(header.hwndFrom);
  if (!item || item->control->Kind() != ui::ControlKind::ListView || header.code != LVN_ITEMCHANGED)
    return;
  auto* view = static_cast<ui::ListView*>(item->control);
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  const bool selected = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
  if (selected && change.iItem != view->SelectedRow()) {
    const int row = change.iItem;
    Run([view, row] { view->SelectRow(row); });
  }
}

void FormWindow::Key(int command) {
  if (command == IDCANCEL) Run([this] { form_.EscapePressed(); });
  if (command == IDOK) Run([this] { form_.EnterPressed(); });
}

LRESULT CALLBACK FormWindow::Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->window_ == window) return self->Message(message, w, l);
  return DefWindowProcW(window, message, w, l);
}

LRESULT FormWindow::LabelColour(HDC dc, HWND control) {
  const Item* item = Find(control);
  if (!item) return 0;
  switch (item->back.From()) {
    case ui::Colour::Source::Default:
      return 0;
    case ui::Colour::Source::Rgb: {
      const COLORREF colour = RGB(item->back.Red(), item->back.Green(), item->back.Blue());
      SetBkColor(dc, colour);
      return reinterpret_cast<LRESULT>(Brush(colour));
    }
    case ui::Colour::Source::System: {
      const int index = SystemColourIndex(item->back.Which());
      SetBkColor(dc, GetSysColor(index));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(index));
    }
  }
  return 0;
}

void FormWindow::DpiChanged(int dpi, const RECT& suggested) {
  // Moved to a monitor of another DPI: the suggested size, and every control placed anew.
  dpi_ = dpi;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The fonts made for the old DPI go once every control has one for the new.
  std::vector<std::pair<int, HFONT>> old = std::move(fonts_);
  fonts_.clear();
  for (const Item& item : items_) {
    if (item.hwnd) ApplyFont(item);
  }
  for (const auto& [points, font] : old) DeleteObject(font);
  view_.Invalidate(ui::Only(ui::Property::Place));
  view_.Push();
}

LRESULT FormWindow::Message(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND: {
      const int code = HIWORD(w);
      HWND from = reinterpret_cast<HWND>(l);
      if (!from && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        Key(LOWORD(w));
      } else if (Item* item = Find(from)) {
        Command(*item, code);
      }
      return 0;
    }
    case WM_NOTIFY:
      Notify(*reinterpret_cast<const NMHDR*>(l));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (const LRESULT brush = LabelColour(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l)))
        return brush;
      break;
    case WM_CLOSE:
      // The close box of a form whose command is at work closes it once the command is done:
      // the command may be reading what the form holds.
      if (form_.ui().Busy()) {
        CloseLater().push_back(weak_from_this());
        return 0;
      }
      Run([this] { form_.Unload(); });
      return 0;
    case WM_DESTROY: {
      // Gone with its owner (the user closed that workbook's window), not by Close: the form is
      // closed as its close box closes it, and opens again next time, owned by a window that is
      // still there. While a command is at work it only loses its window.
      const std::shared_ptr<FormWindow> keep = shared_from_this();
      window_ = nullptr;
      tips_ = nullptr;
      items_.clear();
      form_.ui().Handle([this] {
        try {
          form_.Unload();
        } catch (const std::exception&) {
          // The form reports its own failures; nothing unwinds into Windows.
        }
      });
      return 0;
    }
    case WM_DPICHANGED:
      DpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

}  // namespace qv::excel
