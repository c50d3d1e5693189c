#include "addin/connect.h"

#include <gtest/gtest.h>

#include "send/frm_send_sms.h"
#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

using ConnectTest = AddinTest;

std::vector<std::string> Captions(host::CommandBarControls& controls) {
  std::vector<std::string> out;
  for (int i = 1; i <= controls.Count(); ++i) {
    auto& c = controls.Item(i);
    out.push_back((c.BeginGroup() ? "| " : "") + c.Caption() + (c.Enabled() ? "" : " (disabled)"));
  }
  return out;
}

TEST_F(ConnectTest, BuildsTheToolbarInOrderWithFaces) {
  ConnectAddin();
  EXPECT_TRUE(ui.Boxes().empty());
  host::CommandBar& bar = Toolbar();
  EXPECT_TRUE(bar.Visible());
  EXPECT_EQ(Captions(bar.Controls()),
            (std::vector<std::string>{"Send SMS", "Delivery Report", "Get Credits Balance",
                                      "Proxy Settings", "Interactive Demo", "Fill Mobile Numbers",
                                      "Scheduler"}));
  forms::frmAddIn& faces = connect.AddIn();
  const ui::Picture* expected[] = {&faces.picSendSMS.Image,  &faces.picDeliverRep.Image,
                                   &faces.picBuySMS.Image,   &faces.picSettings.Image,
                                   &faces.picDemo.Image,     &faces.picFillMNO.Image,
                                   &faces.ImgScheduler.Image};
  for (int i = 1; i <= 7; ++i) {
    auto& button = bar.Controls().Item(i);
    EXPECT_EQ(button.Style(), 3);
    EXPECT_EQ(button.FaceId(), 1);
    EXPECT_TRUE(button.Visible());
    EXPECT_EQ(host::MemoryCommandBars::FaceOf(button), *expected[i - 1]);
    EXPECT_EQ(host::MemoryCommandBars::FaceOf(button).Pixels.size(), 256u);
  }
}

TEST_F(ConnectTest, BuildsTheMenuTopToBottomWithItsGroups) {
  ConnectAddin();
  host::CommandBarControl& menu = Menu();
  EXPECT_TRUE(menu.Visible());
  EXPECT_EQ(
      Captions(menu.Controls()),
      (std::vector<std::string>{"Login", "| Send SMS", "Delivery Report", "Get Credits Balance",
                                "| Get Mode Submissions", "Scheduler", "Fill Mobile Numbers",
                                "Proxy Settings", "| Interactive Demo", "| Logout (disabled)"}));
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(menu.Controls().Item(i).Style(), 3);
}

TEST_F(ConnectTest, TagsEveryControlAfterItsCommandAndPlace) {
  // A host may raise a click on every control sharing the clicked one's id and tag: no two of
  // ours share a tag, and the tags are the same at every start.
  ConnectAddin();
  std::vector<std::string> tags;
  for (int i = 1; i <= Toolbar().Controls().Count(); ++i)
    tags.push_back(Toolbar().Controls().Item(i).Tag());
  tags.push_back(Menu().Tag());
  for (int i = 1; i <= Menu().Controls().Count(); ++i)
    tags.push_back(Menu().Controls().Item(i).Tag());
  EXPECT_EQ(
      tags,
      (std::vector<std::string>{
          "Quorvalent.SendSMS.toolbar", "Quorvalent.DR.toolbar", "Quorvalent.GetBal.toolbar",
          "Quorvalent.ProxySettings.toolbar", "Quorvalent.Demo.toolbar",
          "Quorvalent.UpdateMobile.toolbar", "Quorvalent.Scheduler.toolbar", "Quorvalent.Menu.menu",
          "Quorvalent.Login.menu", "Quorvalent.SendSMS.menu", "Quorvalent.DR.menu",
          "Quorvalent.GetBal.menu", "Quorvalent.GetModes.menu", "Quorvalent.Scheduler.menu",
          "Quorvalent.UpdateMobile.menu", "Quorvalent.ProxySettings.menu", "Quorvalent.Demo.menu",
          "Quorvalent.Logout.menu"}));
}

