#include "win32_ui/message_box_ui.h"

#include "values/utf16_win32.h"

namespace qv::excel {

int MessageBoxUi::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  // The add-in's button and icon numbers are MessageBox's own, and so are its answers.
  return MessageBoxW(owner_, ToUtf16(prompt).c_str(), ToUtf16(title).c_str(),
                     static_cast<UINT>(buttons));
}

void MessageBoxUi::SetMousePointer(ui::MousePointer pointer) {
  // IDC_WAIT and IDC_ARROW, as wide resource names.
  SetCursor(LoadCursorW(nullptr, pointer == ui::MousePointer::Hourglass ? MAKEINTRESOURCEW(32514)
                                                                        : MAKEINTRESOURCEW(32512)));
}

void MessageBoxUi::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    // Excel's own loop must still see a request to quit.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace qv::excel
