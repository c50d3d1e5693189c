#pragma once

// The parts of an .xlsx workbook as the reading, writing and saving of it share them.

#include <pugixml.hpp>

#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/cell_ref.h"
#include "host/error_names.h"
#include "host/host.h"
#include "host/string_table.h"
#include "host/zip_archive.h"
#include "values/datetime.h"

namespace qv::host {

inline constexpr const char* kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kWorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr const char* kWorksheetContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr const char* kNewSheetXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetData/></worksheet>";
inline constexpr const char* kStylesType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr const char* kStylesContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
// The styles of a new workbook, and of one that has none when a cell needs a style.
inline constexpr const char* kNewStylesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
    "borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
    "xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
    "builtinId=\"0\"/></cellStyles></styleSheet>";
// A sheet is read a window at a time (a piece of the inflated part, ZipPartAhead::kPiece, more
// each round). An element is read from a window that holds at least this much from its start on;
// a longer one (a cell of long text) is read again once the window has grown.
inline constexpr std::size_t kElementSlack = 4096;
// A sheet's columns are made as large as its dimension says before its cells are read, so that
// rows read may be looked at while the rest is read; a dimension that would take more memory than
// the part's text, or than this, is not believed, and its cells wait until the reading ends.
inline constexpr std::size_t kMostMadeAhead = 256u << 20;
// New workbook files may be read by all, as a spreadsheet program makes them.
inline constexpr mode_t kNewFileMode = 0666;

std::string Directory(const std::string& part);
// A relationship target as a part name: relative to the source part's folder, or from the root.
std::string Resolve(const std::string& base, const std::string& target);
// The relationships part of a part.
std::string RelsOf(const std::string& part);
// The value of the attribute whose name is `local` after any prefix ("r:id" for "id").
pugi::xml_attribute PrefixedAttribute(pugi::xml_node node, const char* local);
std::string Serialize(const pugi::xml_document& doc);
std::string NumberXml(double v);

struct XlsxPackage;
class SheetReader;
struct CellContent;
class XmlScanner;

// A cell as kept in memory: what it holds, and its style.
struct XCell {
  enum Kind : std::uint8_t { Blank, Number, Shared, Inline, Boolean, Error };
  Kind kind = Blank;
  std::uint32_t style = 0;
  union {
    double number;
    std::uint32_t index;
  };
  XCell() : number(0) {}
};

// A sheet's cells, column by column.
using CellColumns = std::vector<std::vector<XCell>>;
// The cell at `c` among `columns`; null when it lies outside them.
template <typename Columns>
auto* CellIn(Columns& columns, CellRef c) {
  const auto column = static_cast<std::size_t>(c.column - 1);
  const auto row = static_cast<std::size_t>(c.row - 1);
  using Cell = std::remove_reference_t<decltype(columns[0][0])>;
  if (c.column < 1 || c.row < 1 || column >= columns.size() || row >= columns[column].size())
    return static_cast<Cell*>(nullptr);
  return &columns[column][row];
}
// The cell at `c`, the columns grown to hold it.
XCell& PlaceIn(CellColumns& columns, CellRef c);

// The columns of cells a reading fills while it runs, and how many rows of them it has read. The
// columns are made once, before the first rows are told of, and never move after: a row told of
// may be looked at from another thread while the reading goes on.
class ColumnsAhead {
 public:
  static constexpr int kAllRead = std::numeric_limits<int>::max();
  // Makes the columns; only before any rows are told of.
  void Make(std::size_t columns, std::size_t rows);
  // The cell's place, when it is within the columns made.
  XCell* Place(CellRef c) { return CellIn(columns_, c); }
  const XCell* Find(CellRef c) const { return CellIn(columns_, c); }
  // Tells of the rows read: those before `rows` (kAllRead for all); wakes who waits when `wake`.
  void Tell(int rows, bool wake);
  // Waits until the rows through `row` are read, or all are; false for all.
  bool WaitFor(int row) const;
  // The columns, for the one who takes over once the reading has ended.
  CellColumns Take() { return std::move(columns_); }

