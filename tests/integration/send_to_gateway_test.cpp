// The add-in against the real gateway, through the curl transport.
#include <gtest/gtest.h>

#include <cstdlib>

#include "addin/connect.h"
#include "host/memory_application.h"
#include "reports/frm_dr.h"
#include "scheduler/frm_scheduler.h"
#include "send/frm_preview_sms.h"
#include "service/curl_transport_posix.h"
#include "settings/memory_settings.h"
#include "support/addin_fakes.h"
#include "support/gateway_process.h"
#include "support/script_login.h"
#include "support/send_steps.h"
#include "ui/scripted_ui.h"
#include "values/clock_posix.h"
#include "values/convert.h"
#include "values/fixed_clock.h"

namespace qv::testing {
namespace {

class AgainstGatewayTest : public ::testing::Test {
 protected:
  AgainstGatewayTest() {
    gateway.Admin({"account", "add", "alice", "--password", "s3cret", "--credits", "100",
                   "--sender-id", "ACME", "--sender-id", "SHOP"});
    app.AddWorkbook("Book1");
    connect.AddinInstance_OnConnection(app);
    SendAsListedAfterEveryCheck(ui);
  }
  void Login() {
    ScriptLogin(ui, "alice", "s3cret");
    connect.Login().Show(ui::Modality::Modal);
    ASSERT_TRUE(connect.Globals().IsLoggedIn) << (ui.Prompts().empty() ? "" : ui.Prompts().back());
  }

  GatewayProcess gateway;
  host::MemoryApplication app;
  ui::ScriptedUi ui;
  service::CurlTransport transport;
  settings::MemorySettings settings;
  // The add-in's day is the gateway's (reports ask for today's messages); its time of day is
  // fixed, so that a schedule always has a later slot that day.
  FixedClock clock{[] {
    const DateParts today = SystemClock().Now().Parts();
    return DateTime::FromParts(today.year, today.month, today.day, 10, 32);
  }()};
  service::SystemRandom random;
  RecordingShell shell;
  addin::Connect connect{{ui, transport, settings, clock, random, shell, gateway.Address()}};
};

TEST_F(AgainstGatewayTest, TheGatewayStoresWhatThePreviewShowed) {
  Login();
  host::MemorySheet& sheet = *app.ActiveSheet();
  const struct {
    double number;
    const char* name;
    const char* amount;
  } rows[] = {{919876543210, "Ann", "10.50"},
              {919876543211, "B\xC3\xA9la, Jr.", "20"},
              {12345, "Short", "5"}};
  for (int i = 0; i < 3; ++i) {
    sheet.SetValue(host::CellRef{1, i + 2}, rows[i].number);
    sheet.SetValue(host::CellRef{2, i + 2}, rows[i].name);
    sheet.SetValueAndText(host::CellRef{3, i + 2}, NumericValue(rows[i].amount), rows[i].amount);
  }
  std::vector<std::string> previewed;
  ui.OnShow<send::frmPreviewSMS>("frmPreviewSMS", [&](send::frmPreviewSMS& p) {
    for (int i = 0; i < 3; ++i) {
      previewed.push_back(p.txt_msg.Text);
      p.cmdNext.Press();
    }
    p.cmdContinueSMS.Press();
  });
  ui.ClearBoxes();
  send::frmSendSMS& d =
      ShowSend(connect, app, "2", "4", "Dear #B#, you owe $#C# - pay by Friday & thanks");
  d.ChkPreview.SetValue(true);
  d.cmdSend.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"3 SMS Messages Sent"});

  const auto stored = gateway.Messages("alice");
  ASSERT_EQ(stored.size(), 3u);
  ASSERT_EQ(previewed.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(stored[i].text, previewed[i]);
    EXPECT_EQ(stored[i].sender, "Quorvalent");
  }
  EXPECT_EQ(stored[1].text, "Dear B\xC3\xA9la, Jr., you owe $20 - pay by Friday & thanks");
  EXPECT_EQ(stored[0].mobile, "919876543210");
}

TEST_F(AgainstGatewayTest, BalanceAndModesComeFromTheGateway) {
  Login();
  bool cancel = false;
  connect.mobjQuorvalentMenuBarButGetModes_Click(app.GetCommandBars().Item(1).Controls().Item(1),
                                                 cancel);
  EXPECT_EQ(settings.GetSetting("QuorvalentExcel", "STARTUP", "MODES").substr(0, 2), "L-");
  ui.ClearBoxes();
  connect.mobjQuorvalentMenuBarButGetBal_Click(app.GetCommandBars().Item(1).Controls().Item(1),
                                               cancel);
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"Your credit balance is 100.00"});
}

}  // namespace
}  // namespace qv::testing

