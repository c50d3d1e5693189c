#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

constexpr const char* kAnswer =
    "a|msg_name|Hello|msg_text|b|msg_name|Bye #B#|msg_text||SenderIDs_Data|ACME|sid|SHOP|sid|";

class TemplatesTest : public AddinTest {
 protected:
  void SetUp() override {
    ConnectAddin();
    OpenSession();
  }
  send::frmSendSMS& d() { return connect.SendSMS(); }
  void Open(const std::string& download) {
    transport.Answer(download);
    ClickMenu("Send SMS");
  }
};

TEST_F(TemplatesTest, TheDownloadFillsNamesTextsAndSenderIds) {
  Open(kAnswer);
  EXPECT_EQ(transport.Last().path, "SMS_Excel/SaveUserMessageExcel07.asp");
  EXPECT_EQ(transport.Last().body, "getMsg=Yes&user=alice&passwd=t%11tt%02&ver=1%2E3");
  EXPECT_EQ(d().combo_display_MsgNames.Items, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(d().TemplateTexts(), (std::vector<std::string>{"Hello", "Bye #B#"}));
  EXPECT_EQ(d().Combo_SenderID.Items, (std::vector<std::string>{"ACME", "SHOP"}));
  EXPECT_EQ(d().SenderIdList, ",ACME,SHOP");
  EXPECT_TRUE(d().Combo_SenderID.Visible);
  EXPECT_TRUE(d().senderID_Frame.Visible);
  EXPECT_FALSE(d().btn_getTemplates.Visible);
  EXPECT_FALSE(d().cmd_GetSenderIDs.Visible);
  d().txtMsg.Text = "typed";
  d().combo_display_MsgNames.SetListIndex(1);
  EXPECT_EQ(d().txtMsg.Text, "Bye #B#");
  EXPECT_TRUE(d().btn_DeleteMsg.Visible);
}

TEST_F(TemplatesTest, OneSenderIdStaysHiddenAndOddPiecesAreSkipped) {
  Open("no marker here|msg_text|a|msg_name|Hello|msg_text||SenderIDs_Data|ACME|sid|");
  EXPECT_EQ(d().combo_display_MsgNames.Items, std::vector<std::string>{"a"});
  EXPECT_EQ(d().Combo_SenderID.Items, std::vector<std::string>{"ACME"});
  EXPECT_FALSE(d().Combo_SenderID.Visible);
  EXPECT_FALSE(d().senderID_Frame.Visible);
}

TEST_F(TemplatesTest, SenderIdsWithoutTemplatesCanBeUsed) {
  Open("|SenderIDs_Data|ACME|sid|SHOP|sid|");
  EXPECT_TRUE(d().combo_display_MsgNames.Items.empty());
  EXPECT_EQ(d().SenderIdList, ",ACME,SHOP");
  EXPECT_TRUE(d().chkBox_SaveMsg.Value()) << "no template: the save box is ticked";
  EXPECT_TRUE(d().txt_MsgName.Visible);
  // Templates but no sender-ID part: the templates load, no sender ID does.
  d().Unload();
  Open("a|msg_name|Hello|msg_text|");
  EXPECT_EQ(d().combo_display_MsgNames.Items, std::vector<std::string>{"a"});
  EXPECT_TRUE(d().Combo_SenderID.Items.empty());
}

TEST_F(TemplatesTest, ReopeningKeepsNamesAndTextsAligned) {
  Open(kAnswer);
  d().Unload();
  Open("x|msg_name|Other|msg_text||SenderIDs_Data|");
  d().combo_display_MsgNames.SetListIndex(0);
  EXPECT_EQ(d().txtMsg.Text, "Other");
}

TEST_F(TemplatesTest, SaveAddsOnlyWhatTheServiceKept) {
  Open(kAnswer);
  const struct {
    const char* answer;
    const char* text;
    bool added;
  } cases[] = {
      {"000", "Message Saved Successfully!!!", true},
      {"002", "Invalid User Name", false},
      {"<ERROR>", "Error occured while sending SMS messages", false},
      {"", "Please Check Your Internet Connection & Proxy Settings", false},
      {"Name taken", "Name taken", false},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    d().chkBox_SaveMsg.SetValue(false);
    d().chkBox_SaveMsg.SetValue(true);
    d().txt_MsgName.Click();
    EXPECT_EQ(d().txt_MsgName.Text, "");
    d().txt_MsgName.Type("due & late");
    d().txtMsg.Text = "Pay #C# now";
    const auto before = d().combo_display_MsgNames.Items.size();
    transport.Answer(c.answer);
    d().SaveMsgText.Press();
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.text, 64, "Quorvalent"}}))
        << c.answer;
    EXPECT_EQ(d().combo_display_MsgNames.Items.size(), before + (c.added ? 1 : 0)) << c.answer;
    EXPECT_EQ(d().TemplateTexts().size(), d().combo_display_MsgNames.Items.size());
    EXPECT_FALSE(d().SaveMsgText.Visible);
  }
  EXPECT_EQ(transport.Last().body,
            "SaveMsg=Pay+%23C%23+now&MsgName=due+%26+late&user=alice&passwd=t%11tt%02&ver=1%2E0");
  EXPECT_EQ(d().combo_display_MsgNames.Items.back(), "due & late");
  EXPECT_EQ(d().TemplateTexts().back(), "Pay #C# now");
}

