#include "ui/form.h"

#include "ui/ui.h"

namespace qv::ui {

Form::Form(Ui& ui, std::string name) : ui_(ui), name_(std::move(name)) {}

void Form::Load() {
  if (loaded_) return;
  for (Control* c : controls_) c->Reset();
  focused_ = nullptr;
  Caption.clear();
  Width = Height = 0;
  InitializeComponent();
  loaded_ = true;
  Form_Load();
}

void Form::Show(Modality modality) {
  if (!loaded_) Load();
  // Form_Load may already have closed the form.
  if (!loaded_) return;
  visible_ = true;
  ui_.ShowForm(*this, modality);
  if (modality == Modality::Modal && loaded_) Unload();
}

void Form::Unload() {
  if (!loaded_) return;
  Form_Unload();
  loaded_ = false;
  visible_ = false;
  ui_.FormClosed(*this);
}

void Form::Form_KeyPress(int) {}

namespace {

// Presses the form's buttons that `which` picks, while the form stays loaded.
template <typename Pick>
void PressButtons(Form& form, const std::vector<Control*>& controls, Pick which) {
  for (Control* c : controls) {
    if (c->Kind() != ControlKind::CommandButton || !form.IsLoaded()) continue;
    if (auto* button = static_cast<CommandButton*>(c); which(*button)) button->Press();
  }
}

}  // namespace

void Form::EscapePressed() {
  Form_KeyPress(27);
  PressButtons(*this, controls_, [](const CommandButton& b) { return b.Cancel; });
}

void Form::EnterPressed() {
  PressButtons(*this, controls_, [](const CommandButton& b) { return b.Default; });
}

Control* Form::FindControl(const std::string& name) const {
  for (Control* c : controls_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

}  // namespace qv::ui
