#pragma once

#include "host/sheet_form.h"

namespace qv::send {

// The Send SMS dialog: mobile column, message template, rows, and the send options.
class frmSendSMS : public host::SheetForm {
 public:
  explicit frmSendSMS(ui::Ui& ui) : SheetForm(ui, "frmSendSMS") {}

 protected:
  void InitializeComponent() override { Caption = "Send SMS"; }
};

}  // namespace qv::send
