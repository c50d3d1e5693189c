#include "scheduler/frm_scheduler.h"

#include "service/protocol.h"
#include "ui/ui.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::scheduler {
namespace {

constexpr const char* kDeliveryFormat = "dd mmm yyyy hh:mm AM/PM";

// A whole number of minutes, as the service writes it.
bool IsMinutes(const std::string& s) {
  const std::string t = Trim(s);
  return !t.empty() && t.size() <= 9 && t.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

frmScheduler::frmScheduler(ui::Ui& ui, service::m_Http& http, session::GlobalSubs& globals,
                           Clock& clock)
    : Form(ui, "frmScheduler"),
      listScheduledData(*this, "listScheduledData"),
      Command1(*this, "Command1"),
      btn_DeleteScheduler(*this, "btn_DeleteScheduler"),
      frameEditDateTime(*this, "frameEditDateTime"),
      lblDate(*this, "lblDate"),
      combo_dd(*this, "combo_dd"),
      combo_month(*this, "combo_month"),
      combo_year(*this, "combo_year"),
      lblTime(*this, "lblTime"),
      combo_Times(*this, "combo_Times"),
      btn_SaveDateTime(*this, "btn_SaveDateTime"),
      btn_CloseEditDateTime(*this, "btn_CloseEditDateTime"),
      http_(http),
      globals_(globals),
      clock_(clock) {
  listScheduledData.ItemClick = [this] { listScheduledData_Click(); };
  Command1.Click = [this] { Command1_Click(); };
  btn_CloseEditDateTime.Click = [this] { btn_CloseEditDateTime_Click(); };
  btn_SaveDateTime.Click = [this] { btn_SaveDateTime_Click(); };
  btn_DeleteScheduler.Click = [this] { btn_DeleteScheduler_Click(); };
  combo_month.Click = [this] { Picker().MonthClick(); };
  combo_year.Click = [this] { Picker().YearClick(); };
  combo_dd.Click = [this] { Picker().DayClick(); };
}

void frmScheduler::InitializeComponent() {
  Caption =
      "Scheduler                                                                          "
      "Quorvalent";
  listScheduledData.Columns = {{"Scheduler Description", 2400},
                               {"Number Of SMS", 1200},
                               {"Delivery Date & Time", 2400},
                               {"IDs", 15}};
  Command1.Caption = "&Edit DateTime";
  btn_DeleteScheduler.Caption = "&Delete Scheduler";
  frameEditDateTime.Caption = "Edit Date And Time :-";
  frameEditDateTime.Visible = false;
  lblDate.Caption = "Date";
  lblTime.Caption = "Time";
  Picker().SetUpLists();
  btn_SaveDateTime.Caption = "&Save";
  btn_CloseEditDateTime.Caption = "Close";

  Width = 9000;
  Height = 5400;
  listScheduledData.Place(120, 120, 8520, 3000);
  Command1.Place(120, 3240, 1800, 375);
  btn_DeleteScheduler.Place(2040, 3240, 1800, 375);
  frameEditDateTime.Place(120, 3720, 8520, 1020);
  lblDate.Place(120, 330, 600, 255, &frameEditDateTime);
  combo_dd.Place(780, 300, 720, 315, &frameEditDateTime);
  combo_month.Place(1560, 300, 1200, 315, &frameEditDateTime);
  combo_year.Place(2820, 300, 960, 315, &frameEditDateTime);
  lblTime.Place(3960, 330, 600, 255, &frameEditDateTime);
  combo_Times.Place(4620, 300, 1440, 315, &frameEditDateTime);
  btn_SaveDateTime.Place(6180, 270, 1020, 375, &frameEditDateTime);
  btn_CloseEditDateTime.Place(7320, 270, 1020, 375, &frameEditDateTime);
}

void frmScheduler::Form_Load() {
  GetScheduledSMSDetails();
  Picker().FillYearsFromNow();
}

void frmScheduler::Form_KeyPress(int keyAscii) {
  if (keyAscii == 27) Unload();
}

void frmScheduler::NoJobs() {
  btn_SaveDateTime.Enabled = false;
  btn_DeleteScheduler.Enabled = false;
}

void frmScheduler::GetScheduledSMSDetails() {
  std::string answer;
  try {
    service::FormBody body;
    body.Field("getScheduledSMS", "Y")
        .Credentials(http_, globals_.SessionUserName, globals_.SessionPassword)
        .Field("ver", "1.0");
    answer = http_.HttpPost(service::path::kJobs, body.str());
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
  listingAnswered_ = !answer.empty();
  if (answer.find(',') == std::string::npos || answer.find('-') == std::string::npos) {
    NoJobs();
    return;
  }
  answer.pop_back();
  struct Group {
    std::string description, delivery, ids;
    int count = 0;
  };
  std::optional<Group> current;
  const auto emit = [this](const Group& g) {
    listScheduledData.Rows.insert(listScheduledData.Rows.begin(),
                                  {g.description, std::to_string(g.count), g.delivery, g.ids});
  };
  for (const auto& record : Split(answer, ",")) {
    const auto fields = Split(record, "-");
    // A record the service wrote without its four fields, or without minutes, is no job to show.
    if (fields.size() < 4 || !IsMinutes(fields[3])) continue;
    const std::string delivery =
        FormatDateTime(clock_.Now().AddMinutes(std::stoll(Trim(fields[3]))), kDeliveryFormat);
    if (current && current->description == fields[1] && current->delivery == delivery) {
      ++current->count;
      current->ids += "," + fields[0];
      continue;
    }
    if (current) emit(*current);
    current = Group{fields[1], delivery, fields[0], 1};
  }
  if (current) emit(*current);
  if (listScheduledData.Rows.empty()) NoJobs();
  listScheduledData.FontSize = 9;
}

void frmScheduler::listScheduledData_Click() {
  const int row = listScheduledData.SelectedRow();
  if (row < 0) return;
  const auto moment =
      ParseDateTime(listScheduledData.Rows[static_cast<std::size_t>(row)][Delivery]);
  if (!moment) return;
  const DateParts p = moment->Parts();
  const auto choose = [](ui::ComboBox& list, const auto& matches) {
    for (int i = 0; i < list.ListCount(); ++i) {
      if (matches(list.Items[static_cast<std::size_t>(i)])) {
        list.SetListIndex(i);
        return;
      }
    }
  };
  choose(combo_year, [&](const std::string& item) { return item == std::to_string(p.year); });
  choose(combo_month, [&](const std::string& item) { return item == MonthName(p.month); });
  choose(combo_dd, [&](const std::string& item) { return item == std::to_string(p.day); });
  choose(combo_Times, [&](const std::string& item) {
    const auto slot = ParseDateTime(item);
    return slot && slot->Parts().hour * 60 + slot->Parts().minute >= p.hour * 60 + p.minute;
  });
}

std::string frmScheduler::Post(const std::string& ids, const std::string* minutes) {
  service::FormBody body;
  body.Field("schIDs", ids);
  if (minutes) body.Field("newDateTimeMin", *minutes);
  body.Credentials(http_, globals_.SessionUserName, globals_.SessionPassword).Field("ver", "1.0");
  return http_.HttpPost(service::path::kEditJobs, body.str());
}

void frmScheduler::btn_SaveDateTime_Click() {
  const int row = listScheduledData.SelectedRow();
  if (row < 0) {
    ui().MsgBox("Please Select Scheduler To Edit!!!", ui::mb::Information, ui::kTitle);
    return;
  }
  try {
    const DateTime now = clock_.Now();
    const auto chosen = Picker().FutureMoment(ui(), now);
    if (!chosen) return;
    const std::string minutes = std::to_string(MinutesBetween(now, *chosen));
    auto& cells = listScheduledData.Rows[static_cast<std::size_t>(row)];
    const std::string answer = Post(cells[Ids], &minutes);
    ui().MsgBox(answer.empty() ? service::text::kCheckConnection : answer, ui::mb::Information,
                ui::kTitle);
    // The row shows the new time only once the service has taken it.
    if (answer.find("Success") != std::string::npos) {
      ActionDone();
      cells[Delivery] = FormatDateTime(*chosen, kDeliveryFormat);
    }
    frameEditDateTime.Visible = false;
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

void frmScheduler::btn_DeleteScheduler_Click() {
  const int row = listScheduledData.SelectedRow();
  if (listScheduledData.Rows.empty() || row < 0) {
    ui().MsgBox("Please Select Scheduler To Delete!!!", ui::mb::Information, ui::kTitle);
    return;
  }
  const auto cells = listScheduledData.Rows[static_cast<std::size_t>(row)];
  if (ui().MsgBox("Do You Really Want To Delete Scheduler? \n\"" + cells[Description] + "\"",
                  ui::mb::Critical | ui::mb::YesNo, ui::kTitle) != ui::mb::Yes) {
    return;
  }
  try {
    const std::string answer = Post(cells[Ids], nullptr);
    ui().MsgBox(answer.empty() ? service::text::kCheckConnection : answer, ui::mb::Information,
                ui::kTitle);
    if (answer.find("Success") == std::string::npos) return;
    ActionDone();
    listScheduledData.Rows.erase(listScheduledData.Rows.begin() + row);
    listScheduledData.Deselect();
    if (listScheduledData.Rows.empty()) NoJobs();
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

}  // namespace qv::scheduler
