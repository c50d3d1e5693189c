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

void Form::EscapePressed() {
  Form_KeyPress(27);
  for (Control* c : controls_) {
    if (auto* b = dynamic_cast<CommandButton*>(c); b && b->Cancel && IsLoaded()) b->Press();
  }
}

void Form::EnterPressed() {
  for (Control* c : controls_) {
    if (auto* b = dynamic_cast<CommandButton*>(c); b && b->Default) b->Press();
  }
}

Control* Form::FindControl(const std::string& name) const {
  for (Control* c : controls_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

}  // namespace qv::ui
