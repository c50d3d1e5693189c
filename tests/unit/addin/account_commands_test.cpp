#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class AccountCommandsTest : public AddinTest {
 protected:
  void SetUp() override {
    ConnectAddin();
    OpenSession();
  }
};

TEST_F(AccountCommandsTest, BalanceShowsThePayloadOrItsOwnError) {
  const struct {
    const char* answer;
    ui::ScriptedUi::Box box;
  } cases[] = {
      {"<QUORVALENT>125.50</QUORVALENT>", {"Your credit balance is 125.50", 64, "Quorvalent"}},
      {"<QUORVALENT>42", {"Your credit balance is 42", 64, "Quorvalent"}},
      {"42</QUORVALENT>", {"Your credit balance is 42", 64, "Quorvalent"}},
      {"<QUORVALENT>12<QUORVALENT>", {"Your credit balance is 12", 64, "Quorvalent"}},
      {"003", {"Error occured while retrieving SMS balance credits", 16, "Quorvalent"}},
      {"42", {"Error occured while retrieving SMS balance credits", 16, "Quorvalent"}},
      {"", {"Error occured while retrieving SMS balance credits", 16, "Quorvalent"}},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    transport.Answer(c.answer);
    ClickMenu("Get Credits Balance");
    EXPECT_EQ(ui.Boxes(), std::vector<ui::ScriptedUi::Box>{c.box}) << c.answer;
  }
  const auto& request = transport.Last();
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "SMS_Excel/Get_Balance.asp");
  // 12/6/2026 20:05:09 sums to 2078, K = 17; "abc" shifts to t, t, t; the draw 0.5 puts K at 2.
  EXPECT_EQ(request.body, "user=alice&passwd=t%11tt%02");
  EXPECT_FALSE(MenuEntry("Login").Enabled());
}

TEST_F(AccountCommandsTest, BalanceShowsAPasswordItCannotScramble) {
  connect.Globals().SessionPassword = "\xC3\xBF\xC3\xBF";  // two characters of code 255
  ClickMenu("Get Credits Balance");
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0],
            (ui::ScriptedUi::Box{"Invalid procedure call or argument", 16, "Quorvalent"}));
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(AccountCommandsTest, ModesAreStoredAsDownloaded) {
  connect.Globals().EndSession();
  const struct {
    const char* answer;
    const char* stored;
    ui::ScriptedUi::Box box;
  } cases[] = {
      {"<QUORVALENT>L-Live,E-Excel</QUORVALENT>",
       "L-Live,E-Excel",
       {"Mode of submissions has been downloaded", 64, "Quorvalent"}},
      {"<QUORVALENT> X-Open",
       " X-Open",
       {"Mode of submissions has been downloaded", 64, "Quorvalent"}},
      {"<QUORVALENT></QUORVALENT>",
       "",
       {"Mode of submissions has been downloaded", 64, "Quorvalent"}},
      {"002", "", {"Error occured while retrieving mode of submissions", 16, "Quorvalent"}},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    transport.Answer(c.answer);
    ClickMenu("Get Mode Submissions");
    EXPECT_EQ(ui.Boxes(), std::vector<ui::ScriptedUi::Box>{c.box}) << c.answer;
    EXPECT_EQ(Stored("STARTUP", "MODES"), c.stored) << c.answer;
  }
  EXPECT_EQ(transport.Last().method, "GET");
  EXPECT_EQ(transport.Last().path, "http://127.0.0.1:8080/SMS_Excel/Get_Modes.asp");
  EXPECT_TRUE(ui.FormsShown().empty());

  // An empty list is seeded again at the next connect.
  ConnectAddin();
  EXPECT_NE(Stored("STARTUP", "MODES"), "");
}

}  // namespace
}  // namespace qv::testing
