#pragma once

#include "host/sheet_form.h"

namespace qv::fill {

// The Fill Mobile Numbers dialog: fills a mobile-number column from another workbook.
class frmClient_MNO_Map : public host::SheetForm {
 public:
  explicit frmClient_MNO_Map(ui::Ui& ui) : SheetForm(ui, "frmClient_MNO_Map") {}

 protected:
  void InitializeComponent() override { Caption = "Fill Mobile Numbers"; }
};

}  // namespace qv::fill
