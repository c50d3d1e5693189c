#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "host/file_workbook.h"
#include "host/memory_command_bars.h"

namespace qv::host {

// The spreadsheet program of the command line: workbooks from files, command bars in memory, and
// a hidden instance that opens files read-only.
class FileApplication : public Application {
 public:
  FileApplication();

  // Opens a workbook file, which becomes the active workbook.
  FileWorkbook& Open(const std::filesystem::path& path);
  // A new, empty workbook that belongs to no file, as a spreadsheet program starts with.
  Workbook& AddBlankWorkbook();

  Workbook* ActiveWorkbook() override;
  Sheet* ActiveSheet() override;
  CommandBars& GetCommandBars() override { return commandBars_; }
  std::unique_ptr<HiddenInstance> CreateHiddenInstance() override;

 private:
  MemoryCommandBars commandBars_;
  std::vector<std::unique_ptr<Workbook>> workbooks_;
};

}  // namespace qv::host
