#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/form.h"

namespace qv::excel {

// One form shown as a window: each control of the form as its Win32 control, placed by the form's
// layout. The form's data is the truth: before any handler runs, what the user typed, chose or
// selected is written into the controls (Pull); after it returns, the window is brought in line
// with the controls (Push).
class FormWindow : public std::enable_shared_from_this<FormWindow> {
 public:
  FormWindow(ui::Form& form, HWND owner, HFONT font);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND Handle() const { return window_; }
  // Removes the forms' window class once no form window is left, as a DLL must before it unloads.
  static void UnregisterClass();
  // The child-window ID of a control of the form: its place among the form's controls.
  static int ControlId(const ui::Form& form, const ui::Control& control);
  ui::Form& Form() const { return form_; }
  // Whether the form has closed: the window is gone, the object waits to be dropped.
  bool Closed() const { return window_ == nullptr; }
  void Close();
  void Pull();
  void Push();
  // Escape and Enter, as the dialog manager reports them (IDCANCEL, IDOK).
  void Key(int command);

 private:
  struct Item {
    ui::Control* control;
    HWND hwnd;
    // What the window shows, to touch only what changed.
    std::vector<std::string> items;
    std::vector<std::vector<std::string>> rows;
    std::string tip;
    RECT at{};
  };
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Message(UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  // Makes the window of one control, the `id`th; null when the system refused it. `lastGroup`
  // and `lastContainer` follow the option buttons, whose first of each group starts a group.
  HWND CreateControl(ui::Control& c, int id, int& lastGroup, const ui::Frame*& lastContainer);
  // What a window of its kind needs once made: a list view its columns, a picture its bitmap.
  void CompleteControl(ui::Control& c, HWND hwnd);
  // Gives every control the dialog font at the window's DPI (a label with a size of its own, that
  // size), made anew: at first and when the window moves to a monitor of another DPI.
  void ApplyFonts();
  void Command(Item& item, int code);
  void Notify(const NMHDR& header);
  // Runs a handler of the core between a Pull and a Push; nothing it throws reaches the window
  // procedure, and nothing is pushed into a window the handler closed. The window object stays
  // alive until the handler returns, even when the form closes meanwhile.
  template <typename F>
  void Run(F&& handler);
  // Closes, by their close box, the forms whose close waited for a command to end.
  static void CloseDeferred();
  int Pixels(int twips) const;
  RECT Place(const ui::Control& control) const;
  bool Shown(const ui::Control& control) const;
  void PushItem(Item& item);
  // Gives the control's window its tool tip, or changes it.
  void Tip(Item& item);
  Item* Find(HWND hwnd);
  // The brush of a label's back colour, made once.
  HBRUSH Brush(COLORREF colour);

  ui::Form& form_;
  HWND owner_;
  HFONT systemFont_;  // the system's dialog font, the interface's
  HWND window_ = nullptr;
  HWND tips_ = nullptr;
  int dpi_ = 96;
  std::vector<Item> items_;
  std::vector<HGDIOBJ> owned_;  // brushes and bitmaps made for the controls
  std::vector<HFONT> fonts_;    // the fonts the controls use now
  std::vector<std::pair<COLORREF, HBRUSH>> brushes_;
  ui::Control* focused_ = nullptr;
  int height_ = 0;
  std::string caption_;
};

}  // namespace qv::excel
