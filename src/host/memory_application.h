#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/memory_command_bars.h"
#include "host/memory_host.h"

namespace qv::host {

// A spreadsheet program held in memory: open workbooks, command bars, and files that
// the hidden instance can open (copies, so the file itself never changes).
class MemoryApplication : public Application {
 public:
  MemoryApplication();

  MemoryWorkbook& AddWorkbook(std::string name,
                              const std::vector<std::string>& sheetNames = {"Sheet1"});
  void CloseActiveWorkbook();
  void AddFile(const std::string& path, std::shared_ptr<const MemoryWorkbook> workbook);
  // How many hidden instances are alive and how many workbooks they hold open.
  int HiddenWorkbooksOpen() const { return *hiddenOpen_; }

  MemoryWorkbook* ActiveWorkbook() override;
  MemorySheet* ActiveSheet() override;
  CommandBars& GetCommandBars() override { return commandBars_; }
  MemoryCommandBars& MemoryBars() { return commandBars_; }
  std::unique_ptr<HiddenInstance> CreateHiddenInstance() override;

 private:
  MemoryCommandBars commandBars_;
  std::vector<std::unique_ptr<MemoryWorkbook>> workbooks_;
  std::map<std::string, std::shared_ptr<const MemoryWorkbook>> files_;
  std::shared_ptr<int> hiddenOpen_ = std::make_shared<int>(0);
};

}  // namespace qv::host
