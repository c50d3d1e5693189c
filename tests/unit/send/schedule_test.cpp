#include <gtest/gtest.h>

#include "send/date_pickers.h"
#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class ScheduleTest : public AddinTest {
 protected:
  void Open(DateTime now) {
    clock.Set(now);
    ConnectAddin();
    OpenSession();
    app.ActiveSheet()->SetValueAt("A2", 919876543210.0);
    ClickMenu("Send SMS");
    transport.ClearRequests();  // the template download at start-up
    d().txtStartRow.Text = "2";
    d().txtEndRow.Text = "2";
    d().txtMsg.Text = "Hi";
    d().chkSetScheduler.SetValue(true);
    d().txt_SchedulerName.Text = "Reminder";
  }
  send::frmSendSMS& d() { return connect.SendSMS(); }
  void Pick(int yearIndex, const char* month, const char* day, const char* time) {
    d().combo_year.SetListIndex(yearIndex);
    d().combo_month.SetListIndex(static_cast<int>(
        std::find(d().combo_month.Items.begin(), d().combo_month.Items.end(), month) -
        d().combo_month.Items.begin()));
    d().combo_dd.SetListIndex(std::stoi(day) - 1);
    const auto& slots = d().combo_Times.Items;
    d().combo_Times.SetListIndex(
        static_cast<int>(std::find(slots.begin(), slots.end(), time) - slots.begin()));
  }
};

