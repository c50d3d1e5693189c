#include "session/frm_login.h"

#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class LoginTest : public AddinTest {
 protected:
  void SetUp() override { ConnectAddin(); }
  // Opens the login; the script types and presses Login once.
  void LoginWith(const std::string& user, const std::string& password) {
    ScriptLogin(user, password);
    connect.Login().Show(ui::Modality::Modal);
  }
  session::GlobalSubs& globals() { return connect.Globals(); }
};

TEST_F(LoginTest, EachAnswerHasItsTextAndEffect) {
  const struct {
    const char* answer;
    const char* text;
    bool loggedIn;
    const char* focus;
  } cases[] = {
      {"000", "Logged in successfully", true, nullptr},
      {"001", "No Balance. Please buy SMS credits from Quorvalent", false, nullptr},
      {"002", "Invalid User Name", false, "txtUserName"},
      {"003", "Invalid Password", false, "txtPasswd"},
      {"0110", "Your account has been blocked", false, nullptr},
      {"<ERROR>", "Error occured while Logging to Quorvalent", false, nullptr},
      {" 000", " 000", false, nullptr},
      {"Service closed for maintenance", "Service closed for maintenance", false, nullptr},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    transport.Answer(c.answer);
    ui.OnShow<session::frmLogin>("frmLogin", [&](session::frmLogin& f) {
      f.txtUserName.Type("  alice ");
      f.txtPasswd.Type(" abc ");
      f.cmdLogin.Press();
      EXPECT_EQ(f.IsLoaded(), !c.loggedIn) << "the dialog closes only after a successful login";
      if (c.focus) {
        ASSERT_NE(f.FocusedControl(), nullptr);
        EXPECT_EQ(f.FocusedControl()->Name(), c.focus);
        auto& box = c.focus == std::string("txtUserName") ? f.txtUserName : f.txtPasswd;
        EXPECT_EQ(box.SelStart, 0u);
        EXPECT_EQ(box.SelLength, box.Text.size());
      }
    });
    connect.Login().Show(ui::Modality::Modal);
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.text, 64, "Quorvalent"}}))
        << c.answer;
    EXPECT_EQ(globals().IsLoggedIn, c.loggedIn) << c.answer;
    EXPECT_EQ(globals().SessionUserName, c.loggedIn ? "alice" : "") << c.answer;
    EXPECT_EQ(globals().SessionPassword, c.loggedIn ? "abc" : "") << c.answer;
    EXPECT_EQ(transport.Last().path, "SMS_Excel/LoginCheck.asp");
    EXPECT_EQ(transport.Last().body, "user=alice&passwd=t%11tt%02")
        << "trimmed, scrambled, encoded";
    EXPECT_EQ(ui.Pointer(), ui::MousePointer::Default);
  }
}

