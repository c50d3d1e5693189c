#pragma once

#include <windows.h>

#include "ui/ui.h"

namespace qv::excel {

// The add-in's user interface in Excel as far as boxes go: message boxes owned by Excel's window,
// the wait pointer and pending messages. Dialogs are not drawn by it: a form shown through it
// closes at once with nothing done, and the input box and the file dialog answer as cancelled.
class MessageBoxUi : public ui::Ui {
 public:
  explicit MessageBoxUi(HWND owner) : owner_(owner) {}
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  std::optional<std::string> InputBox(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void ShowForm(ui::Form&, ui::Modality) override {}
  void FormClosed(ui::Form&) override {}
  void SetMousePointer(ui::MousePointer pointer) override;
  void DoEvents() override;

 private:
  HWND owner_;
};

}  // namespace qv::excel
