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
    : form_(form), owner_(owner), systemFont_(font) {
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
  caption_ = form.Caption;
  height_ = form.Height;
  // Centred on the owner, or on the screen.
  RECT area{};
  if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int width = Pixels(form.Width);
  const int height = Pixels(form.Height);
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  CreateControls();
  Push();
  ShowWindow(window_, SW_SHOW);
}

FormWindow::~FormWindow() {
  Close();
  for (HGDIOBJ object : owned_) DeleteObject(object);
  for (HFONT font : fonts_) DeleteObject(font);
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

RECT FormWindow::Place(const ui::Control& control) const {
  int left = control.Left;
  int top = control.Top;
  for (const ui::Frame* frame = control.Container; frame; frame = frame->Container) {
    left += frame->Left;
    top += frame->Top;
  }
  return {Pixels(left), Pixels(top), Pixels(left + control.Width), Pixels(top + control.Height)};
}

bool FormWindow::Shown(const ui::Control& control) const {
  for (const ui::Control* c = &control; c; c = c->Container) {
    if (!c->Visible) return false;
  }
  return true;
}

void FormWindow::CreateControls() {
  tips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                          AddinModule(), nullptr);
  int id = kFirstId;
  int lastGroup = -1;
  const ui::Frame* lastContainer = nullptr;
  for (ui::Control* c : form_.Controls()) {
    HWND hwnd = CreateControl(*c, id++, lastGroup, lastContainer);
    if (!hwnd) continue;
    CompleteControl(*c, hwnd);
    items_.push_back({c, hwnd, {}, {}, {}, Place(*c)});
    Tip(items_.back());
  }
  ApplyFonts();
}

