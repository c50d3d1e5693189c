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

namespace {

// Column letters, then the row's digits: up to `letters` letters (small ones too when
// `anyCase`), a column up to `columns`, a row on the sheet.
std::optional<CellRef> Parse(std::string_view a, std::size_t letters, bool anyCase, int columns) {
  std::size_t i = 0;
  int column = 0;
  for (; i < a.size(); ++i) {
    char c = a[i];
    if (anyCase && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    if (i == letters) return std::nullopt;
    column = column * 26 + (c - 'A' + 1);
  }
  if (column < 1 || column > columns || i == a.size() || a.size() - i > 7) return std::nullopt;
  int row = 0;
  for (; i < a.size(); ++i) {
    if (a[i] < '0' || a[i] > '9') return std::nullopt;
    row = row * 10 + (a[i] - '0');
  }
  if (row < 1 || row > kRowCount) return std::nullopt;
  return CellRef{column, row};
}

}  // namespace

std::optional<CellRef> ParseAddress(std::string_view address) {
  const auto digit = address.find_first_of("0123456789");
  if (digit != std::string_view::npos && address[digit] == '0') return std::nullopt;
  return Parse(address, 2, true, kColumnCount);
}

std::optional<CellRef> ParseFileAddress(std::string_view address) {
  return Parse(address, 3, false, kFileColumns);
}

std::string Address(CellRef ref) { return ColumnLetters(ref.column) + std::to_string(ref.row); }

}  // namespace qv::host
