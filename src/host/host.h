#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/cell_ref.h"
#include "ui/picture.h"
#include "values/errors.h"
#include "values/variant.h"

namespace qv::host {

// A failure of the spreadsheet, with a description a user can act on.
class HostError : public AddinError {
 public:
  explicit HostError(const std::string& description)
      : AddinError(error::kSpreadsheet, description) {}
};

// A workbook, sheet or cell reached after the spreadsheet closed it: the object has disconnected
// from its clients. An adapter throws it where the spreadsheet says so.
class Disconnected : public HostError {
 public:
  using HostError::HostError;
};

// A rectangle of cells: its top-left cell and how many columns and rows it spans. Its cells are
// counted row by row, left to right.
struct CellBlock {
  CellRef first;
  int columns = 1;
  int rows = 1;
  std::size_t Size() const {
    return static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  }
  CellRef At(std::size_t index) const {
    const auto across = static_cast<std::size_t>(columns);
    return {first.column + static_cast<int>(index % across),
            first.row + static_cast<int>(index / across)};
  }
  CellRef Last() const { return {first.column + columns - 1, first.row + rows - 1}; }
};

class Sheet {
 public:
  virtual ~Sheet() = default;
  virtual std::string Name() const = 0;
  // Renames the sheet; a name the spreadsheet does not accept is a HostError.
  virtual void SetName(const std::string& name) = 0;

  virtual Variant Value(CellRef cell) const = 0;
  // The text the cell displays.
  virtual std::string Text(CellRef cell) const = 0;
  virtual void SetValue(CellRef cell, const Variant& value) = 0;
  // Puts text into the cell as a person typing it would: the spreadsheet reads a number, a date
  // or a time in it (TypedValue) and formats the cell to show what it read.
  virtual void EnterText(CellRef cell, const std::string& text) = 0;
  virtual void SetBold(CellRef cell, bool bold) = 0;
  // Selects the whole column (1-based).
  virtual void SelectColumn(int column) = 0;
  // The same for a block of cells at once, cell by cell in the block's order: each answer is what
  // Value or Text gives for that cell, and each write what SetValue or EnterText does. A
  // spreadsheet reached through calls answers a block in a few; a cell's failure fails the block.
  virtual std::vector<Variant> Values(const CellBlock& block) const;
  virtual std::vector<std::string> Texts(const CellBlock& block) const;
  // `values` and `texts` hold one entry for each cell of the block.
  virtual void SetValues(const CellBlock& block, const std::vector<Variant>& values);
  virtual void EnterTexts(const CellBlock& block, const std::vector<std::string>& texts);
  // The most rows a read of one column should ask for at once. A spreadsheet reached through
  // calls, each of which costs, answers large blocks in a few; a sheet in memory gains nothing
  // from them, and one still being read from its file would wait for rows it could hand out now.
  virtual int LargestBlockRows() const { return 1; }
  // Waits until every cell of the sheet is in hand. A sheet read from a file may hand out rows
  // while later ones are still being read; one that turns out unreadable fails here (HostError),
  // as its cells then do. Whatever acts on cells read (a send, a fill) calls it first.
  virtual void FinishReading() const {}

  // The same by address ("B12"); an address that names no cell is a HostError.
  Variant ValueAt(std::string_view address) const { return Value(Cell(address)); }
  std::string TextAt(std::string_view address) const { return Text(Cell(address)); }
  void SetValueAt(std::string_view address, const Variant& value) {
    SetValue(Cell(address), value);
  }
  void SetBoldAt(std::string_view address, bool bold) { SetBold(Cell(address), bold); }
  void SelectColumnNamed(std::string_view letters);

  static CellRef Cell(std::string_view address);
};

class Workbook {
 public:
  virtual ~Workbook() = default;
  virtual std::string Name() const = 0;
  virtual int SheetCount() const = 0;
  // 1-based, as the spreadsheet counts them.
  virtual Sheet& SheetAt(int index) = 0;
  // By name, without regard to letter case; nullptr when there is none.
  virtual Sheet* FindSheet(std::string_view name) = 0;
  // A new worksheet right after `after`, which becomes the active sheet.
  virtual Sheet& AddSheetAfter(Sheet& after) = 0;
  virtual Sheet* ActiveSheet() = 0;
  virtual void Activate(Sheet& sheet) = 0;
};

// A second spreadsheet instance the user does not see, for reading other workbooks.
class HiddenInstance {
 public:
  virtual ~HiddenInstance() = default;
  // The instance owns the workbook it opens: the reference is good until CloseAll or the
  // instance's end, whichever comes first, and must not be used after.
  virtual Workbook& OpenReadOnly(const std::string& path) = 0;
  virtual void CloseAll() = 0;
};

// ---- command bars ----

enum class ControlType { Button = 1, Popup = 10 };

class CommandBarControls;

class CommandBarControl {
 public:
  using ClickHandler = std::function<void(CommandBarControl& control, bool& cancelDefault)>;

  virtual ~CommandBarControl() = default;
  virtual ControlType Type() const = 0;
  virtual int Id() const = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool BeginGroup() const = 0;
  virtual void SetBeginGroup(bool beginGroup) = 0;
  virtual void Delete() = 0;
  // What the add-in tells its own controls by. A host may raise a click on every control that
  // shares the clicked one's id and tag, so each control gets a tag of its own.
  virtual std::string Tag() const = 0;
  virtual void SetTag(const std::string& tag) = 0;
  // Buttons.
  virtual int FaceId() const = 0;
  virtual void SetFaceId(int faceId) = 0;
  virtual int Style() const = 0;  // 3 = icon and caption
  virtual void SetStyle(int style) = 0;
  // Gives the button this face; the system clipboard is left as the user had it.
  virtual void SetFace(const ui::Picture& face) = 0;
  virtual void OnClick(ClickHandler handler) = 0;
  // Popups: the controls inside.
  virtual CommandBarControls& Controls() = 0;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  virtual int Count() const = 0;
  // 1-based.
  virtual CommandBarControl& Item(int index) = 0;
  // Inserts before position `before` (1-based; past the end appends).
  virtual CommandBarControl& Add(ControlType type, int before, bool temporary) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() const = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual CommandBarControls& Controls() = 0;
  // The first control of that type and id among the bar's controls; nullptr when none.
  virtual CommandBarControl* FindControl(ControlType type, int id) = 0;
  virtual void Delete() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual int Count() const = 0;
  // 1-based; item 1 is the worksheet menu bar.
  virtual CommandBar& Item(int index) = 0;
  virtual CommandBar* Find(std::string_view name) = 0;
  // Position 1 is the top. A bar of that name already there is a HostError.
  virtual CommandBar& Add(const std::string& name, int position, bool temporary) = 0;
};

// The running spreadsheet program.
class Application {
 public:
  virtual ~Application() = default;
  // nullptr when no workbook is open.
  virtual Workbook* ActiveWorkbook() = 0;
  // The active sheet of the active workbook; nullptr when none.
  virtual Sheet* ActiveSheet() = 0;
  virtual CommandBars& GetCommandBars() = 0;
  virtual std::unique_ptr<HiddenInstance> CreateHiddenInstance() = 0;
};

}  // namespace qv::host
