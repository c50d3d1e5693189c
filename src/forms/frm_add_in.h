#pragma once

#include "ui/form.h"

namespace qv::forms {

// A hidden form that only holds the toolbar's button faces.
class frmAddIn : public ui::Form {
 public:
  explicit frmAddIn(ui::Ui& ui);

  ui::PictureBox picSendSMS;
  ui::PictureBox picDeliverRep;
  ui::PictureBox picBuySMS;
  ui::PictureBox picSettings;
  ui::PictureBox picDemo;
  ui::PictureBox picFillMNO;
  ui::PictureBox ImgScheduler;

 protected:
  void InitializeComponent() override;
};

}  // namespace qv::forms
