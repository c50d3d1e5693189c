#include "ui/controls.h"

#include "ui/form.h"
#include "values/text.h"

namespace qv::ui {

Control::Control(Form& owner, std::string name) : owner_(owner), name_(std::move(name)) {
  owner_.Register(this);
}

void Control::SetFocus() { owner_.Focus(this); }
bool Control::HasFocus() const { return owner_.FocusedControl() == this; }

void Control::Reset() {
  Enabled = true;
  Visible = true;
  ToolTipText.clear();
  Left = Top = Width = Height = 0;
  Container = nullptr;
}

void Control::Place(int left, int top, int width, int height, Frame* container) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
  Container = container;
}

void Label::Reset() {
  Control::Reset();
  Caption.clear();
  BackColor = Colour();
  FontSize = 0;
}

void CommandButton::Reset() {
  Control::Reset();
  Caption.clear();
  Default = Cancel = false;
}

void CommandButton::Press() {
  if (Enabled && Visible && Click) Click();
}

void TextBox::Reset() {
  Control::Reset();
  Text.clear();
  MaxLength = 0;
  PasswordChar = 0;
  MultiLine = false;
  SelStart = SelLength = 0;
}

void TextBox::Type(const std::string& text) {
  const std::size_t length = Utf8Length(Text);
  const std::size_t start = std::min(SelStart, length);
  const std::size_t count = std::min(SelLength, length - start);
  const std::string before = Utf8Left(Text, start);
  const std::string after = Text.substr(Utf8Left(Text, start + count).size());
  std::string typed = text;
  if (MaxLength > 0) {
    const std::size_t room = MaxLength > length - count ? MaxLength - (length - count) : 0;
    typed = Utf8Left(typed, room);
  }
  Text = before + typed + after;
  SelStart = start + Utf8Length(typed);
  SelLength = 0;
}

void TextBox::SelectAll() {
  SelStart = 0;
  SelLength = Utf8Length(Text);
}

void CheckBox::Reset() {
  Control::Reset();
  Caption.clear();
  value_ = false;
}

void CheckBox::SetValue(bool value) {
  if (value_ == value) return;
  value_ = value;
  if (Click) Click();
}

void OptionButton::Reset() {
  Control::Reset();
  Caption.clear();
  value_ = false;
}

void OptionButton::SetValue(bool value) {
  value_ = value;
  if (!value) return;
  for (Control* c : Owner().Controls()) {
    if (c == this || c->Kind() != ControlKind::OptionButton) continue;
    if (auto* other = static_cast<OptionButton*>(c); other->Group == Group) other->value_ = false;
  }
  if (Click) Click();
}

void ListControl::Reset() {
  Control::Reset();
  Items.clear();
  Text.clear();
  listIndex_ = -1;
}

void ListControl::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) index = -1;
  listIndex_ = index;
  Text = index < 0 ? std::string() : Items[static_cast<std::size_t>(index)];
  if (Click) Click();
}

void ListControl::AddItem(const std::string& item) { Items.push_back(item); }

void ListControl::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) return;
  Items.erase(Items.begin() + index);
  if (listIndex_ == index) {
    listIndex_ = -1;
  } else if (listIndex_ > index) {
    --listIndex_;
  }
}

void ListControl::Clear() {
  Items.clear();
  listIndex_ = -1;
  Text.clear();
}

void Frame::Reset() {
  Control::Reset();
  Caption.clear();
}

void ListView::Reset() {
  Control::Reset();
  Columns.clear();
  Rows.clear();
  FontSize = 0;
  selected_ = -1;
}

void ListView::SelectRow(int row) {
  if (row < 0 || row >= static_cast<int>(Rows.size())) return;
  selected_ = row;
  if (ItemClick) ItemClick();
}

void ListView::ClearRows() {
  Rows.clear();
  selected_ = -1;
}

}  // namespace qv::ui
