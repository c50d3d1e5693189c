#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/cell_ref.h"
#include "values/variant.h"

namespace qv::send {

// What a send is about to do that a careful sender wants to know before it goes: numbers that
// stand in more than one row, numbers a spreadsheet cannot hold, placeholders that give nothing,
// and messages the network carries in more parts than counted. It looks only at what the send
// collected, a message at a time, and keeps the first findings of each kind with their counts.
class SendCheck {
 public:
  // The findings of each kind that are listed; the rest are counted.
  static constexpr std::size_t kListedPerKind = 100;
  // A spreadsheet keeps a number's first 15 significant digits.
  static constexpr int kHeldDigits = 15;
  // A phone number has from 7 digits to 15 (E.164's longest).
  static constexpr std::size_t kFewestDigits = 7, kMostDigits = 15;
  // The rows of a duplicate number that are named; the rest are counted.
  static constexpr std::size_t kNamedRows = 10;

  // `placeholders` are the names of the template's placeholders; the numbers are checked when
  // `numbersPerRow` (not in a grouped send, whose numbers repeat by design).
  SendCheck(std::vector<std::string> placeholders, bool numbersPerRow);

  // A text of the dialog that goes into every message (`where`: "the template", "the header").
  void FixedText(std::string_view text, const std::string& where);
  // The text a placeholder's cell gives the message about to be checked.
  void Cell(std::size_t placeholder, host::CellRef at, std::string_view text);
  // One message, checked with the cells given since the last: `row` is its (first) row, `number`
  // the number as sent and `mobile` the mobile cell's value, when numbers are checked.
  void Message(std::int32_t row, std::string_view number, const Variant& mobile,
               std::string_view merged);

  // The findings, a line each, under a heading per kind; empty when there are none.
  std::vector<std::string> Lines() const;
  bool HasDuplicates() const { return !duplicates_.empty(); }
  // The messages (counted from 0, in the order checked) whose number an earlier message has.
  const std::vector<std::size_t>& LaterDuplicates() const { return later_; }

 private:
  struct Listed {
    std::vector<std::string> lines;
    std::size_t count = 0;
    void Add(std::string line);
  };
  void CheckNumber(std::int32_t row, std::string_view number, const Variant& mobile);

  std::vector<std::string> placeholders_;
  std::vector<bool> given_;  // whether a placeholder's cells gave any text
  bool numbersPerRow_;
  std::string fixedForcing_;  // where the fixed texts force UCS-2
  std::string cellsForcing_;  // where the cells of the message at hand do
  std::size_t messages_ = 0;
  // Each number with the rows it stands in, and the order in which duplicates first showed.
  std::unordered_map<std::string, std::vector<std::int32_t>> rows_;
  std::vector<std::string> duplicates_;
  std::vector<std::size_t> later_;
  Listed unheld_, moreParts_;
  long long parts_ = 0, counted_ = 0;
};

}  // namespace qv::send
