#include "ui/form_view.h"

#include "ui/ui.h"

namespace qv::ui {
namespace {

constexpr std::size_t Bit(Property p) { return static_cast<std::size_t>(p); }

Properties Of(std::initializer_list<Property> list) {
  Properties out;
  for (Property p : list) out.set(Bit(p));
  return out;
}

Area AreaOf(const Control& c) {
  Area at{c.Left, c.Top, c.Width, c.Height};
  for (const Frame* frame = c.Container; frame; frame = frame->Container) {
    at.left += frame->Left;
    at.top += frame->Top;
  }
  return at;
}

bool Seen(const Control& c) {
  for (const Control* at = &c; at; at = at->Container) {
    if (!at->Visible) return false;
  }
  return true;
}

// Takes the form's value into what the window is to show, noting the property when it differs.
template <typename T>
void Follow(Properties& changed, Property property, T& shown, const T& wanted) {
  if (shown == wanted) return;
  shown = wanted;
  changed.set(Bit(property));
}

void FollowList(Properties& changed, Look& look, const ListControl& list) {
  Follow(changed, Property::Items, look.items, list.Items);
  Follow(changed, Property::ListIndex, look.listIndex, list.ListIndex());
}

// Brings `look` in line with the control; the answer is what changed.
Properties Update(Look& look, const Control& c) {
  Properties changed;
  Follow(changed, Property::Place, look.place, AreaOf(c));
  Follow(changed, Property::ToolTip, look.toolTip, c.ToolTipText);
  Follow(changed, Property::Enabled, look.enabled, c.Enabled);
  Follow(changed, Property::Visible, look.visible, Seen(c));
  switch (c.Kind()) {
    case ControlKind::Label: {
      const auto& label = static_cast<const Label&>(c);
      Follow(changed, Property::Caption, look.caption, label.Caption);
      Follow(changed, Property::BackColor, look.backColor, label.BackColor);
      Follow(changed, Property::FontSize, look.fontSize, label.FontSize);
      break;
    }
    case ControlKind::CommandButton:
      Follow(changed, Property::Caption, look.caption,
             static_cast<const CommandButton&>(c).Caption);
      break;
    case ControlKind::TextBox: {
      const auto& box = static_cast<const TextBox&>(c);
      Follow(changed, Property::Text, look.text, box.Text);
      const std::pair<std::size_t, std::size_t> caret{box.SelStart, box.SelLength};
      if (std::pair{look.selStart, look.selLength} != caret) {
        std::tie(look.selStart, look.selLength) = caret;
        changed.set(Bit(Property::Caret));
      }
      Follow(changed, Property::MaxLength, look.maxLength, box.MaxLength);
      break;
    }
    case ControlKind::CheckBox: {
      const auto& check = static_cast<const CheckBox&>(c);
      Follow(changed, Property::Caption, look.caption, check.Caption);
      Follow(changed, Property::Checked, look.checked, check.Value());
      break;
    }
    case ControlKind::OptionButton: {
      const auto& option = static_cast<const OptionButton&>(c);
      Follow(changed, Property::Caption, look.caption, option.Caption);
      Follow(changed, Property::Checked, look.checked, option.Value());
      break;
    }
    case ControlKind::ComboBox: {
      const auto& combo = static_cast<const ComboBox&>(c);
      FollowList(changed, look, combo);
      // A drop-down list shows its chosen entry; only an editable one has a text of its own.
      if (combo.Editable) Follow(changed, Property::Text, look.text, combo.Text);
      break;
    }
    case ControlKind::ListBox:
      FollowList(changed, look, static_cast<const ListBox&>(c));
      break;
    case ControlKind::Frame:
      Follow(changed, Property::Caption, look.caption, static_cast<const Frame&>(c).Caption);
      break;
    case ControlKind::PictureBox:
      Follow(changed, Property::Picture, look.picture, static_cast<const PictureBox&>(c).Image);
      break;
    case ControlKind::ListView: {
      const auto& view = static_cast<const ListView&>(c);
      Follow(changed, Property::Rows, look.rows, view.Rows);
      Follow(changed, Property::SelectedRow, look.selectedRow, view.SelectedRow());
      Follow(changed, Property::FontSize, look.fontSize, view.FontSize);
      break;
    }
  }
  return changed;
}

// Runs one step of a doing of the user; what it throws stops here. The answer is whether it ran
// to its end.
template <typename F>
bool Attempt(const F& step) {
  try {
    step();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

Properties PropertiesOf(ControlKind kind) {
  Properties common =
      Of({Property::Place, Property::ToolTip, Property::Enabled, Property::Visible});
  switch (kind) {
    case ControlKind::Label:
      return common | Of({Property::Caption, Property::BackColor, Property::FontSize});
    case ControlKind::CommandButton:
    case ControlKind::Frame:
      return common | Of({Property::Caption});
    case ControlKind::TextBox:
      return common | Of({Property::Text, Property::Caret, Property::MaxLength});
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      return common | Of({Property::Caption, Property::Checked});
    case ControlKind::ComboBox:
      return common | Of({Property::Items, Property::ListIndex, Property::Text});
    case ControlKind::ListBox:
      return common | Of({Property::Items, Property::ListIndex});
    case ControlKind::PictureBox:
      return common | Of({Property::Picture});
    case ControlKind::ListView:
      return common | Of({Property::Rows, Property::SelectedRow, Property::FontSize});
  }
  return common;
}

FormView::FormView(Form& form, Renderer& renderer) : form_(form), renderer_(renderer) {}

void FormView::Push() {
  if (!renderer_.Open()) return;
  const auto& controls = form_.Controls();
  looks_.resize(controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Control& c = *controls[i];
    const bool first = !looks_[i];
    if (first) looks_[i].emplace();
    Properties changed = Update(*looks_[i], c);
    if (first) changed |= PropertiesOf(c.Kind());
    changed |= stale_ & PropertiesOf(c.Kind());
    for (std::size_t p = 0; p < kPropertyCount; ++p) {
      if (changed.test(p)) renderer_.Apply(i, *looks_[i], static_cast<Property>(p));
    }
  }
  stale_.reset();
  if (caption_ != form_.Caption) {
    caption_ = form_.Caption;
    renderer_.ApplyCaption(form_.Caption);
  }
  if (const std::pair size{form_.Width, form_.Height}; size_ != size) {
    size_ = size;
    renderer_.ApplySize(size.first, size.second);
  }
  // The focus moves only where the form moved it.
  if (const Control* focus = form_.FocusedControl(); focus && focus != focused_) {
    focused_ = focus;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (controls[i] == focus) renderer_.ApplyFocus(i);
    }
  }
}

void FormView::Pull() {
  if (!renderer_.Open()) return;
  const auto& controls = form_.Controls();
  for (std::size_t i = 0; i < controls.size() && i < looks_.size(); ++i) {
    if (!looks_[i]) continue;
    Look& shown = *looks_[i];
    renderer_.ReadBack(i, shown);
    Control& c = *controls[i];
    if (c.Kind() == ControlKind::TextBox) {
      auto& box = static_cast<TextBox&>(c);
      box.Text = shown.text;
      box.SelStart = shown.selStart;
      box.SelLength = shown.selLength;
    } else if (c.Kind() == ControlKind::ComboBox && static_cast<ComboBox&>(c).Editable) {
      static_cast<ComboBox&>(c).Text = shown.text;
    }
  }
  if (const auto focused = renderer_.Focused(); focused && *focused < controls.size()) {
    controls[*focused]->SetFocus();
    focused_ = controls[*focused];
  }
}

void FormView::Run(const std::function<void()>& handler) {
  form_.ui().Handle([&] {
    if (Attempt([this] { Pull(); })) Attempt(handler);
    Attempt([this] { Push(); });
  });
}

}  // namespace qv::ui
