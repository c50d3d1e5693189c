#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv::host {

// Columns are named by letters from "A" to "IV": 256 columns, numbered 1 to 256.
inline constexpr int kColumnCount = 256;
// Rows as the sheet numbers them, 1 to 1,048,576.
inline constexpr int kRowCount = 1048576;
// Columns of a sheet in a workbook file, "A" to "XFD"; the add-in reaches the first 256.
inline constexpr int kFileColumns = 16384;
// The characters a cell holds at most.
inline constexpr std::size_t kCellTextLength = 32767;

struct CellRef {
  int column = 1;  // 1-based
  int row = 1;     // 1-based
  friend bool operator==(const CellRef&, const CellRef&) = default;
};

// "A" is 1, "IV" is 256; letters in either case; nullopt for anything else.
std::optional<int> ColumnNumber(std::string_view letters);
std::string ColumnLetters(int column);
// "B12" is column 2, row 12; nullopt when the text is not an address on the sheet.
std::optional<CellRef> ParseAddress(std::string_view address);
// An address as a workbook file writes it: capitals, "A1" to "XFD1048576"; nullopt otherwise.
std::optional<CellRef> ParseFileAddress(std::string_view address);
std::string Address(CellRef ref);

}  // namespace qv::host
