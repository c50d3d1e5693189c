// The add-in on Windows' own transport, against the real stand-in gateway that
// against_gateway.sh starts: what the service sees is what it sees from the curl transport.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "addin/connect.h"
#include "borrowed_environment.h"
#include "connect_com/connect_com.h"
#include "fake_excel.h"
#include "host/memory_application.h"
#include "send/frm_send_sms.h"
#include "service/random.h"
#include "service/wininet_transport_win32.h"
#include "settings/memory_settings.h"
#include "support/script_login.h"
#include "ui/scripted_ui.h"
#include "values/clock_win32.h"

namespace qv::testing {
namespace {

// The adapters of the add-in on Windows against the gateway: WinINet and the system clock and
// draw; the Ui, the settings and the shell are the tests' own.
struct GatewayFakes {
  ui::ScriptedUi ui;
  service::WinInetTransport transport;
  settings::MemorySettings settings;
  SystemClock clock;
  service::SystemRandom random;
  RecordingShell shell;
  addin::Platform Platform() {
    return {ui,
            transport,
            settings,
            clock,
            random,
            shell,
            std::getenv("QV_GATEWAY") ? std::getenv("QV_GATEWAY") : ""};
  }
};

class AgainstGatewayTest : public ::testing::Test, protected GatewayFakes {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("QV_GATEWAY"), nullptr) << "run through against_gateway.sh";
    app.AddWorkbook("Book1", {"Sheet1"});
    connect.AddinInstance_OnConnection(app);
    ScriptLogin(ui, "alice", "s3cret");
    connect.Login().Show(ui::Modality::Modal);
    ASSERT_TRUE(connect.Globals().IsLoggedIn) << (ui.Prompts().empty() ? "" : ui.Prompts().back());
  }
  // Clicks an entry of the add-in's menu, as a user would; the last box it showed.
  std::string Click(const std::string& caption) {
    host::CommandBarControl* entry = nullptr;
    auto& bar = app.GetCommandBars().Item(1);
    for (int i = 1; i <= bar.Controls().Count(); ++i) {
      auto& menu = bar.Controls().Item(i);
      if (menu.Caption() != "&Quorvalent") continue;
      for (int k = 1; k <= menu.Controls().Count(); ++k) {
        if (menu.Controls().Item(k).Caption() == caption) entry = &menu.Controls().Item(k);
      }
    }
    EXPECT_NE(entry, nullptr) << caption;
    if (entry) host::MemoryCommandBars::Click(*entry);
    return ui.Prompts().empty() ? "" : ui.Prompts().back();
  }

  host::MemoryApplication app;
  addin::Connect connect{Platform()};
};

TEST_F(AgainstGatewayTest, LoginBalanceALargeSendAndTheModes) {
  EXPECT_EQ(Click("Get Credits Balance"), "Your credit balance is 5000.00");

  host::MemorySheet& sheet = *app.ActiveSheet();
  for (int r = 2; r <= 2001; ++r) {
    sheet.SetValueAt("A" + std::to_string(r), 919800000000.0 + r);
    sheet.SetValueAt("B" + std::to_string(r), "Client \xC3\xA9" + std::to_string(r));
  }
  send::frmSendSMS& d = connect.SendSMS();
  d.Show(ui::Modality::Modeless);
  d.ExcelObj(app);
  d.txtMsg.Text = "Dear #B#, thank you";
  d.txtStartRow.Text = "2";
  d.txtEndRow.Text = "2001";
  d.cmdSend.Press();
  EXPECT_EQ(ui.Prompts().back(), "2000 SMS Messages Sent");
  EXPECT_EQ(Click("Get Credits Balance"), "Your credit balance is 3000.00");

  EXPECT_EQ(Click("Get Mode Submissions"), "Mode of submissions has been downloaded");
  EXPECT_FALSE(settings.GetSetting("QuorvalentExcel", "STARTUP", "MODES").empty());
}

// The add-in as Excel holds it: the creatable Connect over a fake Excel reached through IDispatch,
// its menu clicked through the connection points, on WinINet against the real gateway.
TEST(AgainstGatewayThroughCom, TheMenusGetCreditsBalanceShowsTheBalance) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    host::MemoryApplication model;
    model.AddWorkbook("Book1");
    FakeExcel excel{model};
    GatewayFakes fakes;
    auto object = excel::ConnectObject::Make(Borrow(fakes.Platform()));
    ASSERT_EQ(
        object->OnConnection(excel.Application(), excel::ConnectMode::Startup, nullptr, nullptr),
        S_OK);
    host::CommandBarControls& buttons = model.GetCommandBars().Find("Quorvalent")->Controls();
    ScriptLogin(fakes.ui, "alice", "s3cret");
    for (int i = 1; i <= buttons.Count(); ++i) {
      if (buttons.Item(i).Caption() == "Get Credits Balance") excel.Click(buttons.Item(i));
    }
    // The other test of this gateway may have spent some of the 5000 credits.
    const std::string shown = fakes.ui.Prompts().back();
    EXPECT_TRUE(std::regex_match(shown, std::regex("Your credit balance is [0-9]+\\.[0-9][0-9]")))
        << shown;
    object->OnDisconnection(excel::DisconnectMode::HostShutdown, nullptr);
    EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  }
  CoUninitialize();
}

}  // namespace
}  // namespace qv::testing
