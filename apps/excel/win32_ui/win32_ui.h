#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>

#include "ui/ui.h"
#include "win32_ui/form_window.h"

namespace qv::excel {

// The add-in's user interface in Excel: every form as a real window owned by Excel's window,
// message boxes, an input box of ours, the open-file dialog, the wait pointer and the processing
// of pending messages.
class Win32Ui : public ui::Ui {
 public:
  // Excel's window that owns what is shown now: Excel 2013 and later have one a workbook, and
  // the active one changes, so it is asked each time a form or a box is shown.
  using Owner = std::function<HWND()>;
  explicit Win32Ui(Owner owner);
  // Always the same window (or none).
  explicit Win32Ui(HWND owner);
  ~Win32Ui() override;

  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& filter) override;
  void ShowForm(ui::Form& form, ui::Modality modality) override;
  void FormClosed(ui::Form& form) override;
  void SetMousePointer(ui::MousePointer pointer) override;

  // The window of a form while it is shown, nullptr otherwise.
  HWND WindowOf(const ui::Form& form) const;

 protected:
  void RunPendingEvents() override;

 private:
  // The window that owns what is shown now; nullptr when there is none (or it is gone).
  HWND CurrentOwner() const;
  // Runs the messages of the thread until `window` closes, every other window of the thread
  // (each of Excel's, each of the add-in's forms) disabled meanwhile.
  void RunModal(const FormWindow& window);
  // Lets the dialog manager handle Tab, Enter and Escape for a message meant for one of our forms.
  bool DialogMessage(MSG& message);
  // Excel's own message loop knows nothing of our modeless forms: a hook on the thread's messages
  // gives their keys to the dialog manager.
  static LRESULT CALLBACK KeyHook(int code, WPARAM w, LPARAM l);

  Owner owner_;
  HHOOK hook_ = nullptr;
  HFONT font_ = nullptr;
  std::map<const ui::Form*, std::shared_ptr<FormWindow>> windows_;
};

}  // namespace qv::excel
