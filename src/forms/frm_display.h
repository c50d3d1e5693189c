#pragma once

#include "ui/form.h"

namespace qv::forms {

// The wait form: one label that long operations fill with "Please wait - ..." texts.
class frmDisplay : public ui::Form {
 public:
  explicit frmDisplay(ui::Ui& ui) : Form(ui, "frmDisplay"), Label1(*this, "Label1") {}
  ui::Label Label1;

  // Shows the form modeless if it is not shown yet, writes the text and lets the screen redraw.
  void Progress(const std::string& text);

 protected:
  void InitializeComponent() override;
};

}  // namespace qv::forms
