#include "host/host.h"

namespace qv::host {

CellRef Sheet::Cell(std::string_view address) {
  const auto ref = ParseAddress(address);
  if (!ref) throw HostError("\"" + std::string(address) + "\" is not a cell address.");
  return *ref;
}

void Sheet::SelectColumnNamed(std::string_view letters) {
  const auto column = ColumnNumber(letters);
  if (!column) throw HostError("\"" + std::string(letters) + "\" is not a column.");
  SelectColumn(*column);
}

std::vector<Variant> Sheet::Values(const CellBlock& block) const {
  std::vector<Variant> values;
  values.reserve(block.Size());
  for (std::size_t i = 0; i < block.Size(); ++i) values.push_back(Value(block.At(i)));
  return values;
}

std::vector<std::string> Sheet::Texts(const CellBlock& block) const {
  std::vector<std::string> texts;
  texts.reserve(block.Size());
  for (std::size_t i = 0; i < block.Size(); ++i) texts.push_back(Text(block.At(i)));
  return texts;
}

void Sheet::SetValues(const CellBlock& block, const std::vector<Variant>& values) {
  for (std::size_t i = 0; i < block.Size(); ++i) SetValue(block.At(i), values.at(i));
}

void Sheet::EnterTexts(const CellBlock& block, const std::vector<std::string>& texts) {
  for (std::size_t i = 0; i < block.Size(); ++i) EnterText(block.At(i), texts.at(i));
}

}  // namespace qv::host
