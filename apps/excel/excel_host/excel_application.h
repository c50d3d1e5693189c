#pragma once

#include <memory>
#include <string>
#include <vector>

#include "com/dispatch.h"
#include "excel_host/excel_command_bars.h"
#include "excel_host/excel_workbook.h"
#include "host/host.h"

namespace qv::excel {

// The running Excel, as the add-in's core sees it. It owns every wrapper it hands out; when it
// goes, every click handler is unadvised and every object of Excel's it held is released.
class ExcelApplication : public host::Application {
 public:
  explicit ExcelApplication(Dispatch application) : application_(std::move(application)) {}

  host::Workbook* ActiveWorkbook() override;
  host::Sheet* ActiveSheet() override;
  host::CommandBars& GetCommandBars() override;
  std::unique_ptr<host::HiddenInstance> CreateHiddenInstance() override;
  // Excel's main window, which owns the add-in's windows; nullptr when Excel gives none.
  HWND MainWindow() const;
  // Whether another program started this Excel through automation and nobody uses it (Visible
  // and UserControl both False): such an Excel gets nothing of the add-in's. An Excel that
  // cannot tell counts as the user's.
  bool StartedByAnotherProgram() const;

 private:
  Dispatch application_;
  std::vector<std::unique_ptr<ExcelWorkbook>> workbooks_;
  std::unique_ptr<ExcelCommandBars> bars_;
};

// A second Excel the user does not see, started on the first workbook it opens (as the program
// registered as Excel.Application) and told to quit when its workbooks are closed, so no Excel
// process is left behind.
class ExcelHiddenInstance : public host::HiddenInstance {
 public:
  ExcelHiddenInstance() = default;
  ~ExcelHiddenInstance() override;
  host::Workbook& OpenReadOnly(const std::string& path) override;
  void CloseAll() override;

 private:
  Dispatch application_;
  std::vector<std::unique_ptr<ExcelWorkbook>> open_;
};

}  // namespace qv::excel