TEST_F(ScheduleTest, AtLoadThePickersShowTodayAndTheNextSlot) {
  Open(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
  EXPECT_EQ(d().combo_year.Items,
            (std::vector<std::string>{"2026", "2027", "2028", "2029", "2030", "2031"}));
  EXPECT_EQ(d().combo_year.Text, "2026");
  EXPECT_EQ(d().combo_month.Text, "March");
  EXPECT_EQ(d().combo_dd.ListCount(), 31);
  EXPECT_EQ(d().combo_dd.Text, "5");
  EXPECT_EQ(d().combo_Times.Text, "10:35 AM");
  EXPECT_EQ(d().combo_Times.ListCount(), 288);
  EXPECT_EQ(d().combo_Times.Items[12], "1:00 AM");
  EXPECT_EQ(d().combo_Times.Items[144], "12:00 PM");
  EXPECT_EQ(d().combo_Times.Items.back(), "11:55 PM");
}

TEST_F(ScheduleTest, TheNextSlotIsCountedFromTheMinute) {
  const struct {
    int hour, minute, second;
    const char* slot;
  } cases[] = {{10, 32, 0, "10:35 AM"},
               {10, 35, 40, "10:40 AM"},
               {23, 54, 0, "11:55 PM"},
               {0, 0, 0, "12:05 AM"}};
  Open(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
  for (const auto& c : cases) {
    clock.Set(DateTime::FromParts(2026, 3, 5, c.hour, c.minute, c.second));
    d().combo_Times.SetListIndex(0);
    d().combo_dd.SetListIndex(4);
    EXPECT_EQ(d().combo_Times.Text, c.slot) << c.hour << ":" << c.minute;
  }
  // After 23:55 the time stays as it was.
  clock.Set(DateTime::FromParts(2026, 3, 5, 23, 56, 0));
  d().combo_Times.SetListIndex(3);
  d().combo_dd.SetListIndex(4);
  EXPECT_EQ(d().combo_Times.Text, "12:15 AM");
}

TEST_F(ScheduleTest, DayListsFollowYearAndMonth) {
  Open(DateTime::FromParts(2026, 3, 5, 10, 0, 0));
  const struct {
    int yearIndex;
    const char* month;
    int days;
  } cases[] = {{2, "February", 29}, {0, "February", 28}, {0, "April", 30}, {0, "May", 31}};
  for (const auto& c : cases) {
    Pick(c.yearIndex, c.month, "1", "12:00 AM");
    EXPECT_EQ(d().combo_dd.ListCount(), c.days) << c.month;
  }
  EXPECT_EQ(d().combo_dd.Text, "1") << "another month selects the first day";
  // Today's month in another year is another month too; only this year's preselects today.
  Pick(1, "March", "1", "12:00 AM");
  d().combo_month.SetListIndex(2);
  EXPECT_EQ(d().combo_dd.Text, "1");
  d().combo_year.SetListIndex(0);
  EXPECT_EQ(d().combo_dd.Text, "5");
}

TEST_F(ScheduleTest, TheNotifyFlagGoesAsTicked) {
  for (const bool notify : {true, false}) {
    Open(DateTime::FromParts(2026, 3, 5, 10, 32, 59));
    Pick(0, "March", "5", "12:35 PM");
    d().Chk_notifyme.SetValue(notify);
    transport.Answer("000");
    ui.Answer(ui::mb::Yes);
    d().cmdSend.Press();
    EXPECT_TRUE(transport.Last().body.ends_with(notify ? "&NotifyMe=1" : "&NotifyMe=0"))
        << transport.Last().body;
    d().Unload();
  }
}

TEST_F(ScheduleTest, MinutesCountWholeMinutesAndTheRequestCarriesThem) {
  Open(DateTime::FromParts(2026, 3, 5, 10, 32, 59));
  Pick(0, "March", "5", "12:35 PM");
  d().Chk_notifyme.SetValue(true);
  transport.Answer("000");
  ui.Answer(ui::mb::Yes);
  d().cmdSend.Press();
  EXPECT_EQ(d().ScheduleMinutes, 123);
  EXPECT_EQ(ui.Boxes().front(),
            (ui::ScriptedUi::Box{
                "Are You Sure You Want To Set Scheculer On \n'Thursday 05 March 2026 12:35 PM'", 68,
                "Quorvalent"}));
  const std::string& body = transport.Last().body;
  EXPECT_NE(body.find("&TOS=N&schedulerName=Reminder&ScheduledAfterMinutes=123&NotifyMe=1"),
            std::string::npos)
      << body;
  EXPECT_EQ(transport.Last().path, "SMS_Excel/SaveSchedulerData_Excel.asp");
}

TEST_F(ScheduleTest, AMomentNotLaterThanNowIsRefusedAndThePickersReset) {
  Open(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
  Pick(0, "March", "5", "10:30 AM");
  EXPECT_EQ(d().combo_Times.Text, "10:30 AM");
  d().combo_month.SetListIndex(6);  // July, whose day list starts at the 1st
  d().cmdSend.Press();
  ui.ClearBoxes();
  Pick(0, "March", "5", "10:30 AM");
  d().cmdSend.Press();
  EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{
                            {"Please Select Date & Time Greater Than '2026 March 5 10:32:00 AM'",
                             64, "Quorvalent"}}));
  EXPECT_EQ(d().combo_year.Text, "2026");
  EXPECT_EQ(d().combo_month.Text, "March");
  EXPECT_EQ(d().combo_dd.Text, "5");
  EXPECT_EQ(d().combo_Times.Text, "10:35 AM");
  EXPECT_TRUE(transport.Requests().empty());
}

// A description needs six characters, counted as characters.
TEST_F(ScheduleTest, ADescriptionOfSixCharactersIsEnough) {
  const std::string e = "\xC3\xA9";
  for (const auto& [name, enough] :
       {std::pair{std::string("Remind"), true}, std::pair{std::string("Remin"), false},
        std::pair{e + e + e + e + e + e, true}, std::pair{e + e + e + e + e, false}}) {
    Open(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
    d().txt_SchedulerName.Text = name;
    Pick(0, "March", "5", "12:35 PM");
    ui.ClearBoxes();
    ui.Answer(ui::mb::No);
    d().cmdSend.Press();
    ASSERT_FALSE(ui.Prompts().empty());
    EXPECT_EQ(ui.Prompts()[0] == "Scheduler Description Should Have Minimum 6 Characters.", !enough)
        << name;
    d().Unload();
  }
}

TEST_F(ScheduleTest, ChecksBeforeTheMoment) {
  Open(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
  d().txt_SchedulerName.Text = "Remin";
  d().cmdSend.Press();
  EXPECT_EQ(
      ui.Boxes(),
      (std::vector<ui::ScriptedUi::Box>{
          {"Scheduler Description Should Have Minimum 6 Characters.", 0, "Quorvalent_Excel"}}));
  d().txt_SchedulerName.Text.clear();
  d().txt_SchedulerName.Type(std::string(40, 'x'));
  EXPECT_EQ(d().txt_SchedulerName.Text.size(), 30u);

  ui.ClearBoxes();
  clock.Set(DateTime::FromParts(2008, 12, 31, 10, 0, 0));
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(),
            std::vector<std::string>{"Please Correct Your System Clock And Submit Again."});

  ui.ClearBoxes();
  clock.Set(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
  d().combo_year.SetListIndex(1);
  ui.Answer(ui::mb::No);
  d().cmdSend.Press();
  EXPECT_EQ(ui.Boxes().size(), 1u);
  EXPECT_TRUE(transport.Requests().empty());
  EXPECT_EQ(d().txtMsg.Text, "Hi");
}

TEST_F(ScheduleTest, TickingAndUntickingChangeTheDialog) {
  Open(DateTime::FromParts(2026, 3, 5, 10, 32, 0));
  EXPECT_TRUE(d().frame_Scheduler_Details.Visible);
  EXPECT_EQ(d().Height, 5830);
  EXPECT_EQ(d().cmdSend.Caption, "Submit");
  EXPECT_FALSE(d().chkFlash.Enabled);
  d().chkSetScheduler.SetValue(false);
  EXPECT_FALSE(d().frame_Scheduler_Details.Visible);
  EXPECT_EQ(d().Height, 4260);
  EXPECT_EQ(d().cmdSend.Caption, "Send");
  EXPECT_EQ(d().cmdSend.ToolTipText, "Send SMS!!!");
  EXPECT_TRUE(d().chkFlash.Enabled);
}

}  // namespace
}  // namespace qv::testing
