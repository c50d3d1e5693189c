#include "send/send_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::send {
namespace {

using Lines = std::vector<std::string>;

struct Sent {
  std::int32_t row;
  std::string number;
  Variant mobile;
  std::string merged;
};

// The lines of a row-wise check of `sent`, whose template has no placeholder.
Lines Check(const std::vector<Sent>& sent, bool numbersPerRow = true) {
  SendCheck check({}, numbersPerRow);
  for (const Sent& s : sent) check.Message(s.row, s.number, s.mobile, s.merged);
  return check.Lines();
}

std::vector<Sent> Numbers(const std::vector<std::pair<std::string, Variant>>& numbers) {
  std::vector<Sent> sent;
  std::int32_t row = 2;
  for (const auto& [number, mobile] : numbers) sent.push_back({row++, number, mobile, "Hi"});
  return sent;
}

TEST(SendCheck, NumbersOnEachSideOfTheirLimits) {
  const char* heading = "1 number a spreadsheet or a phone cannot hold:";
  const struct {
    std::string number;
    Variant mobile;
    Lines lines;
  } cases[] = {
      {"919876543210", 919876543210.0, {}},
      {"123456789012345", 123456789012345.0, {}},
      {"1234567890123456",
       1234567890123456.0,
       {heading,
        "  Row 2: 1234567890123456 has more than 15 significant digits: its last digits "
        "are lost"}},
      // Zeros at the end are not significant: what is left is a number too long to be a phone's.
      {"1000000000000000",
       1e15,
       {heading, "  Row 2: 1000000000000000 has 16 digits, more than 15"}},
      {"1234567890123456",
       "1234567890123456",
       {heading, "  Row 2: 1234567890123456 has 16 digits, more than 15"}},
      {"123456789012345", "123456789012345", {}},
      {"1234567", 1234567.0, {}},
      {"123456", 123456.0, {heading, "  Row 2: 123456 has 6 digits, fewer than 7"}},
      {"+1234567", "+1234567", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Check(Numbers({{c.number, c.mobile}})), c.lines) << c.number;
}

TEST(SendCheck, DuplicatesNameTheirRowsAndTheLaterOnesAreKnown) {
  SendCheck check({}, true);
  const std::vector<std::pair<std::int32_t, std::string>> sent = {
      {2, "9000000001"}, {3, "9000000002"}, {5, "9000000001"},
      {6, "9000000003"}, {7, "9000000002"}, {9, "9000000001"}};
  for (const auto& [row, number] : sent) check.Message(row, number, number, "Hi");
  EXPECT_TRUE(check.HasDuplicates());
  EXPECT_EQ(check.Lines(), (Lines{"2 numbers stand in more than one row:",
                                  "  9000000001 in rows 2, 5, 9", "  9000000002 in rows 3, 7"}));
  EXPECT_EQ(check.LaterDuplicates(), (std::vector<std::size_t>{2, 4, 5}));
  // A grouped send's numbers repeat by design.
  EXPECT_EQ(Check({{2, "9000000001", {}, "Hi"}, {3, "9000000001", {}, "Hi"}}, false), Lines{});
}

TEST(SendCheck, ListsTheFirstHundredOfAKindAndTheRowsOfANumberUpToTen) {
  for (const std::size_t count : {SendCheck::kListedPerKind, SendCheck::kListedPerKind + 1}) {
    std::vector<std::pair<std::string, Variant>> numbers(count, {"12345", "12345"});
    for (std::size_t i = 0; i < count; ++i) numbers[i].first = std::to_string(10000 + i);
    const Lines lines = Check(Numbers(numbers));
    EXPECT_EQ(lines.size(), 1 + SendCheck::kListedPerKind + (count > 100 ? 1 : 0));
    EXPECT_EQ(lines.back(),
              count > 100 ? "  and 1 more" : "  Row 101: 10099 has 5 digits, fewer than 7");
  }
  for (const std::size_t rows : {SendCheck::kNamedRows, SendCheck::kNamedRows + 1}) {
    const Lines lines = Check(
        Numbers(std::vector<std::pair<std::string, Variant>>(rows, {"9000000001", "9000000001"})));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], rows == 10
                            ? "  9000000001 in rows 2, 3, 4, 5, 6, 7, 8, 9, 10, 11"
                            : "  9000000001 in rows 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 and 1 more");
  }
}

TEST(SendCheck, PlaceholdersThatGiveNothingInEveryRow) {
  SendCheck check({"B", "C", "D"}, true);
  for (std::int32_t row : {2, 3}) {
    check.Cell(0, {2, row}, "Ann");
    check.Cell(1, {3, row}, "");
    check.Cell(2, {4, row}, row == 3 ? "10" : "");
    check.Message(row, "900000000" + std::to_string(row), {}, "Hi Ann");
  }
  EXPECT_EQ(check.Lines(),
            (Lines{"1 placeholder gives nothing:", "  #C# is empty in every row sent"}));
}

TEST(SendCheck, MessagesInMorePartsThanCountedSayWhy) {
  const std::string a160(160, 'a'), quote = "\xE2\x80\x99", hat = "\xC3\xA2";
  const struct {
    std::string fixed;  // the template's own text
    std::string cell;   // the text of C12
    std::string merged;
    Lines lines;
  } cases[] = {
      {"", "", a160, {}},
      {"", "", a160 + "a", {}},
      {"", "", std::string(158, 'a') + "{", {}},
      {"",
       "",
       std::string(158, 'a') + "{{",
       {"1 message goes in more parts than counted:",
        "  Row 12: 2 parts in GSM 7-bit (162 septets), counted as 1 SMS",
        "  In all: 2 parts as the network counts them, 1 SMS as counted"}},
      {quote, "", quote + std::string(69, 'a'), {}},
      {quote + " Hi",
       hat,
       quote + " Hi " + hat + std::string(66, 'a'),
       {"1 message goes in more parts than counted:",
        "  Row 12: 2 parts in UCS-2 (\xE2\x80\x99 (U+2019) in the template, \xC3\xA2 (U+00E2) in "
        "C12), counted as 1 SMS",
        "  In all: 2 parts as the network counts them, 1 SMS as counted"}},
  };
  for (const auto& c : cases) {
    SendCheck check({"C"}, true);
    check.FixedText(c.fixed, "the template");
    check.Cell(0, {3, 12}, c.cell.empty() ? "x" : c.cell);
    check.Message(12, "919876543210", 919876543210.0, c.merged);
    EXPECT_EQ(check.Lines(), c.lines) << c.merged;
  }
}

}  // namespace
}  // namespace qv::send
