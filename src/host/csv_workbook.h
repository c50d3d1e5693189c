#pragma once

#include <memory>
#include <string>

#include "host/file_workbook.h"
#include "host/memory_host.h"

namespace qv::host {

// A comma-separated file (UTF-8, RFC 4180 quoting) as a workbook of one sheet named after the
// file. A field is a number when it is written the way the number is written back, so no digit
// is ever lost ("007" and "+4912" stay text); everything else is text.
class CsvWorkbook : public FileWorkbook {
 public:
  static std::unique_ptr<CsvWorkbook> Open(const std::filesystem::path& path,
                                           bool readOnly = false);
  ~CsvWorkbook() override;

  std::string Name() const override;
  int SheetCount() const override { return 1; }
  Sheet& SheetAt(int index) override;
  Sheet* FindSheet(std::string_view name) override;
  Sheet& AddSheetAfter(Sheet& after) override;
  Sheet* ActiveSheet() override;
  void Activate(Sheet&) override {}

  const std::filesystem::path& Path() const override { return path_; }
  bool IsModified() const override;
  void Save() override;
  // Runs between writing the temporary file and renaming it; lets a test stop a save there.
  void SetBeforeRename(std::function<void()> hook) { beforeRename_ = std::move(hook); }

  class CsvSheet;

 private:
  CsvWorkbook(std::filesystem::path path, bool readOnly);
  std::string Serialize() const;
  std::filesystem::path path_;
  bool readOnly_;
  bool crlf_ = false;
  std::unique_ptr<CsvSheet> sheet_;
  std::function<void()> beforeRename_;
};

// Reads CSV text into a sheet; throws HostError naming `file` and the line for broken input.
void ReadCsv(const std::string& text, const std::string& file, MemorySheet& sheet, bool& crlf);

}  // namespace qv::host