TEST_F(ConnectTest, ACommandClickedWhileASendLetsPendingEventsInIsNotRun) {
  ConnectAddin();
  OpenSession();
  connect.RefreshSessionMenu();
  host::MemorySheet& sheet = *app.ActiveSheet();
  for (int r = 2; r <= 4; ++r) {
    sheet.SetValueAt("A" + std::to_string(r), 919800000000.0 + r);
    sheet.SetValueAt("B" + std::to_string(r), "Client " + std::to_string(r));
  }
  transport.Answer("");  // no templates
  ClickMenu("Send SMS");
  send::frmSendSMS& d = connect.SendSMS();
  d.txtMsg.Text = "Dear #B#";
  d.txtStartRow.Text = "2";
  d.txtEndRow.Text = "4";
  int during = 0;
  // The user clicks on while the rows are read: the send again, the balance, the logout.
  ui.duringPendingEvents = [&] {
    ++during;
    Click(ToolbarButton("Send SMS"));
    Click(ToolbarButton("Get Credits Balance"));
    ClickMenu("Logout");
  };
  transport.Answer("000");
  d.cmdSend.Press();
  EXPECT_GT(during, 0);
  ASSERT_EQ(transport.Requests().size(), 2u);
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"3 SMS Messages Sent"});
  EXPECT_TRUE(connect.Globals().IsLoggedIn);
  // Once the send is done, a click runs again.
  ui.duringPendingEvents = nullptr;
  ClickMenu("Logout");
  EXPECT_FALSE(connect.Globals().IsLoggedIn);
  EXPECT_EQ(ui.Prompts().back(), "Logged out successfully");
}

TEST_F(ConnectTest, PutsTheMenuJustBeforeTheLastMenuOfTheBar) {
  ConnectAddin();
  auto& controls = app.GetCommandBars().Item(1).Controls();
  // Nine menus before: the new one stands at position 9, before Help.
  ASSERT_EQ(controls.Count(), 10);
  EXPECT_EQ(controls.Item(9).Caption(), "&Quorvalent");
  EXPECT_EQ(controls.Item(10).Caption(), "&Help");
}

TEST_F(ConnectTest, RemovesALeftoverMenuOfOursOnly) {
  auto& controls = app.GetCommandBars().Item(1).Controls();
  controls.Add(host::ControlType::Popup, 3, true).SetCaption("&Quorvalent");
  ConnectAddin();
  int ours = 0;
  for (int i = 1; i <= controls.Count(); ++i) ours += controls.Item(i).Caption() == "&Quorvalent";
  EXPECT_EQ(ours, 1);
  EXPECT_EQ(controls.Count(), 10);
}

TEST_F(ConnectTest, ExaminesOnlyTheFirstCustomPopup) {
  auto& controls = app.GetCommandBars().Item(1).Controls();
  controls.Add(host::ControlType::Popup, 2, true).SetCaption("&Other");
  controls.Add(host::ControlType::Popup, 4, true).SetCaption("&Quorvalent");
  ConnectAddin();
  std::vector<std::string> captions;
  for (int i = 1; i <= controls.Count(); ++i) captions.push_back(controls.Item(i).Caption());
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "&Other"), 1);
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "&Quorvalent"), 2);
}

TEST_F(ConnectTest, SecondConnectRebuildsTheToolbar) {
  ConnectAddin();
  ConnectAddin();
  EXPECT_TRUE(ui.Boxes().empty());
  int toolbars = 0;
  for (int i = 1; i <= app.GetCommandBars().Count(); ++i)
    toolbars += app.GetCommandBars().Item(i).Name() == "Quorvalent";
  EXPECT_EQ(toolbars, 1);
  EXPECT_EQ(Toolbar().Controls().Count(), 7);
  EXPECT_EQ(Captions(Menu().Controls()).size(), 10u);
}

TEST_F(ConnectTest, SeedsTheModesOnlyWhenEmpty) {
  ConnectAddin();
  const std::string seeded = Stored("STARTUP", "MODES");
  std::vector<std::string> codes;
  for (std::size_t start = 0; start < seeded.size();) {
    const auto comma = seeded.find(',', start);
    const std::string entry = seeded.substr(start, comma - start);
    EXPECT_EQ(entry[1], '-') << entry;
    codes.push_back(entry.substr(0, 1));
    start = comma == std::string::npos ? seeded.size() : comma + 1;
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"L", "C", "M", "G", "E", "R", "B", "A", "H"}));

  settings.Save("QuorvalentExcel", "STARTUP", "MODES", "X-Mine");
  ConnectAddin();
  EXPECT_EQ(Stored("STARTUP", "MODES"), "X-Mine");
}

TEST_F(ConnectTest, SetsTheServiceGlobalsAndLoadsTheProxy) {
  settings.Save("QuorvalentExcel", "ProxySettings", "ProxyType", "3");
  settings.Save("QuorvalentExcel", "ProxySettings", "ProxyName", "gw");
  settings.Save("QuorvalentExcel", "ProxySettings", "ProxyPort", "3128");
  ConnectAddin();
  EXPECT_EQ(connect.Globals().ServerAddress, "127.0.0.1");
  EXPECT_EQ(connect.Globals().ServerPort, 8080);
  EXPECT_EQ(connect.Globals().BaseUrl, "http://127.0.0.1:8080");
  EXPECT_EQ(connect.Globals().Proxy.ProxyType, 3);
  EXPECT_EQ(connect.Globals().Proxy.ProxyName, "gw");
  EXPECT_EQ(connect.Globals().Proxy.ProxyPort, 3128);
}

