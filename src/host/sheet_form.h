#pragma once

#include "host/host.h"
#include "ui/form.h"

namespace qv::host {

// A dialog that works on the spreadsheet: the shell hands it the application through ExcelObj.
// The application is the front end's and outlives every dialog; the dialog keeps only a pointer.
class SheetForm : public ui::Form {
 public:
  using Form::Form;
  // Keeps the application for the dialog's work; returns false, as the shell expects.
  bool ExcelObj(Application& objoApp) {
    objExcel_ = &objoApp;
    return false;
  }

 protected:
  Application* objExcel_ = nullptr;
};

}  // namespace qv::host
