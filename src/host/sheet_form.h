#pragma once

#include "host/host.h"
#include "ui/form.h"
#include "ui/ui.h"

namespace qv::host {

// What the workbook commands say when the spreadsheet has no active workbook.
inline constexpr const char* kNoWorkbook = "Work book does not exit. Please check";

// The active workbook, or nullptr once the user has been told in a critical box why there is
// none: kNoWorkbook when none is open, the spreadsheet's own description when asking it failed.
inline Workbook* ActiveWorkbookOrSay(Application* app, ui::Ui& ui) {
  try {
    if (Workbook* workbook = app ? app->ActiveWorkbook() : nullptr) return workbook;
    ui.MsgBox(kNoWorkbook, ui::mb::Critical, ui::kTitle);
  } catch (const std::exception& e) {
    ui.MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
  return nullptr;
}

// Whether the spreadsheet says that no workbook is open (false when it cannot say).
inline bool NoWorkbookOpen(Application* app) noexcept {
  try {
    return !app || !app->ActiveWorkbook();
  } catch (const std::exception&) {
    return false;
  }
}

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
