#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "values/utf16_win32.h"

namespace qv::testing {

// Finds the top-level window of a class and caption (any caption when empty), waiting for it to
// appear; nullptr after the time-out.
inline HWND WaitForWindow(const wchar_t* cls, const std::string& caption,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    HWND found = FindWindowW(cls, caption.empty() ? nullptr : ToUtf16(caption).c_str());
    if (found && IsWindowVisible(found)) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

inline std::string TextOf(HWND window) {
  wchar_t text[4096] = {};
  InternalGetWindowText(window, text, 4096);
  return FromUtf16(text);
}

// The text of a control, as its window gives it.
inline std::string ControlText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return FromUtf16(text);
}

// The text of a message box: its static child that is not the icon.
inline std::string BoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0 && !(GetWindowLongW(child, GWL_STYLE) & SS_ICON)) {
      const std::string t = TextOf(child);
      if (!t.empty()) text = t;
    }
  }
  return text;
}

// What a user does to a window of another thread: the messages its own actions send.
inline void Type(HWND edit, const std::string& text) {
  SendMessageW(edit, WM_SETFOCUS, 0, 0);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(ToUtf16(text).c_str()));
}
inline void Press(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }
inline void Choose(HWND parent, HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

// The same on the window's own thread, done when they return.
inline void SetText(HWND control, const std::string& text) {
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToUtf16(text).c_str()));
}
inline void ChooseNow(HWND parent, HWND list, int index) {
  wchar_t cls[16] = {};
  GetClassNameW(list, cls, 16);
  const bool listBox = _wcsicmp(cls, L"ListBox") == 0;
  SendMessageW(list, listBox ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(parent, WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(list), listBox ? LBN_SELCHANGE : CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
}

// Waits for a message box, reads it, and answers it with the button of that ID (IDOK, IDYES...).
inline std::string AnswerBox(int button) {
  HWND box = WaitForWindow(L"#32770", "");
  if (!box) return "(no box)";
  const std::string text = BoxText(box);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  // Gone before the next one is looked for.
  for (int i = 0; i < 250 && IsWindow(box); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return text;
}

// Answers every message box with OK while it lives, keeping their texts in `texts` (to be read
// once it is gone).
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<std::string>& texts)
      : texts_(texts), thread_([this] {
          while (!stop_) {
            if (HWND box = FindWindowW(L"#32770", nullptr); box && IsWindowVisible(box)) {
              texts_.push_back(BoxText(box));
              PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
              for (int i = 0; i < 250 && IsWindow(box); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
        }) {}
  ~BoxAnswerer() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::vector<std::string>& texts_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace qv::testing