 private:
  CellColumns columns_;
  std::atomic<int> rowsRead_{0};
  bool told_ = false;  // the reading thread's own: rows were told of, the columns stay as they are
};

// The reading of a sheet's cells from its part, on a thread of its own that it starts and ends.
// The thread owns what it reads until it has ended, except the rows it has told of in the columns
// ahead; cells outside those columns wait until the end, and so do the texts of inline strings.
class SheetProducer {
 public:
  // Starts reading `part` of the package.
  SheetProducer(const XlsxPackage& package, std::string part);
  // Stops the reading, wherever it is.
  ~SheetProducer();
  SheetProducer(const SheetProducer&) = delete;
  SheetProducer& operator=(const SheetProducer&) = delete;

  // The cell at `c` once its row is read; null when it is not in the columns ahead, or when the
  // reading has ended (then Finish has every cell).
  const XCell* WaitFor(CellRef c) const;
  // Waits for the thread to end, leaving any failure for Finish.
  void Join();
  // Everything read: the columns with every cell in place, and the texts of inline strings. What
  // the reading failed with is thrown.
  struct Cells {
    CellColumns columns;
    StringTable pool;
  };
  Cells Finish();

 private:
  void Scan(ZipPart& part);
  // Where the reading of <sheetData> is: the row and column of the last element read, and the
  // rows told of so far.
  struct ScanPlace {
    int row = 0;
    int column = 0;
    int lastRow = 0;   // the row of the last cell; the rows before it are read
    int lastWake = 0;  // the last row a waiting reader was woken for
  };
  // Reads the <c> element `in` is at and keeps its cell; tells of the rows it finished. False
  // when the window ends inside it.
  bool ScanCell(SheetReader& in, ScanPlace& place);
  // The cell a <c> element describes: its style `s`, its type `t` and what it holds.
  bool MakeCell(SheetReader& in, std::string_view s, std::string_view t, CellRef at,
                const CellContent& content, XCell& cell);
  // Makes the columns ahead, as large as the <dimension> among the sheet's properties `head`
  // says, unless it claims more cells than a part of `partSize` bytes could fill.
  void MakeColumnsAhead(std::string_view head, std::size_t partSize);
  void Keep(CellRef at, const XCell& cell);

  static constexpr int kRowsPerWake = 256;
  const XlsxPackage& package_;
  std::string part_;
  ColumnsAhead ahead_;
  std::vector<std::pair<CellRef, XCell>> later_;
  StringTable pool_;
  std::atomic<bool> stop_{false};
  std::exception_ptr failure_;
  std::thread thread_;
};

class XlsxSheet : public Sheet {
 public:
  XlsxSheet(XlsxPackage& package, std::string name, std::string part, std::string relId, bool isNew)
      : package_(package),
        name_(std::move(name)),
        part_(std::move(part)),
        relId_(std::move(relId)),
        isNew_(isNew) {
    loaded_ = isNew;
  }
  XlsxSheet(const XlsxSheet&) = delete;
  XlsxSheet& operator=(const XlsxSheet&) = delete;

  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override;
  Variant Value(CellRef cell) const override;
  std::string Text(CellRef cell) const override;
  void SetValue(CellRef cell, const Variant& value) override;
  void EnterText(CellRef cell, const std::string& text) override;
  void SetBold(CellRef cell, bool bold) override;
  void SelectColumn(int) override {}
  void FinishReading() const override;

  // Starts reading the cells on a thread of their own, unless that has begun: a cell may be
  // looked at as soon as its row is read, while later rows are still being read.
  void StartReading() const;
  // Waits for the reading thread to end, leaving any failure to the cells.
  void Join() const {
    if (producer_) producer_->Join();
  }
  std::string Serialize() const;
  // Writes the cell at `at` into its element, as it is now.
  void WriteCell(pugi::xml_node node, CellRef at) const;
  bool Changed() const { return isNew_ || !dirty_.empty(); }

  XlsxPackage& package_;
  std::string name_;
  std::string part_;
  std::string relId_;
  bool isNew_;
  std::set<std::pair<int, int>> dirty_;  // (row, column)

 private:
  // The cell at `c` once its row is read (its text too, for an inline string); null when blank.
  const XCell* Find(CellRef c) const;
  XCell& At(CellRef c);
  // A date takes the built-in `dateFormat` unless its cell already shows dates.
  void Store(CellRef c, const Variant& value, std::string_view dateFormat);

  // Until every cell is in place (`loaded_`), they are read by the producer; then they are here.
  // Looking at a cell is const: the reading it may finish changes nothing the sheet shows.
  mutable bool loaded_ = false;
  mutable std::unique_ptr<SheetProducer> producer_;
  mutable CellColumns columns_;
  mutable StringTable pool_;  // the inline texts of the sheet