HWND FormWindow::CreateControl(ui::Control& c, int id, int& lastGroup,
                               const ui::Frame*& lastContainer) {
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD;
  DWORD extended = 0;
  std::string text;
  RECT at = Place(c);
  int height = at.bottom - at.top;
  const ui::ControlKind kind = c.Kind();
  switch (kind) {
    case ui::ControlKind::Label:
      style |= SS_LEFT;
      text = static_cast<ui::Label&>(c).Caption;
      break;
    case ui::ControlKind::CommandButton: {
      const auto& button = static_cast<ui::CommandButton&>(c);
      cls = L"BUTTON";
      style |= WS_TABSTOP | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      text = button.Caption;
      break;
    }
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
      text = static_cast<ui::CheckBox&>(c).Caption;
      break;
    case ui::ControlKind::OptionButton: {
      const auto& option = static_cast<ui::OptionButton&>(c);
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
      // Radio buttons group by their frame and group number: the first of each starts a group.
      if (option.Group != lastGroup || option.Container != lastContainer) style |= WS_GROUP;
      lastGroup = option.Group;
      lastContainer = option.Container;
      text = option.Caption;
      break;
    }
    case ui::ControlKind::ComboBox:
      cls = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL |
               (static_cast<ui::ComboBox&>(c).Editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
      // A drop-down's height is that of its open list.
      height = Pixels(2400);
      break;
    case ui::ControlKind::ListBox:
      cls = L"LISTBOX";
      extended = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY;
      break;
    case ui::ControlKind::Frame:
      cls = L"BUTTON";
      style |= BS_GROUPBOX;
      text = static_cast<ui::Frame&>(c).Caption;
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
  return CreateWindowExW(extended, cls, Wide(text).c_str(), style, at.left, at.top,
                         at.right - at.left, height, window_,
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
  } else if (c.Kind() == ui::ControlKind::PictureBox) {
    const auto& picture = static_cast<ui::PictureBox&>(c);
    if (picture.Image.Pixels.empty()) return;
    HBITMAP bitmap =
        CreateBitmap(picture.Image.Width, picture.Image.Height, 1, 32, picture.Image.Pixels.data());
    owned_.push_back(bitmap);
    SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  }
}

void FormWindow::ApplyFonts() {
  LOGFONTW base{};
  GetObjectW(systemFont_, sizeof base, &base);
  // The system's dialog font is made for the system's DPI; the window may be on another monitor.
  HDC screen = GetDC(nullptr);
  const int systemDpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  base.lfHeight = MulDiv(base.lfHeight, dpi_, systemDpi > 0 ? systemDpi : 96);
  std::vector<HFONT> made{CreateFontIndirectW(&base)};
  for (const Item& item : items_) {
    HFONT font = made.front();
    if (auto* label = dynamic_cast<ui::Label*>(item.control); label && label->FontSize > 0) {
      LOGFONTW sized = base;
      sized.lfHeight = -MulDiv(label->FontSize, dpi_, 72);
      font = made.emplace_back(CreateFontIndirectW(&sized));
    }
    SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  // The old fonts go once no control uses them.
  for (HFONT old : fonts_) DeleteObject(old);
  fonts_ = std::move(made);
}

void FormWindow::Tip(Item& item) {
  if (!tips_ || item.tip == item.control->ToolTipText) return;
  const bool added = !item.tip.empty();
  item.tip = item.control->ToolTipText;
  std::wstring tip = Wide(item.tip);
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = window_;
  info.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
  info.lpszText = tip.data();
  SendMessageW(tips_, added ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
               reinterpret_cast<LPARAM>(&info));
  SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, Pixels(4800));
}

void FormWindow::Pull() {
  if (!window_) return;
  for (Item& item : items_) {
    if (auto* box = dynamic_cast<ui::TextBox*>(item.control)) {
      const int length = GetWindowTextLengthW(item.hwnd);
      std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
      GetWindowTextW(item.hwnd, wide.data(), length + 1);
      wide.resize(static_cast<std::size_t>(length));
      box->Text = FromUtf16(wide);
      DWORD start = 0;
      DWORD end = 0;
      SendMessageW(item.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
      box->SelStart = Characters(wide, start);
      box->SelLength = Characters(wide, end) - box->SelStart;
    } else if (auto* combo = dynamic_cast<ui::ComboBox*>(item.control); combo && combo->Editable) {
      combo->Text = WindowText(item.hwnd);
    }
  }
  HWND focus = GetFocus();
  for (Item& item : items_) {
    if (item.hwnd == focus || (focus && IsChild(item.hwnd, focus))) {
      item.control->SetFocus();
      focused_ = item.control;
    }
  }
}

void FormWindow::PushItem(Item& item) {
  ui::Control& c = *item.control;
  const RECT at = Place(c);
  if (!EqualRect(&at, &item.at)) {
    item.at = at;
    const int height = dynamic_cast<ui::ComboBox*>(&c) ? Pixels(2400) : at.bottom - at.top;
    SetWindowPos(item.hwnd, nullptr, at.left, at.top, at.right - at.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const auto text = [&item](const std::string& wanted) {
    if (WindowText(item.hwnd) != wanted) SetWindowTextW(item.hwnd, Wide(wanted).c_str());
  };
  if (auto* label = dynamic_cast<ui::Label*>(&c)) {
    text(label->Caption);
  } else if (auto* button = dynamic_cast<ui::CommandButton*>(&c)) {
    text(button->Caption);
  } else if (auto* frame = dynamic_cast<ui::Frame*>(&c)) {
    text(frame->Caption);
  } else if (auto* box = dynamic_cast<ui::TextBox*>(&c)) {
    text(box->Text);
    SendMessageW(item.hwnd, EM_LIMITTEXT, box->MaxLength, 0);
    if (box->PasswordChar) SendMessageW(item.hwnd, EM_SETPASSWORDCHAR, L'*', 0);
    const std::size_t start = Units(box->Text, box->SelStart);
    const std::size_t end = Units(box->Text, box->SelStart + box->SelLength);
    SendMessageW(item.hwnd, EM_SETSEL, start, static_cast<LPARAM>(end));
  } else if (auto* check = dynamic_cast<ui::CheckBox*>(&c)) {
    text(check->Caption);
    SendMessageW(item.hwnd, BM_SETCHECK, check->Value() ? BST_CHECKED : BST_UNCHECKED, 0);
  } else if (auto* option = dynamic_cast<ui::OptionButton*>(&c)) {
    text(option->Caption);
    SendMessageW(item.hwnd, BM_SETCHECK, option->Value() ? BST_CHECKED : BST_UNCHECKED, 0);
  } else if (auto* list = dynamic_cast<ui::ListControl*>(&c)) {
    const bool combo = dynamic_cast<ui::ComboBox*>(&c) != nullptr;
    if (item.items != list->Items) {
      SendMessageW(item.hwnd, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
      for (const std::string& entry : list->Items) {
        SendMessageW(item.hwnd, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Wide(entry).c_str()));
      }
      item.items = list->Items;
    }
    SendMessageW(item.hwnd, combo ? CB_SETCURSEL : LB_SETCURSEL,
                 static_cast<WPARAM>(list->ListIndex()), 0);
    if (auto* editable = dynamic_cast<ui::ComboBox*>(&c); editable && editable->Editable)
      text(editable->Text);
  } else if (auto* view = dynamic_cast<ui::ListView*>(&c)) {
    if (item.rows != view->Rows) {
      SendMessageW(item.hwnd, LVM_DELETEALLITEMS, 0, 0);
      for (std::size_t r = 0; r < view->Rows.size(); ++r) {
        for (std::size_t k = 0; k < view->Rows[r].size() && k < view->Columns.size(); ++k) {
          std::wstring cell = Wide(view->Rows[r][k]);
          LVITEMW entry{};
          entry.mask = LVIF_TEXT;
          entry.iItem = static_cast<int>(r);
          entry.iSubItem = static_cast<int>(k);
          entry.pszText = cell.data();
          SendMessageW(item.hwnd, k == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                       reinterpret_cast<LPARAM>(&entry));
        }
      }
      item.rows = view->Rows;
    }
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageW(item.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
    if (view->SelectedRow() >= 0) {
      state.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(item.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(view->SelectedRow()),
                   reinterpret_cast<LPARAM>(&state));
    }
  }
  Tip(item);
  EnableWindow(item.hwnd, c.Enabled);
  ShowWindow(item.hwnd, Shown(c) ? SW_SHOWNA : SW_HIDE);
}

void FormWindow::Push() {
  if (!window_) return;
  for (Item& item : items_) PushItem(item);
  if (caption_ != form_.Caption) {
    caption_ = form_.Caption;
    SetWindowTextW(window_, Wide(caption_).c_str());
  }
  if (height_ != form_.Height) {
    height_ = form_.Height;
    SetWindowPos(window_, nullptr, 0, 0, Pixels(form_.Width), Pixels(form_.Height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The focus moves only where the core moved it.
  if (ui::Control* focus = form_.FocusedControl(); focus && focus != focused_) {
    focused_ = focus;
    for (const Item& item : items_) {
      if (item.control == focus) SetFocus(item.hwnd);
    }
  }
}

template <typename F>
void FormWindow::Run(F&& handler) {
  const std::shared_ptr<FormWindow> keep = shared_from_this();
  // While a command lets pending events in, what the user does is not handled.
  form_.ui().Handle([&] {
    Pull();
    try {
      handler();
    } catch (const std::exception&) {
      // The core's handlers report their own failures; what escapes one must not unwind through
      // the window procedure into Windows.
    }
    Push();
  });
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
  if (auto* button = dynamic_cast<ui::CommandButton*>(c)) {
    if (code == BN_CLICKED) Run([button] { button->Press(); });
  } else if (auto* check = dynamic_cast<ui::CheckBox*>(c)) {
    const bool ticked = SendMessageW(item.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (code == BN_CLICKED) Run([check, ticked] { check->SetValue(ticked); });
  } else if (auto* option = dynamic_cast<ui::OptionButton*>(c)) {
    if (code == BN_CLICKED && !option->Value()) Run([option] { option->SetValue(true); });
  } else if (auto* combo = dynamic_cast<ui::ComboBox*>(c)) {
    if (code == CBN_SELCHANGE) {
      const int index = static_cast<int>(SendMessageW(item.hwnd, CB_GETCURSEL, 0, 0));
      Run([combo, index] { combo->SetListIndex(index); });
    }
  } else if (auto* list = dynamic_cast<ui::ListBox*>(c)) {
    if (code == LBN_SELCHANGE) {
      const int index = static_cast<int>(SendMessageW(item.hwnd, LB_GETCURSEL, 0, 0));
      Run([list, index] { list->SetListIndex(index); });
    } else if (code == LBN_DBLCLK && list->DblClick) {
      Run([list] { list->DblClick(); });
    }
  } else if (auto* box = dynamic_cast<ui::TextBox*>(c)) {
    if (code == EN_SETFOCUS && box->Click) Run([box] { box->Click(); });
  }
}

void FormWindow::Notify(const NMHDR& header) {
  Item* item = Find(header.hwndFrom);
  auto* view = item ? dynamic_cast<ui::ListView*>(item->control) : nullptr;
  if (!view || header.code != LVN_ITEMCHANGED) return;
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
    case WM_CTLCOLORSTATIC: {
      Item* item = Find(reinterpret_cast<HWND>(l));
      auto* label = item ? dynamic_cast<ui::Label*>(item->control) : nullptr;
      if (!label || label->BackColor == 0) break;
      HDC dc = reinterpret_cast<HDC>(w);
      SetBkColor(dc, label->BackColor);
      return reinterpret_cast<LRESULT>(Brush(label->BackColor));
    }
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
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the suggested size, and every control placed anew.
      dpi_ = HIWORD(w);
      const RECT& suggested = *reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      for (Item& item : items_) item.at = RECT{};
      ApplyFonts();
      Push();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

}  // namespace qv::excel
