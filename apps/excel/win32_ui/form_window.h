#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/form_view.h"

namespace qv::excel {

// One form shown as a window: each control of the form as its Win32 control, placed by the form's
// layout. The form's data is the truth; what the window shows follows it through a ui::FormView,
// and this renders: makes the windows, applies each property, reads back what the user did.
class FormWindow : public std::enable_shared_from_this<FormWindow>, private ui::Renderer {
 public:
  FormWindow(ui::Form& form, HWND owner, HFONT font);
  ~FormWindow() override;
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
  // The window follows the form.
  void Push() { view_.Push(); }
  // Escape and Enter, as the dialog manager reports them (IDCANCEL, IDOK).
  void Key(int command);

 private:
  // The window of each control of the form, in the form's order; null where the system refused.
  struct Item {
    ui::Control* control;
    HWND hwnd;
    bool tipAdded = false;
    ui::Colour back;
    int fontSize = 0;
  };
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Message(UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  // Makes the window of one control, the `id`th; null when the system refused it. `lastGroup`
  // and `lastContainer` follow the option buttons, whose first of each group starts a group.
  HWND CreateControl(ui::Control& c, int id, int& lastGroup, const ui::Frame*& lastContainer);
  // What a window of its kind needs once made: a list view its columns, a password box its mask.
  void CompleteControl(ui::Control& c, HWND hwnd);

  bool Open() const override { return window_ != nullptr; }
  void Apply(std::size_t control, const ui::Look& look, ui::Property property) override;
  void ApplyCaption(const std::string& caption) override;
  void ApplySize(int width, int height) override;
  void ApplyFocus(std::size_t control) override;
  void ReadBack(std::size_t control, ui::Look& look) override;
  std::optional<std::size_t> Focused() const override;
  void ApplyChoice(const Item& item, const ui::Look& look);
  void ApplyCaret(const Item& item, const ui::Look& look);
  void ApplyRows(const Item& item, const ui::Look& look);
  void ApplySelectedRow(const Item& item, const ui::Look& look);
  void ApplyPicture(const Item& item, const ui::Look& look);
  void ApplyPlace(const Item& item, const ui::Area& area);
  void ApplyTip(Item& item, const std::string& tip);
  // The dialog font at the window's DPI, in the control's own size where it has one.
  void ApplyFont(const Item& item);
  HFONT FontOf(int points);

  // The brush of a label with a back colour of its own, its colour set in `dc`; 0 for the
  // system's.
  LRESULT LabelColour(HDC dc, HWND control);
  // Moved to a monitor of another DPI.
  void DpiChanged(int dpi, const RECT& suggested);
  void Command(Item& item, int code);
  void Notify(const NMHDR& header);
  // Runs a handler of the core as every renderer does (ui::FormView::Run). The window object
  // stays alive until the handler returns, even when the form closes meanwhile.
  void Run(const std::function<void()>& handler);
  // Closes, by their close box, the forms whose close waited for a command to end.
  static void CloseDeferred();
  int Pixels(int twips) const;
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
  std::vector<HGDIOBJ> owned_;                // brushes and bitmaps made for the controls
  std::vector<std::pair<int, HFONT>> fonts_;  // by size in points, at the window's DPI
  std::vector<std::pair<COLORREF, HBRUSH>> brushes_;
  ui::FormView view_;
};

}  // namespace qv::excel
