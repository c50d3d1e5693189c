#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/ui.h"
#include "values/clock.h"

namespace qv::send {

// The date picker the Send SMS, delivery-report and scheduler dialogs share: year, month and
// day lists, and in two of them a time list.

// "January" to "December".
std::vector<std::string> MonthEntries();
// The 288 five-minute slots, "12:00 AM" to "11:55 PM", hours without a leading zero.
std::vector<std::string> TimeSlots();

// Rebuilds the day list for a year and a month number (1 to 12), then selects today when they are
// the current year and month, else the first day. Selecting runs the day list's click handler.
void FillDayList(ui::ComboBox& days, int year, int month, Clock& clock);

// A picker's lists, and the cascades of their click handlers.
struct DatePicker {
  ui::ComboBox& year;
  ui::ComboBox& month;
  ui::ComboBox& day;
  ui::ComboBox* time;  // nullptr for a picker without a time list
  Clock& clock;

  // The year text read as a year number (0 when it is none).
  int YearNumber() const;
  void MonthClick();
  void YearClick();
  // Choosing today's day moves the time list to the first slot after the present minute.
  void DayClick();
  // The chosen moment as the lists' texts compose it ("March/5/2026 10:30 AM"), read as a date and
  // time; nullopt when the texts do not form one.
  std::optional<DateTime> ChosenMoment() const;
  // Back to the first year and the current month.
  void Reset();

  // The lists as the dialog is built: the month names and the time slots, and the texts the
  // lists show before anything is chosen.
  void SetUpLists();
  // This year and the five after it, the first chosen, and the current month.
  void FillYearsFromNow();
  // The chosen moment when it is later than now. Otherwise the user is told why (a clock before
  // 2009 is taken to be wrong; a moment not later than now is refused and the lists reset) and
  // the answer is nullopt.
  std::optional<DateTime> FutureMoment(ui::Ui& ui, DateTime now);
};

}  // namespace qv::send
