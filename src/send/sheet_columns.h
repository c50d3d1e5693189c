#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/host.h"
#include "values/cp1252.h"

namespace qv::send {

// A column named in the dialog or a template, resolved once for a whole send; reading a cell of
// a column that is none, or of a row outside the sheet, fails with a message that names the row.
struct SheetColumn {
  std::optional<int> number;
  std::string name;
  std::string what;  // what the column holds, for the failure message

  SheetColumn(const std::string& columnName, std::string description)
      : number(host::ColumnNumber(columnName)), name(columnName), what(std::move(description)) {}

  bool IsColumn() const { return number.has_value(); }

  host::CellRef At(std::int32_t row) const {
    if (!number) {
      throw host::HostError("Row " + std::to_string(row) + ": \"" + name +
                            "\" is not a column (A to IV), so " + what + " cannot be read.");
    }
    if (row < 1 || row > host::kRowCount) {
      throw host::HostError("Row " + std::to_string(row) + " is not a row of the sheet (1 to " +
                            std::to_string(host::kRowCount) + ").");
    }
    return {*number, row};
  }
};

// Refuses a cell's text that cannot be sent, naming the cell and its row.
inline void CheckCellSendable(std::string_view text, host::CellRef cell) {
  if (IsSendable(text)) return;
  CheckSendable(text, "in cell " + host::Address(cell) + " of row " + std::to_string(cell.row));
}

}  // namespace qv::send
