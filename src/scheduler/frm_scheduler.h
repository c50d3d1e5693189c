#pragma once

#include "ui/form.h"

namespace qv::scheduler {

// The scheduler dialog: lists, re-times and deletes scheduled submissions.
class frmScheduler : public ui::Form {
 public:
  explicit frmScheduler(ui::Ui& ui) : Form(ui, "frmScheduler") {}

 protected:
  void InitializeComponent() override { Caption = "Scheduler"; }
};

}  // namespace qv::scheduler
