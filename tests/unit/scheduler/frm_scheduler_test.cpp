#include "scheduler/frm_scheduler.h"

#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class SchedulerTest : public AddinTest {
 protected:
  void SetUp() override {
    clock.Set(DateTime::FromParts(2010, 1, 5, 10, 35, 20));
    ConnectAddin();
    OpenSession();
  }
  scheduler::frmScheduler& d() { return connect.Scheduler(); }
  void Open(const std::string& listing) {
    transport.Answer(listing);
    ClickMenu("Scheduler");
  }
};

TEST_F(SchedulerTest, NeighboursAreGroupedAndShownInReverse) {
  Open("17-A-x-90,18-A-x-90,25-B-x-1440,");
  EXPECT_EQ(transport.Last().body, "getScheduledSMS=Y&user=alice&passwd=n%0Bnn%02&ver=1%2E0");
  EXPECT_EQ(d().listScheduledData.Rows,
            (std::vector<std::vector<std::string>>{{"B", "1", "06 Jan 2010 10:35 AM", "25"},
                                                   {"A", "2", "05 Jan 2010 12:05 PM", "17,18"}}));
  EXPECT_EQ(d().listScheduledData.FontSize, 9);
  EXPECT_TRUE(d().btn_DeleteScheduler.Enabled);
  EXPECT_FALSE(d().frameEditDateTime.Visible);
  d().Unload();
  Open("1-A-x-90,2-B-x-90,3-A-x-90,");
  EXPECT_EQ(d().listScheduledData.Rows.size(), 3u);
  d().Unload();
  // Neighbours that share a description but not a time are two jobs.
  Open("17-A-x-90,18-A-x-95,");
  EXPECT_EQ(d().listScheduledData.Rows,
            (std::vector<std::vector<std::string>>{{"A", "1", "05 Jan 2010 12:10 PM", "18"},
                                                   {"A", "1", "05 Jan 2010 12:05 PM", "17"}}));
}

TEST_F(SchedulerTest, NoJobsDisableSaveAndDelete) {
  for (const char* listing : {"17-A-x-90", "", "002", "0", "1-A,2-B,x-y-z-soon,"}) {
    Open(listing);
    EXPECT_TRUE(d().listScheduledData.Rows.empty()) << listing;
    EXPECT_FALSE(d().btn_SaveDateTime.Enabled) << listing;
    EXPECT_FALSE(d().btn_DeleteScheduler.Enabled) << listing;
    EXPECT_TRUE(d().Command1.Enabled);
    d().Unload();
  }
}

TEST_F(SchedulerTest, ARowClickFillsThePickers) {
  Open("17-A-x-1530,");  // 06 Jan 2010 12:05 PM
  d().listScheduledData.SelectRow(0);
  EXPECT_EQ(d().combo_year.Text, "2010");
  EXPECT_EQ(d().combo_month.Text, "January");
  EXPECT_EQ(d().combo_dd.Text, "6");
  EXPECT_EQ(d().combo_Times.Text, "12:05 PM");
}

TEST_F(SchedulerTest, RetimeCountsWholeMinutesAndShowsTheNewTimeOnSuccess) {
  Open("17-A-x-90,");
  d().Command1.Press();
  d().listScheduledData.SelectRow(0);
  d().combo_dd.SetListIndex(4);       // today
  d().combo_Times.SetListIndex(127);  // 10:35 AM, not later than 10:35:20
  ui.ClearBoxes();
  d().btn_SaveDateTime.Press();
  EXPECT_EQ(ui.Prompts(),
            std::vector<std::string>{
                "Please Select Date & Time Greater Than '2010 January 5 10:35:20 AM'"});
  EXPECT_TRUE(d().frameEditDateTime.Visible);
  EXPECT_EQ(d().combo_Times.Text, "10:40 AM") << "the pickers return to now";

  ui.ClearBoxes();
  transport.Answer("Not allowed");
  d().btn_SaveDateTime.Press();
  EXPECT_EQ(transport.Last().body,
            "schIDs=17&newDateTimeMin=5&user=alice&passwd=n%0Bnn%02&ver=1%2E0");
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"Not allowed"});
  EXPECT_EQ(d().listScheduledData.Rows[0][2], "05 Jan 2010 12:05 PM") << "no success, no new time";

  transport.Answer("Scheduler Updated Successfully.");
  d().btn_SaveDateTime.Press();
  EXPECT_EQ(d().listScheduledData.Rows[0][2], "05 Jan 2010 10:40 AM");
  EXPECT_FALSE(d().frameEditDateTime.Visible);
}

TEST_F(SchedulerTest, SaveWithoutARowOrWithoutADateIsRefused) {
  Open("17-A-x-90,");
  d().btn_SaveDateTime.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"Please Select Scheduler To Edit!!!"});
  ui.ClearBoxes();
  d().listScheduledData.SelectRow(0);
  d().combo_Times.Text = "Send Time";
  d().btn_SaveDateTime.Press();
  EXPECT_EQ(ui.Prompts().size(), 1u);
  EXPECT_EQ(ui.Prompts()[0].rfind("Please Select Date & Time Greater Than '", 0), 0u);
  EXPECT_EQ(transport.Requests().size(), 1u);
}

TEST_F(SchedulerTest, DeleteRemovesTheRowOnlyOnSuccess) {
  Open("17-A-x-90,18-A-x-90,25-B-x-1440,");
  d().btn_DeleteScheduler.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"Please Select Scheduler To Delete!!!"});
  d().listScheduledData.SelectRow(1);
  ui.ClearBoxes();
  ui.Answer(ui::mb::Yes);
  transport.Answer("Could not delete");
  d().btn_DeleteScheduler.Press();
  EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{
                            {"Do You Really Want To Delete Scheduler? \n\"A\"", 20, "Quorvalent"},
                            {"Could not delete", 64, "Quorvalent"}}));
  EXPECT_EQ(transport.Last().body, "schIDs=17%2C18&user=alice&passwd=n%0Bnn%02&ver=1%2E0");
  EXPECT_EQ(d().listScheduledData.Rows.size(), 2u);
  ui.Answer(ui::mb::Yes);
  transport.Answer("Scheduler Deleted Successfully.");
  d().btn_DeleteScheduler.Press();
  EXPECT_EQ(d().listScheduledData.Rows.size(), 1u);
  d().listScheduledData.SelectRow(0);
  ui.Answer(ui::mb::Yes);
  transport.Answer("Success");
  d().btn_DeleteScheduler.Press();
  EXPECT_TRUE(d().listScheduledData.Rows.empty());
  EXPECT_FALSE(d().btn_DeleteScheduler.Enabled);
  EXPECT_FALSE(d().btn_SaveDateTime.Enabled);
}

}  // namespace
}  // namespace qv::testing
