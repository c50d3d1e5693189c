#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class CommandsTest : public AddinTest {
 protected:
  void SetUp() override { ConnectAddin(); }
  // Clicks the toolbar button or the menu entry of a command.
  void Run(const std::string& command, bool fromToolbar) {
    Click(fromToolbar ? ToolbarButton(command) : MenuEntry(command));
  }
};

const ui::ScriptedUi::Box kNoWorkbook{"Work book does not exit. Please check", 16, "Quorvalent"};

TEST_F(CommandsTest, WorkbookCommandsNeedAnActiveWorkbook) {
  app.CloseActiveWorkbook();
  for (const char* command : {"Send SMS", "Delivery Report"}) {
    for (bool toolbar : {true, false}) {
      ui.ClearBoxes();
      Run(command, toolbar);
      EXPECT_EQ(ui.Boxes(), std::vector<ui::ScriptedUi::Box>{kNoWorkbook}) << command << toolbar;
    }
  }
  EXPECT_TRUE(ui.FormsShown().empty());
}

TEST_F(CommandsTest, WorkbookCommandsOpenTheirDialogsModeless) {
  for (bool toolbar : {true, false}) {
    Run("Send SMS", toolbar);
    Run("Delivery Report", toolbar);
  }
  EXPECT_EQ(ui.FormsShown(),
            (std::vector<std::string>{"frmSendSMS", "frmDR", "frmSendSMS", "frmDR"}));
  EXPECT_TRUE(connect.SendSMS().IsVisible());
  EXPECT_TRUE(connect.DR().IsVisible());
  EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(CommandsTest, SessionCommandsOfferTheLoginAndEndSilentlyWhenCancelled) {
  for (const char* command : {"Get Credits Balance", "Scheduler", "Fill Mobile Numbers"}) {
    for (bool toolbar : {true, false}) {
      Run(command, toolbar);
    }
  }
  EXPECT_EQ(ui.FormsShown(), std::vector<std::string>(6, "frmLogin"));
  EXPECT_TRUE(ui.Boxes().empty());
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(CommandsTest, FillMobileNumbersNeedsNoWorkbook) {
  app.CloseActiveWorkbook();
  ScriptLogin("alice", "secret");
  transport.Answer("000");
  Run("Fill Mobile Numbers", true);
  EXPECT_EQ(ui.FormsShown(), (std::vector<std::string>{"frmLogin", "frmClient_MNO_Map"}));
  EXPECT_EQ(ui.Boxes(),
            (std::vector<ui::ScriptedUi::Box>{
                {"Logged in successfully", 64, "Quorvalent"},
                {"No workbook is open: open the workbook to fill first.", 16, "Quorvalent"}}));
}

TEST_F(CommandsTest, SchedulerOpensOnceLoggedInAndRefreshesTheMenu) {
  ScriptLogin("alice", "secret");
  transport.Answer("000");
  Run("Scheduler", false);
  EXPECT_EQ(ui.FormsShown(), (std::vector<std::string>{"frmLogin", "frmScheduler"}));
  EXPECT_FALSE(MenuEntry("Login").Enabled());
  EXPECT_TRUE(MenuEntry("Logout").Enabled());
  // Logged in now: the dialog opens without a second login.
  connect.Scheduler().Unload();
  Run("Scheduler", true);
  EXPECT_EQ(ui.FormsShown().back(), "frmScheduler");
  // The login, then the job listing at each opening.
  ASSERT_EQ(transport.Requests().size(), 3u);
  EXPECT_EQ(transport.Requests()[2].path, "SMS_Excel/getScheduledData_Excel.asp");
}

TEST_F(CommandsTest, ProxySettingsAndDemoNeedNothing) {
  app.CloseActiveWorkbook();
  Run("Proxy Settings", true);
  Run("Proxy Settings", false);
  EXPECT_EQ(ui.FormsShown(), (std::vector<std::string>{"frmProxySettings", "frmProxySettings"}));
  Run("Interactive Demo", true);
  Run("Interactive Demo", false);
  EXPECT_EQ(shell.opened,
            std::vector<std::string>(2, "http://127.0.0.1:8080/Excel_Demos/excel-demo.swf"));
  EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(CommandsTest, LoginAndLogoutSwapTheirMenuEntries) {
  ScriptLogin("alice", "secret");
  transport.Answer("000");
  ClickMenu("Login");
  EXPECT_FALSE(MenuEntry("Login").Enabled());
  EXPECT_TRUE(MenuEntry("Logout").Enabled());
  EXPECT_TRUE(connect.Globals().IsLoggedIn);

  ClickMenu("Logout");
  EXPECT_TRUE(MenuEntry("Login").Enabled());
  EXPECT_FALSE(MenuEntry("Logout").Enabled());
  EXPECT_FALSE(connect.Globals().IsLoggedIn);
  EXPECT_EQ(connect.Globals().SessionUserName, "");
  EXPECT_EQ(ui.Boxes().back(),
            (ui::ScriptedUi::Box{"Logged out successfully", 0, "Quorvalent_Excel"}));
  EXPECT_EQ(transport.Requests().size(), 1u);  // logout asks nothing of the service
}

// A spreadsheet that fails when asked for its active workbook, as a busy one does.
class BusyApplication : public host::MemoryApplication {
 public:
  host::MemoryWorkbook* ActiveWorkbook() override { throw host::HostError("Excel is busy."); }
};

TEST_F(CommandsTest, WorkbookChecksShowTheSpreadsheetsOwnFailure) {
  BusyApplication busy;
  addin::Connect addin{{ui, transport, settings, clock, random, shell, ""}};
  addin.AddinInstance_OnConnection(busy);
  addin.Globals().IsLoggedIn = true;
  const ui::ScriptedUi::Box kBusy{"Excel is busy.", 16, "Quorvalent"};
  host::CommandBarControls& buttons = busy.GetCommandBars().Find("Quorvalent")->Controls();
  for (const char* command : {"Send SMS", "Delivery Report"}) {
    for (int i = 1; i <= buttons.Count(); ++i) {
      if (buttons.Item(i).Caption() == command) Click(buttons.Item(i));
    }
  }
  // The dialogs, reached before the spreadsheet became busy, check again at their buttons.
  send::frmSendSMS& sendDialog = addin.SendSMS();
  sendDialog.ExcelObj(busy);
  sendDialog.cmdSend.Press();
  sendDialog.cmdAddCellToSMS.Press();
  reports::frmDR& report = addin.DR();
  report.ExcelObj(busy);
  report.cmdGet.Press();
  EXPECT_EQ(ui.Boxes(), std::vector<ui::ScriptedUi::Box>(5, kBusy));
  EXPECT_TRUE(ui.FormsShown().empty());
  EXPECT_TRUE(transport.Requests().empty());
}

}  // namespace
}  // namespace qv::testing