TEST(FindServiceAddress, TheGivenAddressWinsOverSettingsOverDefault) {
  settings::MemorySettings store;
  EXPECT_EQ(service::Origin(addin::FindServiceAddress("", store)), "http://127.0.0.1:8080");
  store.Save("QuorvalentExcel", "Service", "Address", "https://sms.example.test");
  EXPECT_EQ(service::Origin(addin::FindServiceAddress("", store)), "https://sms.example.test");
  EXPECT_EQ(service::Origin(addin::FindServiceAddress("10.1.2.3:9000", store)),
            "http://10.1.2.3:9000");
}

// What an address names, as the URL that starts every request; empty where it is refused.
TEST(FindServiceAddress, AnAddressIsASchemeAHostAndAPort) {
  settings::MemorySettings store;
  const struct {
    const char* address;
    const char* origin;
  } cases[] = {
      {"sms.example.test", "http://sms.example.test"},
      {" 10.1.2.3:9000 ", "http://10.1.2.3:9000"},
      {"[::1]:8081", "http://[::1]:8081"},
      {"http://sms.example.test", "http://sms.example.test"},
      {"https://sms.example.test", "https://sms.example.test"},
      {"HTTPS://sms.example.test:8443", "https://sms.example.test:8443"},
      {"https://sms.example.test/", "https://sms.example.test"},
      {"https://[::1]:8443", "https://[::1]:8443"},
      {"h:1", "http://h:1"},
      {"https://h:65535", "https://h:65535"},
      {"h:0", ""},
      {"https://h:65536", ""},
      {"host:notaport", ""},
      {"ftp://sms.example.test", ""},
      {"https://", ""},
      {"https://:8443", ""},
      {"https://sms.example.test/SMS_Excel", ""},
      {"https://user@sms.example.test", ""},
      {"https://sms.example.test//", ""},
  };
  for (const auto& c : cases) {
    if (*c.origin) {
      EXPECT_EQ(service::Origin(addin::FindServiceAddress(c.address, store)), c.origin)
          << c.address;
    } else {
      EXPECT_THROW(addin::FindServiceAddress(c.address, store), AddinError) << c.address;
    }
  }
}

// Over https every POST and the one GET go to the service over TLS.
TEST_F(ConnectTest, AnHttpsAddressSendsEveryRequestOverHttps) {
  settings.Save("QuorvalentExcel", "Service", "Address", "https://sms.example.test:8443");
  ConnectAddin();
  EXPECT_EQ(connect.Globals().BaseUrl, "https://sms.example.test:8443");
  transport.Answer("000");
  connect.Http().HttpPost("SMS_Excel/Get_Balance.asp", "user=a");
  EXPECT_TRUE(transport.Last().to.https);
  EXPECT_EQ(service::Origin(transport.Last().to), "https://sms.example.test:8443");
}

// Command bars whose worksheet menu bar cannot be reached.
class BrokenMenuBars : public host::CommandBars {
 public:
  explicit BrokenMenuBars(host::CommandBars& inner) : inner_(inner) {}
  int Count() const override { return inner_.Count(); }
  host::CommandBar& Item(int) override { throw host::HostError("The menu bar is not available."); }
  host::CommandBar* Find(std::string_view name) override { return inner_.Find(name); }
  host::CommandBar& Add(const std::string& name, int position, bool temporary) override {
    return inner_.Add(name, position, temporary);
  }

 private:
  host::CommandBars& inner_;
};

class BrokenMenuApplication : public host::MemoryApplication {
 public:
  host::CommandBars& GetCommandBars() override { return broken_; }
  host::MemoryCommandBars& Real() { return MemoryBars(); }

 private:
  BrokenMenuBars broken_{MemoryBars()};
};

TEST_F(ConnectTest, AFailureEndsTheSequenceAndKeepsWhatWasDone) {
  BrokenMenuApplication broken;
  connect.AddinInstance_OnConnection(broken);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0],
            (ui::ScriptedUi::Box{"The menu bar is not available.", 0, "Quorvalent_Excel"}));
  ASSERT_NE(broken.Real().Find("Quorvalent"), nullptr);
  EXPECT_EQ(broken.Real().Find("Quorvalent")->Controls().Count(), 7);
  EXPECT_EQ(broken.Real().Item(1).Controls().Count(), 9);
  EXPECT_NE(Stored("STARTUP", "MODES"), "<absent>");
}

}  // namespace
}  // namespace qv::testing