namespace qv::testing {
namespace {

TEST_F(AgainstGatewayTest, TemplatesAreSavedListedAndDeleted) {
  Login();
  send::frmSendSMS& d = connect.SendSMS();
  d.Show(ui::Modality::Modeless);
  d.ExcelObj(app);
  EXPECT_EQ(d.Combo_SenderID.Items, (std::vector<std::string>{"ACME", "SHOP"}));
  EXPECT_TRUE(d.chkBox_SaveMsg.Value());
  d.txt_MsgName.Text = "Reminder";
  d.txtMsg.Text = "Dear #B#, 50% off & more";
  d.SaveMsgText.Press();
  EXPECT_EQ(ui.Prompts().back(), "Message Saved Successfully!!!");
  d.Unload();
  d.Show(ui::Modality::Modeless);
  ASSERT_EQ(d.combo_display_MsgNames.Items, std::vector<std::string>{"Reminder"});
  d.combo_display_MsgNames.SetListIndex(0);
  EXPECT_EQ(d.txtMsg.Text, "Dear #B#, 50% off & more");
  ui.Answer(ui::mb::Yes);
  d.btn_DeleteMsg.Press();
  EXPECT_EQ(ui.Prompts().back(), "Successfully Deleted!!!");
  EXPECT_TRUE(d.combo_display_MsgNames.Items.empty());
}

TEST_F(AgainstGatewayTest, AScheduledSendIsListedAndDeleted) {
  Login();
  WriteRows(*app.ActiveSheet(), 2, {{919876543210.0}, {919876543211.0}});
  send::frmSendSMS& d = ShowSend(connect, app, "2", "3", "Rent is due");
  d.chkSetScheduler.SetValue(true);
  d.txt_SchedulerName.Text = "Monthly rent";
  d.combo_year.SetListIndex(1);
  ui.Answer(ui::mb::Yes);
  d.cmdSend.Press();
  EXPECT_EQ(ui.Prompts().back(), "2 SMS Messages Sent");

  scheduler::frmScheduler& s = connect.Scheduler();
  s.Show(ui::Modality::Modeless);
  ASSERT_EQ(s.listScheduledData.Rows.size(), 1u);
  EXPECT_EQ(s.listScheduledData.Rows[0][0], "Monthly rent");
  EXPECT_EQ(s.listScheduledData.Rows[0][1], "2");
  s.listScheduledData.SelectRow(0);
  ui.Answer(ui::mb::Yes);
  s.btn_DeleteScheduler.Press();
  EXPECT_NE(ui.Prompts().back().find("Success"), std::string::npos);
  EXPECT_TRUE(s.listScheduledData.Rows.empty());
  EXPECT_EQ(gateway.Admin({"jobs", "alice"}), "");
}

TEST_F(AgainstGatewayTest, TheDeliveryReportLandsInANewSheet) {
  Login();
  WriteRows(*app.ActiveSheet(), 2, {{919876543210.0, "Ann, Jr - VIP"}});
  send::frmSendSMS& d = ShowSend(connect, app, "2", "2", "Hi #B#");
  d.cmdSend.Press();
  ASSERT_EQ(ui.Prompts().back(), "1 SMS Messages Sent");

  reports::frmDR& r = connect.DR();
  r.ExcelObj(app);
  r.Show(ui::Modality::Modeless);
  r.cmbMode.SetListIndex(r.cmbMode.ListCount() - 1);  // ALL
  r.txtSheetName.Text = "Report";
  r.cmdGet.Press();
  host::MemorySheet* sheet = app.ActiveWorkbook()->FindSheet("Report");
  ASSERT_NE(sheet, nullptr) << (ui.Prompts().empty() ? "" : ui.Prompts().back());
  EXPECT_EQ(sheet->ValueAt("A1"), Variant("Mobile Number"));
  EXPECT_TRUE(sheet->IsBold({1, 1}));
  EXPECT_EQ(sheet->ValueAt("A2"), Variant(919876543210.0));
  EXPECT_EQ(sheet->ValueAt("B2"), Variant("Hi Ann, Jr - VIP"));
  EXPECT_EQ(sheet->ValueAt("F2"), Variant("Quorvalent"));
}

}  // namespace
}  // namespace qv::testing
