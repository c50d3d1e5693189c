#include "host/host.h"

namespace qv::host {

CellRef Sheet::Cell(std::string_view address) {
  const auto ref = ParseAddress(address);
  if (!ref) throw HostError("\"" + std::string(address) + "\" is not a cell address.");
  return *ref;
}

void Sheet::SelectColumn(std::string_view letters) {
  const auto column = ColumnNumber(letters);
  if (!column) throw HostError("\"" + std::string(letters) + "\" is not a column.");
  SelectColumn(*column);
}

}  // namespace qv::host
