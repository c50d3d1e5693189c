#include "host/cell_ref.h"

namespace qv::host {

std::optional<int> ColumnNumber(std::string_view letters) {
  if (letters.empty() || letters.size() > 2) return std::nullopt;
  int n = 0;
  for (char c : letters) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c < 'A' || c > 'Z') return std::nullopt;
    n = n * 26 + (c - 'A' + 1);
  }
  if (n > kColumnCount) return std::nullopt;
  return n;
}

std::string ColumnLetters(int column) {
  std::string out;
  while (column > 0) {
    const int r = (column - 1) % 26;
    out.insert(out.begin(), static_cast<char>('A' + r));
    column = (column - 1) / 26;
  }
  return out;
}

std::optional<CellRef> ParseAddress(std::string_view address) {
  std::size_t i = 0;
  while (i < address.size() &&
         ((address[i] >= 'A' && address[i] <= 'Z') || (address[i] >= 'a' && address[i] <= 'z'))) {
    ++i;
  }
  const auto column = ColumnNumber(address.substr(0, i));
  if (!column || i == address.size() || address[i] == '0' || address.size() - i > 7)
    return std::nullopt;
  long row = 0;
  for (std::size_t k = i; k < address.size(); ++k) {
    if (address[k] < '0' || address[k] > '9') return std::nullopt;
    row = row * 10 + (address[k] - '0');
  }
  if (row < 1 || row > kRowCount) return std::nullopt;
  return CellRef{*column, static_cast<int>(row)};
}

std::string Address(CellRef ref) { return ColumnLetters(ref.column) + std::to_string(ref.row); }

}  // namespace qv::host
