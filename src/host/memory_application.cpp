#include "host/memory_application.h"

namespace qv::host {

namespace {

class MemoryHiddenInstance : public HiddenInstance {
 public:
  MemoryHiddenInstance(const std::map<std::string, std::shared_ptr<const MemoryWorkbook>>& files,
                       std::shared_ptr<int> open)
      : files_(files), open_(std::move(open)) {}
  ~MemoryHiddenInstance() override { CloseAll(); }

  Workbook& OpenReadOnly(const std::string& path) override {
    const auto it = files_.find(path);
    if (it == files_.end()) throw HostError("The file \"" + path + "\" could not be found.");
    workbooks_.push_back(std::make_unique<MemoryWorkbook>(*it->second));
    ++*open_;
    return *workbooks_.back();
  }
  void CloseAll() override {
    *open_ -= static_cast<int>(workbooks_.size());
    workbooks_.clear();
  }

 private:
  const std::map<std::string, std::shared_ptr<const MemoryWorkbook>>& files_;
  std::shared_ptr<int> open_;
  std::vector<std::unique_ptr<MemoryWorkbook>> workbooks_;
};

}  // namespace

MemoryApplication::MemoryApplication() = default;

MemoryWorkbook& MemoryApplication::AddWorkbook(std::string name,
                                               const std::vector<std::string>& sheetNames) {
  workbooks_.push_back(std::make_unique<MemoryWorkbook>(std::move(name), sheetNames));
  return *workbooks_.back();
}

void MemoryApplication::CloseActiveWorkbook() {
  if (!workbooks_.empty()) workbooks_.pop_back();
}

void MemoryApplication::AddFile(const std::string& path,
                                std::shared_ptr<const MemoryWorkbook> workbook) {
  files_[path] = std::move(workbook);
}

MemoryWorkbook* MemoryApplication::ActiveWorkbook() {
  return workbooks_.empty() ? nullptr : workbooks_.back().get();
}

MemorySheet* MemoryApplication::ActiveSheet() {
  auto* wb = ActiveWorkbook();
  return wb ? wb->ActiveSheet() : nullptr;
}

std::unique_ptr<HiddenInstance> MemoryApplication::CreateHiddenInstance() {
  return std::make_unique<MemoryHiddenInstance>(files_, hiddenOpen_);
}

}  // namespace qv::host
