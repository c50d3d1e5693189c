#include "forms/frm_display.h"

#include "ui/ui.h"

namespace qv::forms {

void frmDisplay::Progress(const std::string& text) {
  if (!IsVisible()) Show(ui::Modality::Modeless);
  Label1.Caption = text;
  ui().DoEvents();
}

}  // namespace qv::forms
