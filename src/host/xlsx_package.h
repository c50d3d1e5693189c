#pragma once

// The parts of an .xlsx workbook as the reading, writing and saving of it share them.

#include <sys/types.h>

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
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

  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override;
  Variant Value(CellRef cell) const override;
  std::string Text(CellRef cell) const override;
  void SetValue(CellRef cell, const Variant& value) override;
  void EnterText(CellRef cell, const std::string& text) override;
  void SetBold(CellRef cell, bool bold) override;
  void SelectColumn(int) override {}
  using Sheet::SelectColumn;

  void Load() const;
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
  const XCell* Find(CellRef c) const;
  XCell& At(CellRef c);
  // A date takes the built-in `dateFormat` unless its cell already shows dates.
  void Store(CellRef c, const Variant& value, std::string_view dateFormat);
  // Reads the cells of the sheet part as it inflates.
  void Scan(ZipPart& part) const;
  // The cell a <c> element describes: its style `s`, its type `t` and what it holds.
  XCell MakeCell(SheetReader& in, std::string_view s, std::string_view t, CellRef at,
                 const CellContent& content) const;
  // Puts a cell read from the file in its place.
  void Keep(CellRef at, const XCell& cell) const;
  mutable bool loaded_ = false;
  mutable std::vector<std::vector<XCell>> columns_;
  mutable StringTable pool_;  // the inline texts of the sheet
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
  std::string ReadPart(const std::string& part) const {
    auto data = zip->Read(part);
    if (!data) Fail(NoPart(part));
    return std::move(*data);
  }
  std::unique_ptr<ZipPart> OpenPart(const std::string& part) const {
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
  // Reads the <si> elements `sc` holds into the table; true at the table's end.
  bool ReadSharedStrings(XmlScanner& sc);
  // The style of `xf` made bold, or given a date and time format.
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
