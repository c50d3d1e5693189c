#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/colour.h"
#include "ui/picture.h"

namespace qv::ui {

class Form;
class Frame;

// What a control is, for a renderer to make and draw it: one switch over this, which the compiler
// checks for completeness, stands for each kind.
enum class ControlKind {
  Label,
  CommandButton,
  TextBox,
  CheckBox,
  OptionButton,
  ComboBox,
  ListBox,
  Frame,
  PictureBox,
  ListView,
};

// Controls are plain data: what a user sees of them is in public members that a renderer (or a
// test) reads, and writes back when the user types or clicks. The operations that raise events
// in the original toolkit raise them here too: choosing a list entry from code, ticking a check
// box from code and setting an option button all run the control's click handler.
class Control {
 public:
  Control(Form& owner, std::string name);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;
  virtual ControlKind Kind() const = 0;

  const std::string& Name() const { return name_; }
  Form& Owner() const { return owner_; }
  void SetFocus();
  bool HasFocus() const;

  bool Enabled = true;
  bool Visible = true;
  std::string ToolTipText;
  // Where the control sits and how big it is, in twips (1/1440 inch), within its container: the
  // frame it belongs to, or the form's inside when it belongs to none.
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  Frame* Container = nullptr;
  // Sets the four, and the container.
  void Place(int left, int top, int width, int height, Frame* container = nullptr);

  // Back to the state of a newly created control; Form::Show calls it before each load.
  virtual void Reset();

 private:
  Form& owner_;
  std::string name_;
};

class Label : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::Label; }
  void Reset() override;
  std::string Caption;
  Colour BackColor;  // the toolkit's default unless set
  int FontSize = 0;  // in points; 0 leaves the toolkit's default
};

class CommandButton : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::CommandButton; }
  void Reset() override;
  std::string Caption;
  bool Default = false;  // pressed by Enter
  bool Cancel = false;   // pressed by Escape
  std::function<void()> Click;
  // What a user's press does: nothing when the button is disabled or hidden.
  void Press();
};

class TextBox : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::TextBox; }
  void Reset() override;
  std::string Text;
  std::size_t MaxLength = 0;  // characters a user can type; 0 for no limit
  char PasswordChar = 0;
  bool MultiLine = false;
  std::size_t SelStart = 0;  // in characters
  std::size_t SelLength = 0;
  std::function<void()> Click;

  // What a user's typing does: replaces the selection, cut to MaxLength, caret after it.
  void Type(const std::string& text);
  void SelectAll();
};

class CheckBox : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::CheckBox; }
  void Reset() override;
  std::string Caption;
  std::function<void()> Click;
  bool Value() const { return value_; }
  // Changing the value runs Click, whether the user or the code changes it.
  void SetValue(bool value);

 private:
  bool value_ = false;
};

class OptionButton : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::OptionButton; }
  void Reset() override;
  std::string Caption;
  std::function<void()> Click;
  bool Value() const { return value_; }
  // Setting true clears the other option buttons of the same group and runs Click.
  void SetValue(bool value);
  int Group = 0;

 private:
  bool value_ = false;
};

// A list: a drop-down (ComboBox) or a list box (ListBox). Text is the edit part of an editable
// drop-down, or the chosen entry.
class ListControl : public Control {
 public:
  using Control::Control;
  void Reset() override;
  std::vector<std::string> Items;
  std::string Text;
  std::function<void()> Click;
  std::function<void()> DblClick;

  int ListIndex() const { return listIndex_; }
  int ListCount() const { return static_cast<int>(Items.size()); }
  // Choosing an entry (or -1 for none) sets Text and runs Click, from code as from the user.
  void SetListIndex(int index);
  void AddItem(const std::string& item);
  void RemoveItem(int index);
  void Clear();

 private:
  int listIndex_ = -1;
};

class ComboBox : public ListControl {
 public:
  using ListControl::ListControl;
  ControlKind Kind() const override { return ControlKind::ComboBox; }
  bool Editable = true;  // a drop-down combo accepts typed text; a drop-down list does not
};

class ListBox : public ListControl {
 public:
  using ListControl::ListControl;
  ControlKind Kind() const override { return ControlKind::ListBox; }
};

class Frame : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::Frame; }
  void Reset() override;
  std::string Caption;
};

class PictureBox : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::PictureBox; }
  Picture Image;
};

// A report-style list: column headers and rows of texts; a click on a row selects it.
class ListView : public Control {
 public:
  using Control::Control;
  ControlKind Kind() const override { return ControlKind::ListView; }
  void Reset() override;
  struct Column {
    std::string Header;
    int Width = 0;
  };
  std::vector<Column> Columns;
  std::vector<std::vector<std::string>> Rows;
  int FontSize = 0;
  std::function<void()> ItemClick;

  int SelectedRow() const { return selected_; }
  void SelectRow(int row);  // runs ItemClick
  void Deselect() { selected_ = -1; }
  void ClearRows();

 private:
  int selected_ = -1;
};

}  // namespace qv::ui
