#pragma once

#include <filesystem>
#include <memory>

#include "host/host.h"

namespace qv::host {

// A workbook that lives in a file and is saved back to it safely: into a temporary file beside
// it, which replaces it only once complete and read back.
class FileWorkbook : public Workbook {
 public:
  virtual const std::filesystem::path& Path() const = 0;
  virtual bool IsModified() const = 0;
  // Throws HostError; the file is then as it was.
  virtual void Save() = 0;
};

// Opens a workbook file by its kind: .xlsx or .csv. Anything else is a HostError that says so.
std::unique_ptr<FileWorkbook> OpenWorkbookFile(const std::filesystem::path& path, bool readOnly);

}  // namespace qv::host
