#pragma once

#include "send/date_pickers.h"
#include "service/m_http.h"
#include "session/global_subs.h"
#include "ui/form.h"

namespace qv::scheduler {

// Lists the submissions the service holds for later delivery, re-times and deletes them.
class frmScheduler : public ui::Form {
 public:
  frmScheduler(ui::Ui& ui, service::m_Http& http, session::GlobalSubs& globals, Clock& clock);

  ui::ListView listScheduledData;
  ui::CommandButton Command1;
  ui::CommandButton btn_DeleteScheduler;
  ui::Frame frameEditDateTime;
  ui::Label lblDate;
  ui::ComboBox combo_dd;
  ui::ComboBox combo_month;
  ui::ComboBox combo_year;
  ui::Label lblTime;
  ui::ComboBox combo_Times;
  ui::CommandButton btn_SaveDateTime;
  ui::CommandButton btn_CloseEditDateTime;

  // The columns of a row of the list.
  enum Column { Description = 0, Count = 1, Delivery = 2, Ids = 3 };

  void GetScheduledSMSDetails();
  // Whether the service answered the last listing (an empty list may be a dead service).
  bool ListingAnswered() const { return listingAnswered_; }
  void listScheduledData_Click();
  void Command1_Click() { frameEditDateTime.Visible = true; }
  void btn_CloseEditDateTime_Click() { frameEditDateTime.Visible = false; }
  void btn_SaveDateTime_Click();
  void btn_DeleteScheduler_Click();
  void Form_KeyPress(int keyAscii) override;

 protected:
  void InitializeComponent() override;
  void Form_Load() override;

 private:
  send::DatePicker Picker() { return {combo_year, combo_month, combo_dd, &combo_Times, clock_}; }
  void NoJobs();
  std::string Post(const std::string& ids, const std::string* minutes);
  service::m_Http& http_;
  session::GlobalSubs& globals_;
  Clock& clock_;
  bool listingAnswered_ = false;
};

}  // namespace qv::scheduler
