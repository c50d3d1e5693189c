#include "host/file_application.h"

#include "host/csv_workbook.h"
#include "host/memory_host.h"
#include "host/xlsx_workbook.h"
#include "values/text.h"

namespace qv::host {

std::unique_ptr<FileWorkbook> OpenWorkbookFile(const std::filesystem::path& path, bool readOnly) {
  const std::string extension = ToLowerAscii(path.extension().string());
  if (extension == ".xlsx") return XlsxWorkbook::Open(path, readOnly);
  if (extension == ".csv") return CsvWorkbook::Open(path, readOnly);
  if (extension == ".xls") {
    throw HostError(
        "The workbook file " + path.string() +
        " is of the old binary .xls kind, which cannot be read: save it as .xlsx first.");
  }
  throw HostError("The file " + path.string() +
                  " is no workbook: only .xlsx and .csv files can be opened.");
}

namespace {

class FileHiddenInstance : public HiddenInstance {
 public:
  Workbook& OpenReadOnly(const std::string& path) override {
    workbooks_.push_back(OpenWorkbookFile(path, true));
    return *workbooks_.back();
  }
  void CloseAll() override { workbooks_.clear(); }

 private:
  std::vector<std::unique_ptr<FileWorkbook>> workbooks_;
};

}  // namespace

FileApplication::FileApplication() = default;

FileWorkbook& FileApplication::Open(const std::filesystem::path& path) {
  auto workbook = OpenWorkbookFile(path, false);
  FileWorkbook& opened = *workbook;
  workbooks_.push_back(std::move(workbook));
  return opened;
}

Workbook& FileApplication::AddBlankWorkbook() {
  workbooks_.push_back(
      std::make_unique<MemoryWorkbook>("Book1", std::vector<std::string>{"Sheet1"}));
  return *workbooks_.back();
}

Workbook* FileApplication::ActiveWorkbook() {
  return workbooks_.empty() ? nullptr : workbooks_.back().get();
}

Sheet* FileApplication::ActiveSheet() {
  Workbook* wb = ActiveWorkbook();
  return wb ? wb->ActiveSheet() : nullptr;
}

std::unique_ptr<HiddenInstance> FileApplication::CreateHiddenInstance() {
  return std::make_unique<FileHiddenInstance>();
}

}  // namespace qv::host
