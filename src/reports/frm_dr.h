#pragma once

#include "host/sheet_form.h"

namespace qv::reports {

// The Delivery Report dialog: downloads the reports of a date range into a new sheet.
class frmDR : public host::SheetForm {
 public:
  explicit frmDR(ui::Ui& ui) : SheetForm(ui, "frmDR") {}

 protected:
  void InitializeComponent() override { Caption = "Delivery Report"; }
};

}  // namespace qv::reports