TEST_F(LoginTest, EmptyBoxesAreRefusedBeforeAnythingIsSent) {
  ui.OnShow<session::frmLogin>("frmLogin", [&](session::frmLogin& f) {
    f.txtUserName.Type("   ");
    f.txtPasswd.Type("abc");
    f.cmdLogin.Press();
    EXPECT_EQ(f.txtUserName.Text, "");
    EXPECT_EQ(f.FocusedControl()->Name(), "txtUserName");
    f.txtUserName.Type("alice");
    f.txtPasswd.Text = "  ";
    f.cmdLogin.Press();
    EXPECT_EQ(f.txtPasswd.Text, "");
    EXPECT_EQ(f.FocusedControl()->Name(), "txtPasswd");
  });
  ClickMenu("Login");
  EXPECT_EQ(ui.Prompts(),
            (std::vector<std::string>{"Please enter user name", "Please enter password"}));
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(LoginTest, AFailedAttemptEndsAnEarlierSessionAndCancelKeepsIt) {
  transport.Answer("000");
  LoginWith("alice", "abc");
  ASSERT_TRUE(globals().IsLoggedIn);

  ui.OnShow<session::frmLogin>("frmLogin", [](session::frmLogin& f) { f.cmdCancel.Press(); });
  connect.Login().Show(ui::Modality::Modal);
  EXPECT_TRUE(globals().IsLoggedIn);

  transport.Answer("000");
  LoginWith("bob", "xyz");
  EXPECT_EQ(globals().SessionUserName, "bob");

  transport.Answer("003");
  LoginWith("carol", "wrong");
  EXPECT_FALSE(globals().IsLoggedIn);
  EXPECT_EQ(globals().SessionUserName, "");
}

TEST_F(LoginTest, TheBoxesStartEmptyAtEveryShowing) {
  transport.Answer("001");
  LoginWith("alice", "abc");
  ui.OnShow<session::frmLogin>("frmLogin", [](session::frmLogin& f) {
    EXPECT_EQ(f.txtUserName.Text, "");
    EXPECT_EQ(f.txtPasswd.Text, "");
    EXPECT_TRUE(f.cmdLogin.Default);
  });
  ClickMenu("Login");
}

constexpr const char* kProxyQuestion =
    "No Response!!!\nPlease Check Your Proxy Settings & Internet Connection!!!\n\nDo You Want To "
    "Edit Proxy "
    "Settings?";

TEST_F(LoginTest, SilenceOffersTheProxyDialogThenTriesAgain) {
  // Two silent answers, the user says Yes twice and edits the proxy each time; the third try gets
  // "000".
  transport.Answer("");
  transport.Answer("");
  transport.Answer("000");
  ui.Answer(ui::mb::Yes);
  ui.Answer(ui::mb::Yes);
  int proxyEdits = 0;
  for (int i = 0; i < 2; ++i) {
    ui.OnShow<service::frmProxySettings>("frmProxySettings", [&](service::frmProxySettings& f) {
      ++proxyEdits;
      f.cboProxyType.SetListIndex(1);
      f.cmdOk.Press();
    });
  }
  LoginWith("alice", "abc");
  EXPECT_EQ(proxyEdits, 2);
  EXPECT_EQ(ui.Boxes(),
            (std::vector<ui::ScriptedUi::Box>{{kProxyQuestion, 68, "Quorvalent"},
                                              {kProxyQuestion, 68, "Quorvalent"},
                                              {"Logged in successfully", 64, "Quorvalent"}}));
  EXPECT_EQ(transport.Requests().size(), 3u);
  EXPECT_EQ(transport.Requests()[1].proxy.ProxyType, 1)
      << "the repeated attempt uses the new settings";
  EXPECT_TRUE(globals().IsLoggedIn);
}

TEST_F(LoginTest, SilenceAndNoEndsTheAttempt) {
  ui.Answer(ui::mb::No);
  LoginWith("alice", "abc");
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{kProxyQuestion});
  EXPECT_EQ(transport.Requests().size(), 1u);
  EXPECT_FALSE(globals().IsLoggedIn);
}

TEST_F(LoginTest, TextTheWireCannotCarryIsRefusedBeforeSending) {
  LoginWith("\xD0\x96ohn", "abc");
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].buttons, 16);
  EXPECT_NE(ui.Boxes()[0].prompt.find("\"\xD0\x96\" (U+0416)"), std::string::npos);
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(LoginTest, ScrambleFailureIsShownAndTheDialogStays) {
  ui.OnShow<session::frmLogin>("frmLogin", [&](session::frmLogin& f) {
    f.txtUserName.Type("alice");
    f.txtPasswd.Type("\xC3\xBF");
    f.cmdLogin.Press();
    EXPECT_TRUE(f.IsLoaded());
  });
  ClickMenu("Login");
  EXPECT_EQ(
      ui.Boxes(),
      (std::vector<ui::ScriptedUi::Box>{{"Invalid procedure call or argument", 16, "Quorvalent"}}));
  EXPECT_EQ(ui.Pointer(), ui::MousePointer::Default);
}

TEST_F(LoginTest, UserNameValuesAreEncodedSoTheyCannotAddFields) {
  transport.Answer("002");
  LoginWith("a&passwd=x", "abc");
  EXPECT_EQ(transport.Last().body, "user=a%26passwd%3Dx&passwd=t%11tt%02");
}

TEST_F(LoginTest, GatesOpenTheLoginOnlyWithoutASession) {
  EXPECT_FALSE(session::RequireSession(connect.Login(), globals()));
  EXPECT_FALSE(session::RequireCredentials(connect.Login(), globals()));
  EXPECT_EQ(ui.FormsShown(), std::vector<std::string>(2, "frmLogin"));
  transport.Answer("000");
  LoginWith("alice", "abc");
  EXPECT_TRUE(session::RequireSession(connect.Login(), globals()));
  EXPECT_TRUE(session::RequireCredentials(connect.Login(), globals()));
  EXPECT_EQ(ui.FormsShown().size(), 3u);
}

}  // namespace
}  // namespace qv::testing
