#include "send/date_pickers.h"

#include <algorithm>

#include "values/convert.h"

namespace qv::send {

std::vector<std::string> MonthEntries() {
  std::vector<std::string> out;
  for (int m = 1; m <= 12; ++m) out.push_back(MonthName(m));
  return out;
}

std::vector<std::string> TimeSlots() {
  std::vector<std::string> out;
  out.reserve(288);
  for (int minutes = 0; minutes < 24 * 60; minutes += 5) {
    out.push_back(
        FormatDateTime(DateTime::FromParts(2000, 1, 1, minutes / 60, minutes % 60), "h:mm AM/PM"));
  }
  return out;
}

void FillDayList(ui::ComboBox& days, int year, int month, Clock& clock) {
  if (days.ListCount() > 0) days.Clear();
  int length = 28;
  if (IsLeapYear(year) && month == 2) length = 29;
  if (month != 2) {
    length = ParseDateTime(std::to_string(month) + "/31/" + std::to_string(year)) ? 31 : 30;
  }
  for (int d = 1; d <= length; ++d) days.AddItem(std::to_string(d));
  const DateParts now = clock.Now().Parts();
  days.SetListIndex(year == now.year && month == now.month ? now.day - 1 : 0);
}

int DatePicker::YearNumber() const {
  const double value = NumericValue(year.Text);
  return value >= 0 && value <= 9999 ? static_cast<int>(value) : 0;
}

void DatePicker::MonthClick() {
  if (!year.Text.empty() && !month.Text.empty())
    FillDayList(day, YearNumber(), month.ListIndex() + 1, clock);
}

void DatePicker::YearClick() {
  if (!month.Text.empty() && month.Text != "combo_month" && !year.Text.empty()) {
    FillDayList(day, YearNumber(), month.ListIndex() + 1, clock);
  }
}

void DatePicker::DayClick() {
  if (!time || month.Text.empty() || year.Text.empty()) return;
  const DateParts now = clock.Now().Parts();
  if (day.Text != std::to_string(now.day)) return;
  const int nowMinute = now.hour * 60 + now.minute;
  for (int i = 0; i < time->ListCount(); ++i) {
    const auto slot = ParseDateTime(time->Items[static_cast<std::size_t>(i)]);
    if (!slot) continue;
    const DateParts p = slot->Parts();
    if (p.hour * 60 + p.minute > nowMinute) {
      time->SetListIndex(i);
      return;
    }
  }
}

std::optional<DateTime> DatePicker::ChosenMoment() const {
  std::string text = month.Text + "/" + day.Text + "/" + year.Text;
  if (time) text += " " + time->Text;
  return ParseDateTime(text);
}

void DatePicker::Reset() {
  year.SetListIndex(0);
  month.SetListIndex(clock.Now().Parts().month - 1);
}

void DatePicker::SetUpLists() {
  day.Text = "DD";
  month.Text = "combo_month";
  year.Text = "combo_year";
  for (const auto& m : MonthEntries()) month.AddItem(m);
  if (time) {
    time->Text = "Send Time";
    for (const auto& t : TimeSlots()) time->AddItem(t);
  }
}

void DatePicker::FillYearsFromNow() {
  const DateParts now = clock.Now().Parts();
  for (int y = now.year; y <= now.year + 5; ++y) year.AddItem(std::to_string(y));
  year.SetListIndex(0);
  month.SetListIndex(now.month - 1);
}

namespace {

// The refusal of a moment that is not later than now.
std::string PastMomentMessage(DateTime now) {
  const DateParts p = now.Parts();
  const std::string written = DateTimeAsText(now);
  const auto blank = written.find(' ');
  return "Please Select Date & Time Greater Than '" + std::to_string(p.year) + " " +
         MonthName(p.month) + " " + std::to_string(p.day) +
         (blank == std::string::npos ? "" : written.substr(blank)) + "'";
}

}  // namespace

std::optional<DateTime> DatePicker::FutureMoment(ui::Ui& ui, DateTime now) {
  if (now.Parts().year < 2009) {
    ui.MsgBox("Please Correct Your System Clock And Submit Again.", ui::mb::Information,
              ui::kTitle);
    return std::nullopt;
  }
  const auto chosen = ChosenMoment();
  if (!chosen || *chosen <= now) {
    ui.MsgBox(PastMomentMessage(now), ui::mb::Information, ui::kTitle);
    Reset();
    return std::nullopt;
  }
  return chosen;
}

}  // namespace qv::send