  // The texts numbers were last shown with, by style and value: the dates and amounts of a column
  // repeat down its rows, and formatting one costs many times finding it here. A style's format
  // never changes once read (a change makes a new style).
  struct Shown {
    std::uint64_t value = 0;  // the number's bits
    std::uint32_t style = std::numeric_limits<std::uint32_t>::max();
    std::string text;
  };
  static constexpr int kShownBits = 12;
  std::string ShowNumber(std::uint32_t style, double value) const;
  mutable std::vector<Shown> shown_;
};

struct XlsxPackage {
  std::filesystem::path path;
  std::string file;  // for messages
  bool readOnly = false;
  std::unique_ptr<ZipReader> zip;
  std::string workbookPart;
  pugi::xml_document workbookXml;
  std::string relsPart;
  pugi::xml_document relsXml;
  std::string stylesPart;
  pugi::xml_document stylesXml;
  StringTable sharedStrings;
  struct Xf {
    std::string code;
    bool date = false;
    bool bold = false;
  };
  std::vector<Xf> xfs;
  // The style of a cell whose style the styles part does not have (or that names none that
  // reads): it shows unformatted, as under General, and is saved without one.
  static constexpr std::uint32_t kUnformatted = std::numeric_limits<std::uint32_t>::max();
  const Xf& XfOf(std::uint32_t style) const {
    static const Xf general{"General", false, false};
    return style < xfs.size() ? xfs[style] : general;
  }
  bool date1904 = false;
  bool workbookChanged = false, relsChanged = false, stylesChanged = false;
  std::vector<std::pair<std::string, const char*>> newContentTypes;  // part, content type
  std::vector<std::unique_ptr<XlsxSheet>> sheets;
  XlsxSheet* active = nullptr;
  std::map<std::pair<std::uint32_t, int>, std::uint32_t> changedXf;
  std::function<void()> beforeRename;

  [[noreturn]] void Fail(const std::string& what) const {
    throw HostError("The workbook file " + file + " " + what);
  }
  // The package's file is read by one thread at a time: every use of `zip` below waits first
  // for the sheets being read to end (Quiet), and so does every change to what a sheet's reading
  // looks at (the styles, the shared strings).
  void Quiet() const {
    for (const auto& s : sheets) s->Join();
  }
  std::optional<std::string> FindPart(const std::string& part) const {
    Quiet();
    return zip->Read(part);
  }
  bool HasPart(const std::string& part) const {
    Quiet();
    return zip->Has(part);
  }
  std::string ReadPart(const std::string& part) const {
    auto data = FindPart(part);
    if (!data) Fail(NoPart(part));
    return std::move(*data);
  }
  std::unique_ptr<ZipPart> OpenPart(const std::string& part) const {
    Quiet();
    auto opened = zip->Open(part);
    if (!opened) Fail(NoPart(part));
    return opened;
  }
  static std::string NoPart(const std::string& part) {
    return "is damaged: it has no part " + part + ".";
  }
  void Parse(pugi::xml_document& doc, const std::string& part, const std::string& data) const {
    const auto result =
        doc.load_buffer(data.data(), data.size(), pugi::parse_full, pugi::encoding_utf8);
    if (!result) {
      Fail("is damaged: its part " + part + " is not well-formed XML (" + result.description() +
           " at byte " + std::to_string(result.offset) + ").");
    }
  }
  void LoadStyles();
  // A new relationship of the workbook to `target` (relative to the workbook part); its id.
  std::string NewRelationship(const char* type, const std::string& target);
  // Gives a workbook that has no styles part (it is optional) the styles of a new workbook.
  void EnsureStyles();
  void LoadSharedStrings(const std::string& part);
  // The style of `xf` made bold (kBold), or given a built-in number format (its id).
  static constexpr int kBold = -1;
  std::uint32_t StyleWith(std::uint32_t xf, int change);
  double ToSerial(DateTime d) const {
    double s = d.Serial();
    if (s >= 1 && s < 61) s -= 1;
    return date1904 ? s - 1462 : s;
  }
  DateTime FromSerial(double serial) const {
    if (date1904) serial += 1462;
    if (serial >= 1 && serial < 60) serial += 1;
    return DateTime::FromSerial(serial);
  }
};

}  // namespace qv::host
