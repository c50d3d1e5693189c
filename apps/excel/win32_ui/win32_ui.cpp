#include "win32_ui/win32_ui.h"

#include <commdlg.h>

#include "ui/input_form.h"
#include "values/utf16_win32.h"
#include "win32_ui/visual_styles.h"

namespace qv::excel {
namespace {

// The interface whose forms the thread's key hook serves: one per thread, as Excel has one.
thread_local Win32Ui* hooked = nullptr;

HFONT DialogFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return CreateFontIndirectW(&metrics.lfMessageFont);
  return nullptr;
}

}  // namespace

Win32Ui::Win32Ui(HWND owner) : Win32Ui(Owner([owner] { return owner; })) {}

Win32Ui::Win32Ui(Owner owner) : owner_(std::move(owner)), font_(DialogFont()) {
  if (!hooked) {
    hooked = this;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, &Win32Ui::KeyHook, nullptr, GetCurrentThreadId());
  }
}

LRESULT CALLBACK Win32Ui::KeyHook(int code, WPARAM w, LPARAM l) {
  if (code == HC_ACTION && w == PM_REMOVE && hooked) {
    MSG& message = *reinterpret_cast<MSG*>(l);
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST &&
        hooked->DialogMessage(message)) {
      // Handled: the loop that fetched it gets nothing to dispatch.
      message.message = WM_NULL;
      message.wParam = 0;
      message.lParam = 0;
    }
  }
  return CallNextHookEx(nullptr, code, w, l);
}

Win32Ui::~Win32Ui() {
  if (hook_) {
    UnhookWindowsHookEx(hook_);
    hooked = nullptr;
  }
  for (auto& [form, window] : windows_) window->Close();
  windows_.clear();
  // Fails harmlessly while another interface still has windows of the class.
  FormWindow::UnregisterClass();
  if (font_) DeleteObject(font_);
}

int Win32Ui::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  // The add-in's button and icon numbers are MessageBox's own, and so are its answers. The box
  // belongs to the form in front, else to Excel.
  HWND owner = GetActiveWindow();
  if (!owner) owner = CurrentOwner();
  const VisualStyles styles;
  return MessageBoxW(owner, ToUtf16(prompt).c_str(), ToUtf16(title).c_str(),
                     static_cast<UINT>(buttons) | MB_TASKMODAL);
}

std::optional<std::string> Win32Ui::InputBox(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) {
  ui::InputForm form(*this, prompt, title, defaultText);
  form.Show(ui::Modality::Modal);
  return form.answer;
}

std::optional<std::string> Win32Ui::OpenFileDialog(const std::string& title,
                                                   const std::string& filter) {
  // "Name (*.x)|*.x|..." becomes the pairs of null-ended strings Windows takes.
  std::wstring pairs = ToUtf16(filter);
  for (wchar_t& c : pairs) {
    if (c == L'|') c = L'\0';
  }
  pairs.append(2, L'\0');
  const std::wstring caption = ToUtf16(title);
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow() ? GetActiveWindow() : CurrentOwner();
  dialog.lpstrFilter = pairs.c_str();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = caption.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  const VisualStyles styles;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  path.resize(wcslen(path.c_str()));
  return FromUtf16(path);
}

void Win32Ui::ShowForm(ui::Form& form, ui::Modality modality) {
  auto& window = windows_[&form];
  if (!window || window->Closed()) {
    window = std::make_shared<FormWindow>(form, CurrentOwner(), font_);
  } else {
    window->Push();
    SetForegroundWindow(window->Handle());
  }
  if (modality == ui::Modality::Modal) {
    const std::shared_ptr<FormWindow> keep = window;
    RunModal(*keep);
  }
}

void Win32Ui::FormClosed(ui::Form& form) {
  const auto found = windows_.find(&form);
  if (found == windows_.end()) return;
  // A handler of the form may still be running: it keeps the window object until it returns.
  found->second->Close();
  windows_.erase(found);
}

HWND Win32Ui::WindowOf(const ui::Form& form) const {
  const auto found = windows_.find(&form);
  return found == windows_.end() ? nullptr : found->second->Handle();
}

HWND Win32Ui::CurrentOwner() const {
  HWND owner = nullptr;
  try {
    owner = owner_();
  } catch (const std::exception&) {
    // An Excel that cannot say gets forms owned by the desktop.
  }
  return owner && IsWindow(owner) ? owner : nullptr;
}

namespace {
struct Disabling {
  HWND keep;
  std::vector<HWND> disabled;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM l) {
  auto& state = *reinterpret_cast<Disabling*>(l);
  if (hwnd != state.keep && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    EnableWindow(hwnd, FALSE);
    state.disabled.push_back(hwnd);
  }
  return TRUE;
}
}  // namespace

void Win32Ui::RunModal(const FormWindow& window) {
  // Every window of Excel's (one a workbook) and every other form of the add-in's waits: a press
  // on the modeless Send SMS form behind a preview would start a second send.
  HWND owner = CurrentOwner();
  Disabling others{window.Handle(), {}};
  EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&others));
  MSG message;
  while (!window.Closed()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // Excel is quitting: let its own loop see it.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    if (DialogMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  for (HWND hwnd : others.disabled) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
}

bool Win32Ui::DialogMessage(MSG& message) {
  for (const auto& [form, window] : windows_) {
    HWND hwnd = window->Handle();
    if (hwnd && (message.hwnd == hwnd || IsChild(hwnd, message.hwnd))) {
      // A multi-line box keeps its Enter; the dialog manager takes the rest.
      if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        wchar_t cls[16] = {};
        GetClassNameW(message.hwnd, cls, 16);
        if (_wcsicmp(cls, L"Edit") == 0 &&
            (GetWindowLongW(message.hwnd, GWL_STYLE) & ES_MULTILINE)) {
          return false;
        }
      }
      return IsDialogMessageW(hwnd, &message) != FALSE;
    }
  }
  return false;
}

void Win32Ui::SetMousePointer(ui::MousePointer pointer) {
  // IDC_WAIT and IDC_ARROW, as wide resource names.
  SetCursor(LoadCursorW(nullptr, pointer == ui::MousePointer::Hourglass ? MAKEINTRESOURCEW(32514)
                                                                        : MAKEINTRESOURCEW(32512)));
}

void Win32Ui::RunPendingEvents() {
  // The work that calls it changed forms outside any handler of theirs (the wait form's text):
  // the windows show it before they paint.
  for (const auto& [form, window] : windows_) window->Push();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    // Excel's own loop must still see a request to quit.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (DialogMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace qv::excel
