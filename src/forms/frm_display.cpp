#include "forms/frm_display.h"

#include "ui/ui.h"

namespace qv::forms {

void frmDisplay::InitializeComponent() {
  Caption = "Quorvalent";
  Width = 4800;
  Height = 1400;
  Label1.Place(240, 240, 4080, 495);
}

void frmDisplay::Progress(const std::string& text) {
  if (!IsVisible()) Show(ui::Modality::Modeless);
  Label1.Caption = text;
  shown_ = now();
  ui().DoEvents();
}

void frmDisplay::Step(const std::string& text) {
  if (IsVisible() && shown_ && now() - *shown_ < kStepInterval) {
    Label1.Caption = text;
    return;
  }
  Progress(text);
}

}  // namespace qv::forms
