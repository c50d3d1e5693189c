#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/file_workbook.h"

namespace qv::host {

class XlsxSheet;
struct XlsxPackage;

// A workbook in an Office Open XML (.xlsx) file. Sheets are read when first touched; values come
// with their displayed texts from the cells' number formats. Saving rewrites only the parts that
// changed, into a temporary file beside the original that replaces it once it is complete and
// reads back; every other part stays byte for byte.
class XlsxWorkbook : public FileWorkbook {
 public:
  // Throws HostError naming the file and the problem.
  static std::unique_ptr<XlsxWorkbook> Open(const std::filesystem::path& path,
                                            bool readOnly = false);
  // Writes a new workbook of one empty sheet at `path` and opens it.
  static std::unique_ptr<XlsxWorkbook> Create(const std::filesystem::path& path,
                                              const std::string& sheetName);
  ~XlsxWorkbook() override;

  std::string Name() const override;
  int SheetCount() const override;
  Sheet& SheetAt(int index) override;
  Sheet* FindSheet(std::string_view name) override;
  Sheet& AddSheetAfter(Sheet& after) override;
  Sheet* ActiveSheet() override;
  void Activate(Sheet& sheet) override;

  const std::filesystem::path& Path() const override;
  bool IsModified() const override;
  void Save() override;
  // Runs between writing the temporary file and renaming it; lets a test stop a save there.
  void SetBeforeRename(std::function<void()> hook);
  // Reads every sheet now, so that a damaged one is reported at once.
  void LoadAll();

 private:
  explicit XlsxWorkbook(std::unique_ptr<XlsxPackage> package);
  friend class XlsxSheet;
  std::unique_ptr<XlsxPackage> package_;
};

}  // namespace qv::host