TEST_F(TemplatesTest, SaveChecksMessageAndName) {
  Open(kAnswer);
  d().chkBox_SaveMsg.SetValue(true);
  d().txtMsg.Text = "";
  d().SaveMsgText.Press();
  d().txtMsg.Text = "Hi";
  d().SaveMsgText.Press();
  EXPECT_EQ(ui.Prompts(), (std::vector<std::string>{"There is no SMS message found!!!",
                                                    "Please Provide Msg Name!!!"}));
  EXPECT_EQ(d().FocusedControl()->Name(), "txt_MsgName");
  EXPECT_EQ(transport.Requests().size(), 1u);

  // A name that cannot be sent is named before any request.
  ui.ClearBoxes();
  d().txt_MsgName.Text = "\xE5\xAF\x86";
  d().SaveMsgText.Press();
  const std::string refusal =
      "The text \"\xE5\xAF\x86\" in the template name contains the character \"\xE5\xAF\x86\" "
      "(U+5BC6), which cannot be sent: only Western European characters can be.";
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{refusal});
  EXPECT_EQ(transport.Requests().size(), 1u);
}

TEST_F(TemplatesTest, DeleteRemovesTheEntryOnlyWhenTheServiceDid) {
  Open(kAnswer);
  d().combo_display_MsgNames.SetListIndex(0);
  transport.Answer("002");
  ui.Answer(ui::mb::Yes);
  d().btn_DeleteMsg.Press();
  EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{
                            {"Do You Really Want To Delete 'a'", 20, "Quorvalent"},
                            {"002", 64, "Quorvalent"}}));
  EXPECT_EQ(d().combo_display_MsgNames.Items.size(), 2u);
  EXPECT_EQ(transport.Last().body, "MsgName=a&delete=Y&user=alice&passwd=t%11tt%02&ver=1%2E0");

  ui.ClearBoxes();
  transport.Answer("Successfully Deleted!!!");
  ui.Answer(ui::mb::Yes);
  d().btn_DeleteMsg.Press();
  EXPECT_EQ(d().combo_display_MsgNames.Items, std::vector<std::string>{"b"});
  d().combo_display_MsgNames.SetListIndex(0);
  EXPECT_EQ(d().txtMsg.Text, "Bye #B#");

  // A typed name removes the entry of that name.
  ui.ClearBoxes();
  d().combo_display_MsgNames.Text = "b";
  transport.Answer("Successfully Deleted!!!");
  ui.Answer(ui::mb::Yes);
  d().btn_DeleteMsg.Press();
  EXPECT_TRUE(d().combo_display_MsgNames.Items.empty());
  EXPECT_TRUE(d().TemplateTexts().empty());

  ui.ClearBoxes();
  d().btn_DeleteMsg.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"Please Select Message Name!!!"});
}

TEST_F(TemplatesTest, LoggedOutTheButtonOffersTheDownload) {
  connect.Globals().EndSession();
  ClickMenu("Send SMS");
  EXPECT_TRUE(transport.Requests().empty());
  EXPECT_TRUE(d().btn_getTemplates.Visible);
  EXPECT_EQ(d().btn_getTemplates.Left, 2760);
  EXPECT_EQ(d().btn_getTemplates.Top, 1380);
  ScriptLogin("alice", "abc");
  transport.Answer("000");
  transport.Answer(kAnswer);
  d().btn_getTemplates.Press();
  EXPECT_EQ(d().combo_display_MsgNames.Items.size(), 2u);
}

}  // namespace
}  // namespace qv::testing
