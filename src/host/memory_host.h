#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/host.h"

namespace qv::host {

class MemorySheet : public Sheet {
 public:
  explicit MemorySheet(std::string name) : name_(std::move(name)) {}

  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override;
  Variant Value(CellRef cell) const override;
  std::string Text(CellRef cell) const override;
  void SetValue(CellRef cell, const Variant& value) override;
  void EnterText(CellRef cell, const std::string& text) override;
  void SetBold(CellRef cell, bool bold) override;
  void SelectColumn(int column) override { selectedColumn_ = column; }
  void FinishReading() const override;

  // A value that displays as `text` (a formatted number or date).
  void SetValueAndText(CellRef cell, const Variant& value, const std::string& text);
  bool IsBold(CellRef cell) const;
  std::optional<int> SelectedColumn() const { return selectedColumn_; }
  // Every cell written with a value, by address; for tests and printing.
  std::map<std::string, Variant> UsedCells() const;
  void SetOwnerNames(std::function<std::vector<std::string>()> names) {
    ownerNames_ = std::move(names);
  }
  // Makes the sheet one whose cells read but that fails (HostError) when it is finished, as a
  // file damaged below the rows looked at does.
  void FailWhenFinished(std::string message) { finishFailure_ = std::move(message); }

 private:
  struct CellData {
    Variant value;
    std::optional<std::string> text;
    bool bold = false;
  };
  const CellData* Find(CellRef c) const;
  CellData& At(CellRef c);
  std::string name_;
  // Column by column, each a run of rows from row 1: sends read down columns.
  std::vector<std::vector<CellData>> columns_;
  std::optional<int> selectedColumn_;
  std::function<std::vector<std::string>()> ownerNames_;
  std::optional<std::string> finishFailure_;
};

class MemoryWorkbook : public Workbook {
 public:
  // A workbook with the given sheets, the first one active.
  MemoryWorkbook(std::string name, const std::vector<std::string>& sheetNames);
  MemoryWorkbook(const MemoryWorkbook& other);

  std::string Name() const override { return name_; }
  int SheetCount() const override { return static_cast<int>(sheets_.size()); }
  MemorySheet& SheetAt(int index) override;
  MemorySheet* FindSheet(std::string_view name) override;
  MemorySheet& AddSheetAfter(Sheet& after) override;
  MemorySheet* ActiveSheet() override;
  void Activate(Sheet& sheet) override;

 private:
  MemorySheet& Adopt(std::unique_ptr<MemorySheet> sheet, std::size_t at);
  std::vector<std::string> SheetNames() const;
  std::string name_;
  std::vector<std::unique_ptr<MemorySheet>> sheets_;
  MemorySheet* active_ = nullptr;
};

}  // namespace qv::host
