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

Control* Form::FindControl(const std::string& name) const {
  for (Control* c : controls_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

}  // namespace qv::ui
