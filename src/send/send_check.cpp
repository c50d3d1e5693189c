#include "send/send_check.h"

#include <algorithm>
#include <charconv>

#include "values/gsm0338.h"
#include "values/sms_count.h"
#include "values/text.h"

namespace qv::send {
namespace {

// "1 number" or "3 numbers".
std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The significant digits of a number as its shortest exact decimal writes it.
int SignificantDigits(double value) {
  char text[40];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  std::string digits;
  for (const char* c = text; c < end && *c != 'e'; ++c) {
    if (*c >= '0' && *c <= '9') digits += *c;
  }
  const auto first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  return static_cast<int>(digits.find_last_not_of('0') - first + 1);
}

std::size_t DigitCount(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) n += c >= '0' && c <= '9';
  return n;
}

}  // namespace

void SendCheck::Listed::Add(std::string line) {
  if (count++ < kListedPerKind) lines.push_back(std::move(line));
}

SendCheck::SendCheck(std::vector<std::string> placeholders, bool numbersPerRow)
    : placeholders_(std::move(placeholders)),
      given_(placeholders_.size(), false),
      numbersPerRow_(numbersPerRow) {}

void SendCheck::FixedText(std::string_view text, const std::string& where) {
  const std::string forcing = DescribeUcs2Forcing(text);
  if (forcing.empty()) return;
  fixedForcing_ += (fixedForcing_.empty() ? "" : ", ") + forcing + " in " + where;
}

void SendCheck::Cell(std::size_t placeholder, host::CellRef at, std::string_view text) {
  if (placeholder < given_.size() && !text.empty()) given_[placeholder] = true;
  const std::string forcing = DescribeUcs2Forcing(text);
  if (forcing.empty()) return;
  cellsForcing_ += (cellsForcing_.empty() ? "" : ", ") + forcing + " in " + host::Address(at);
}

void SendCheck::Message(std::int32_t row, std::string_view number, const Variant& mobile,
                        std::string_view merged) {
  if (numbersPerRow_) CheckNumber(row, number, mobile);
  const NetworkParts network = CountNetworkParts(merged);
  const long counted = SmsCount(Utf8Length(merged));
  parts_ += network.parts;
  counted_ += counted;
  if (network.parts > counted) {
    std::string how;
    if (network.encoding == SmsEncoding::Gsm7) {
      how = "GSM 7-bit (" + std::to_string(network.units) + " septets)";
    } else {
      std::string where = fixedForcing_;
      if (!cellsForcing_.empty()) where += (where.empty() ? "" : ", ") + cellsForcing_;
      how = "UCS-2 (" + where + ")";
    }
    moreParts_.Add("Row " + std::to_string(row) + ": " + std::to_string(network.parts) +
                   " parts in " + how + ", counted as " + Counted(counted, "SMS", "SMS"));
  }
  cellsForcing_.clear();
  ++messages_;
}

void SendCheck::CheckNumber(std::int32_t row, std::string_view number, const Variant& mobile) {
  const std::string at = "Row " + std::to_string(row) + ": " + std::string(number);
  const std::size_t digits = DigitCount(number);
  if (mobile.kind() == Variant::Kind::Number &&
      SignificantDigits(mobile.AsNumber()) > kHeldDigits) {
    unheld_.Add(at + " has more than " + std::to_string(kHeldDigits) +
                " significant digits: its last digits are lost");
  } else if (digits < kFewestDigits) {
    unheld_.Add(at + " has " + std::to_string(digits) + " digits, fewer than " +
                std::to_string(kFewestDigits));
  } else if (digits > kMostDigits) {
    unheld_.Add(at + " has " + std::to_string(digits) + " digits, more than " +
                std::to_string(kMostDigits));
  }
  auto& rows = rows_[std::string(number)];
  rows.push_back(row);
  if (rows.size() == 1) return;
  if (rows.size() == 2) duplicates_.emplace_back(number);
  later_.push_back(messages_);
}

std::vector<std::string> SendCheck::Lines() const {
  std::vector<std::string> lines;
  const auto more = [&lines](std::size_t count, std::size_t listed) {
    if (count > listed) lines.push_back("  and " + std::to_string(count - listed) + " more");
  };
  if (!duplicates_.empty()) {
    lines.push_back(Counted(duplicates_.size(), "number stands", "numbers stand") +
                    " in more than one row:");
    for (std::size_t i = 0; i < duplicates_.size() && i < kListedPerKind; ++i) {
      const auto& rows = rows_.at(duplicates_[i]);
      std::string line = "  " + duplicates_[i] + " in rows ";
      for (std::size_t k = 0; k < rows.size() && k < kNamedRows; ++k)
        line += (k ? ", " : "") + std::to_string(rows[k]);
      if (rows.size() > kNamedRows)
        line += " and " + std::to_string(rows.size() - kNamedRows) + " more";
      lines.push_back(line);
    }
    more(duplicates_.size(), kListedPerKind);
  }
  if (unheld_.count > 0) {
    lines.push_back(Counted(unheld_.count, "number", "numbers") +
                    " a spreadsheet or a phone cannot hold:");
    for (const auto& line : unheld_.lines) lines.push_back("  " + line);
    more(unheld_.count, unheld_.lines.size());
  }
  std::vector<std::string> empty;
  for (std::size_t i = 0; i < placeholders_.size(); ++i) {
    if (!given_[i] && messages_ > 0) empty.push_back(placeholders_[i]);
  }
  if (!empty.empty()) {
    lines.push_back(Counted(empty.size(), "placeholder gives", "placeholders give") + " nothing:");
    for (const auto& name : empty) lines.push_back("  #" + name + "# is empty in every row sent");
  }
  if (moreParts_.count > 0) {
    lines.push_back(Counted(moreParts_.count, "message goes", "messages go") +
                    " in more parts than counted:");
    for (const auto& line : moreParts_.lines) lines.push_back("  " + line);
    more(moreParts_.count, moreParts_.lines.size());
    lines.push_back("  In all: " + std::to_string(parts_) + " parts as the network counts them, " +
                    std::to_string(counted_) + " SMS as counted");
  }
  return lines;
}

}  // namespace qv::send
