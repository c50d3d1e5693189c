#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"

namespace qv::ui {

class Ui;

enum class Modality { Modeless, Modal };

// A dialog. Derived classes hold their controls as members, set their design-time properties in
// InitializeComponent and their start-up behaviour in Form_Load. Each load starts the controls
// afresh; members that are not controls keep their values between showings.
class Form {
 public:
  Form(Ui& ui, std::string name);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form() = default;

  const std::string& Name() const { return name_; }
  std::string Caption;
  // The window's outer size in twips, title bar and borders included, as the dialogs' layouts
  // are given; its inside is smaller by kBorderWidth and kTitleHeight.
  int Width = 0;
  int Height = 0;
  static constexpr int kBorderWidth = 240;
  static constexpr int kTitleHeight = 540;

  bool IsLoaded() const { return loaded_; }
  bool IsVisible() const { return visible_; }
  Ui& ui() const { return ui_; }

  // Loads the form if needed and shows it. A modal show returns once the form has closed.
  void Show(Modality modality);
  // Loads the form without showing it, as touching a hidden form's controls does.
  void Load();
  // Closes the form: runs Form_Unload and hides it; its controls start afresh at the next Show.
  void Unload();

  // Keys a user presses while the form has the focus (character codes: 27 is Escape).
  virtual void Form_KeyPress(int keyAscii);
  // What a renderer does when the user presses Escape: the form's key handler, then its cancel
  // button where it has one (and is still loaded).
  void EscapePressed();
  // What a renderer does when the user presses Enter outside a multi-line box: the default
  // button.
  void EnterPressed();

  // How many of this form's actions have done what they were asked: the service took the send, the
  // template, the new time. A front end compares it before and after a click to learn the outcome
  // without reading the boxes shown.
  int ActionsDone() const { return actionsDone_; }

  Control* FocusedControl() const { return focused_; }
  const std::vector<Control*>& Controls() const { return controls_; }
  Control* FindControl(const std::string& name) const;

 protected:
  virtual void InitializeComponent() {}
  virtual void Form_Load() {}
  virtual void Form_Unload() {}
  void ActionDone() { ++actionsDone_; }

 private:
  friend class Control;
  void Register(Control* control) { controls_.push_back(control); }
  void Focus(Control* control) { focused_ = control; }

  Ui& ui_;
  std::string name_;
  std::vector<Control*> controls_;
  Control* focused_ = nullptr;
  bool loaded_ = false;
  bool visible_ = false;
  int actionsDone_ = 0;
};

}  // namespace qv::ui
