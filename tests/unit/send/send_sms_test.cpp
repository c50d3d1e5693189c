#include <gtest/gtest.h>

#include "send/bulk_send.h"
#include "send/frm_preview_sms.h"
#include "send/frm_send_check.h"
#include "service/protocol.h"
#include "support/addin_fixture.h"
#include "support/form_body.h"
#include "support/send_steps.h"
#include "values/cp1252.h"

namespace qv::testing {
namespace {

class SendTest : public AddinTest {
 protected:
  void SetUp() override {
    SendAsListedAfterEveryCheck(ui);
    transport.AnswerAlways(service::path::kBalance, "<QUORVALENT>100</QUORVALENT>");
    ConnectAddin();
    OpenSession();
    ClickMenu("Send SMS");
    transport.ClearRequests();  // the template download at start-up
    ASSERT_TRUE(dialog().IsVisible());
  }
  send::frmSendSMS& dialog() { return connect.SendSMS(); }
  host::MemorySheet& sheet() { return *app.ActiveSheet(); }

  // Rows from 2 on: the number in A, the name in B, the amount in C.
  void Rows(const std::vector<std::vector<Variant>>& rows) { WriteRows(sheet(), 2, rows); }
  void Choose(const std::string& start, const std::string& end, const std::string& message) {
    ChooseRows(dialog(), start, end, message);
  }
  // The paths of the requests made.
  std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    for (const auto& r : transport.Requests()) paths.push_back(r.path);
    return paths;
  }
  // The fields of the last request, decoded.
  std::map<std::string, std::string> Fields() {
    return testing::DecodeFormBody(transport.Last().body);
  }
  std::vector<std::string> FieldNames() {
    std::vector<std::string> names;
    std::string body = transport.Last().body;
    std::size_t start = 0;
    for (;;) {
      names.push_back(body.substr(start, body.find('=', start) - start));
      auto amp = body.find('&', start);
      if (amp == std::string::npos) return names;
      start = amp + 1;
    }
  }
};

// Placeholders are replaced one name after the other, as the texts were always merged: what one
// value brings in a later name replaces, and a name an earlier value cut is not replaced.
TEST(Merger, NamesOneAfterTheOther) {
  const struct {
    const char* text;
    std::vector<std::string> names, values;
    const char* merged;
  } cases[] = {
      {"Dear #B#, due #C#", {"B", "C"}, {"Ann", "10"}, "Dear Ann, due 10"},
      {"#B##B#", {"B"}, {"v"}, "vv"},
      {"#B# #C#", {"B", "C"}, {"#C#", "z"}, "z z"},
      {"#A##B#A#", {"A", "B"}, {"x", "y"}, "x#Bx"},
      {"#B# #C#", {"B", "C"}, {"b"}, "b #C#"},
      {"no names", {}, {}, "no names"},
  };
  for (const auto& c : cases) {
    send::Merger merge(c.names);
    EXPECT_EQ(merge(c.text, c.values), c.merged) << c.text;
    // The buffers serve the next recipient without anything of this one.
    EXPECT_EQ(merge(c.text, c.values), c.merged) << c.text;
  }
}

TEST_F(SendTest, RowChecksInOrderWithFocus) {
  const struct {
    const char* start;
    const char* end;
    const char* message;
    const char* focus;
    bool cleared;
  } cases[] = {
      {"  ", "5", "Please enter start row", "txtStartRow", true},
      {"x", "5", "Start row should be numeric only", "txtStartRow", false},
      {"0", "5", "Start row should be greater than zero", "txtStartRow", false},
      {"-3", "5", "Start row should be greater than zero", "txtStartRow", false},
      {"3", " ", "Please enter end row", "txtEndRow", true},
      {"3", "5a", "End row should be numeric only", "txtEndRow", false},
      {"3", "0", "End row should be greater than zero", "txtEndRow", false},
      {"8", "7", "End row should be greater than Start row", "txtEndRow", false},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    Choose(c.start, c.end, "Hi");
    dialog().cmdSend.Press();
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.message, 64, "Quorvalent"}}))
        << c.start << c.end;
    EXPECT_EQ(dialog().FocusedControl()->Name(), c.focus);
    auto& box = std::string(c.focus) == "txtStartRow" ? dialog().txtStartRow : dialog().txtEndRow;
    EXPECT_EQ(box.Text.empty(), c.cleared);
  }
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(SendTest, TheMergeAndTheCellDataByteForByte) {
  Rows({{919876543210.0, "Ann", "10"},
        {"abc", "Skip", "0"},
        {919876543211.0,
         "B\x01o\x02"
         "b\x7F",
         "20"}});
  transport.Answer("000");
  Choose(" 2 ", "4", "Dear #B#, due #C#");
  dialog().cmdSend.Press();
  auto f = Fields();
  EXPECT_EQ(transport.Last().path, "SMS_Excel/SaveExcelData_V2.asp");
  EXPECT_EQ(f["mobilenumber"], "919876543210,919876543211");
  EXPECT_EQ(f["message"], "Dear #B#, due #C#");
  EXPECT_EQ(f["MMCellData"],
            "B\x01"
            "Ann\x02"
            "C\x01"
            "10\x7F"
            "B\x01"
            "Bob\x02"
            "C\x01"
            "20");
  EXPECT_EQ(f["IsConcatSMS"], "0");
  EXPECT_EQ(f["TOS"], "N");
  EXPECT_EQ(f["SenderName"], "Quorvalent");
  EXPECT_EQ(f["ver"], "1.0");
  EXPECT_EQ(FieldNames(),
            (std::vector<std::string>{"mobilenumber", "message", "MMCellData", "user", "passwd",
                                      "ver", "SenderName", "IsConcatSMS", "TOS"}));
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"2 SMS Messages Sent"});
  EXPECT_FALSE(connect.Display().IsLoaded());
  EXPECT_EQ(ui.Pointer(), ui::MousePointer::Default);
}

TEST_F(SendTest, NumbersLoseDotsAndDashesAndTextWithDashesIsSkipped) {
  Rows({{"98-76-54", "x", ""}, {12.5, "y", ""}, {"  4455 ", "z", ""}});
  transport.Answer("000");
  Choose("2", "4", "Hello");
  dialog().cmdSend.Press();
  EXPECT_EQ(Fields()["mobilenumber"], "125,  4455 ");
  EXPECT_EQ(Fields()["MMCellData"], "");
}

TEST_F(SendTest, TheLongMessageQuestionIsAskedOnce) {
  Rows({{111.0, std::string(170, 'a'), ""}, {222.0, std::string(180, 'b'), ""}});
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  Choose("2", "3", "#B#");
  dialog().cmdSend.Press();
  EXPECT_EQ(
      ui.Prompts(),
      (std::vector<std::string>{
          "SMS message contains more than 160 characters for the row(2).\r\nWould you like to send "
          "more than 160 characters.",
          "2 SMS Messages Sent"}));
  EXPECT_EQ(ui.Boxes()[0].buttons, 1);
  EXPECT_EQ(Fields()["IsConcatSMS"], "1");
}

TEST_F(SendTest, CancellingTheLongMessageSendsNothing) {
  Rows({{111.0, std::string(161, 'a'), ""}});
  ui.Answer(ui::mb::Cancel);
  Choose("2", "2", "#B#");
  dialog().cmdSend.Press();
  EXPECT_TRUE(transport.Requests().empty());
  EXPECT_EQ(ui.Prompts().size(), 1u);
  EXPECT_FALSE(connect.Display().IsLoaded());
}

TEST_F(SendTest, AnEmptyMergedMessageStopsTheSend) {
  Rows({{111.0, "Ann", ""}, {222.0, "", ""}});
  Choose("2", "3", "#B#");
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"SMS message is empty for the row(3)"});
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(SendTest, NoNumbersWithAndWithoutPreview) {
  Rows({{"none", "Ann", ""}});
  Choose("2", "2", "Hi");
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(),
            std::vector<std::string>{
                "0 SMS Messages Sent\nThere are no Mobilenumbers available in specified colum."});
  EXPECT_EQ(dialog().FocusedControl()->Name(), "cmbMobileNumbersCell");
  ui.ClearBoxes();
  dialog().ChkPreview.SetValue(true);
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(),
            std::vector<std::string>{"There Is No Mobile Number In Specified Range."});
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(SendTest, EndpointByCountAndScheduling) {
  const struct {
    int rows;
    bool scheduled;
    const char* path;
  } cases[] = {
      {1001, false, "SMS_Excel/SaveExcelData_V2.asp"},
      {1002, false, "SMS_Excel_1/SaveBulkSMS.aspx"},
      {1001, true, "SMS_Excel/SaveSchedulerData_Excel.asp"},
      {1002, true, "SMS_Excel_1/SaveSchedulerData_Excel.aspx"},
  };
  for (int r = 2; r < 2 + 1002; ++r) sheet().SetValueAt("A" + std::to_string(r), 9000000000.0 + r);
  for (const auto& c : cases) {
    ui.ClearBoxes();
    transport.Answer("000");
    Choose("2", std::to_string(1 + c.rows), "Hi");
    dialog().chkSetScheduler.SetValue(c.scheduled);
    if (c.scheduled) {
      dialog().txt_SchedulerName.Text = "Monthly";
      dialog().combo_year.SetListIndex(1);  // next year
      ui.Answer(ui::mb::Yes);
    }
    dialog().cmdSend.Press();
    EXPECT_EQ(transport.Last().path, c.path) << c.rows << c.scheduled;
    EXPECT_EQ(ui.Prompts().back(), std::to_string(c.rows) + " SMS Messages Sent");
  }
}

TEST_F(SendTest, FortyThousandRowsAreOneSend) {
  for (int r = 1; r <= 40000; ++r) sheet().SetValue(host::CellRef{1, r}, 9000000000.0 + r);
  transport.Answer("000");
  Choose("1", "40000", "Hi");
  dialog().cmdSend.Press();
  EXPECT_EQ(transport.Requests().size(), 1u);
  EXPECT_EQ(transport.Last().path, "SMS_Excel_1/SaveBulkSMS.aspx");
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"40000 SMS Messages Sent"});
}

TEST_F(SendTest, AnswersAreShownAsTheirTexts) {
  Rows({{111.0, "Ann", ""}});
  const struct {
    const char* answer;
    const char* text;
  } cases[] = {{"001", "No Balance. Please buy SMS credits from Quorvalent"},
               {"<ERROR>", "Error occured while sending SMS messages"},
               {"Queue full", "Queue full"},
               // Last: the same send after it asks whether to send again.
               {"", "Please Check Your Internet Connection & Proxy Settings"}};
  for (const auto& c : cases) {
    ui.ClearBoxes();
    transport.Answer(c.answer);
    Choose("2", "2", "Hi");
    dialog().cmdSend.Press();
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.text, 64, "Quorvalent"}}))
        << c.answer;
  }
}

TEST_F(SendTest, FailuresSayWhichRowAndWhatWentWrong) {
  Rows({{111.0, "Ann", ""}});
  Choose("2", "2", "Price #5 for #B#");
  dialog().ChkPreview.SetValue(true);
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.Boxes(),
            (std::vector<ui::ScriptedUi::Box>{{"Row 2: \"5 for \" is not a column (A to IV), so "
                                               "the placeholder #5 for # cannot be read.",
                                               64, "Quorvalent"}}));
  EXPECT_TRUE(connect.Globals().PreviewMessages.empty());
  ui.ClearBoxes();
  dialog().optRows.SetValue(true);
  for (const char* list : {"19-2", "2, 0"}) {
    dialog().txtRows.Text = list;
    dialog().txtMsg.Text = "Hi";
    dialog().cmdSend.Press();
  }
  EXPECT_EQ(ui.Prompts(),
            (std::vector<std::string>{"The row list \"19-2\" names no row to send.",
                                      "Row 0 is not a row of the sheet (1 to 1048576)."}));
  ui.ClearBoxes();
  dialog().txtRows.Text = "2-5,";
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{
                            {"Invalid format in row range of rows", 16, "Quorvalent"}}));
  EXPECT_EQ(dialog().FocusedControl()->Name(), "txtRows");
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(SendTest, TextTheWireCannotCarryIsRefusedBeforeSending) {
  Rows({{111.0, "\xD0\x96ohn", ""}});
  Choose("2", "2", "Hi #B#");
  dialog().cmdSend.Press();
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_NE(ui.Boxes()[0].prompt.find("(U+0416)"), std::string::npos);
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(SendTest, PreviewShowsTheMergedTextsAndConfirmSends) {
  Rows(
      {{111.0, "Ann", ""}, {222.0, std::string(200, 'b'), ""}, {333.0, std::string(400, 'c'), ""}});
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  ui.OnShow<send::frmPreviewSMS>("frmPreviewSMS", [](send::frmPreviewSMS& p) {
    EXPECT_EQ(p.label_SMSCount.Caption, "1/3");
    EXPECT_EQ(p.txt_msg.Text, "Hi Ann");
    EXPECT_EQ(p.txt_mno.Text, "111");
    EXPECT_EQ(p.txt_char_count.Text, "6");
    EXPECT_EQ(p.label_Total_SMSs.Caption, std::to_string(1 + 2 + 3));
    p.cmdPrevious.Press();
    EXPECT_FALSE(p.cmdPrevious.Enabled);
    EXPECT_TRUE(p.cmdNext.Enabled);
    p.cmdNext.Press();
    p.cmdNext.Press();
    EXPECT_EQ(p.label_SMSCount.Caption, "3/3");
    EXPECT_FALSE(p.cmdNext.Enabled);
    EXPECT_EQ(p.txt_sms_count.Text, "3");
    p.txt_msg.Text = "edited";
    p.cmdPrevious.Press();
    p.cmdNext.Press();
    EXPECT_EQ(p.txt_msg.Text, "Hi " + std::string(400, 'c'));
    p.cmdContinueSMS.Press();
  });
  Choose("2", "4", "Hi #B#");
  dialog().ChkPreview.SetValue(true);
  dialog().cmdSend.Press();
  EXPECT_EQ(Paths(), (std::vector<std::string>{service::path::kBalance, service::path::kSend}));
  EXPECT_EQ(ui.Prompts().back(), "3 SMS Messages Sent");
  EXPECT_TRUE(connect.Globals().PreviewMessages.empty());
}

TEST_F(SendTest, CancellingThePreviewSendsNothing) {
  Rows({{111.0, "Ann", ""}});
  ui.OnShow<send::frmPreviewSMS>("frmPreviewSMS", [](send::frmPreviewSMS& p) {
    EXPECT_FALSE(p.cmdPrevious.Enabled);
    EXPECT_FALSE(p.cmdNext.Enabled);
    p.cmdCancel.Press();
  });
  Choose("2", "2", "Hi");
  dialog().ChkPreview.SetValue(true);
  dialog().cmdSend.Press();
  EXPECT_EQ(Paths(), std::vector<std::string>{service::path::kBalance});
  EXPECT_TRUE(ui.Boxes().empty());
}

// Beside its own counts the preview shows how the network carries each message and all of them,
// and the balance the service gives, saying when the parts are more than it.
TEST_F(SendTest, ThePreviewShowsTheNetworksPartsAndTheBalance) {
  const std::string quote = "\xE2\x80\x99";
  const struct {
    const char* balance;  // the service's answer
    const char* shown;
  } cases[] = {
      {"<QUORVALENT>100</QUORVALENT>", "Balance: 100 credits"},
      {"<QUORVALENT>4</QUORVALENT>", "Balance: 4 credits"},
      {"<QUORVALENT>3.5</QUORVALENT>", "Balance: 3.5 credits, fewer than the 4 parts"},
      {"003", "Balance: not known"},
      {"", "Balance: not known"},
  };
  for (const auto& c : cases) {
    transport.AnswerAlways(service::path::kBalance, c.balance);
    Rows({{919876543210.0, "Ann", ""}, {919876543211.0, quote + std::string(150, 'b'), ""}});
    ui.OnShow<send::frmPreviewSMS>("frmPreviewSMS", [&](send::frmPreviewSMS& p) {
      EXPECT_EQ(p.label_Network.Caption, "As the network sends it: GSM 7-bit, 1 part");
      EXPECT_EQ(p.label_Total_SMSs.Caption, "2");
      EXPECT_EQ(p.label_Balance.Caption, c.shown) << c.balance;
      EXPECT_EQ(p.label_NetworkTotal.Caption, "As the network counts them: 4 parts");
      p.cmdNext.Press();
      EXPECT_EQ(p.label_Network.Caption,
                "As the network sends it: UCS-2, 3 parts, for " + quote + " (U+2019)");
      p.cmdCancel.Press();
    });
    Choose("2", "3", "Hi #B#");
    dialog().ChkPreview.SetValue(true);
    dialog().cmdSend.Press();
  }
}

TEST_F(SendTest, PlaceholderGoesAtTheCaretOrOverTheSelection) {
  dialog().txtMsg.Text = "Dear ";
  dialog().txtMsg.SelStart = 5;
  dialog().lstExcelCells.SetListIndex(27);  // AB
  dialog().cmdAddCellToSMS.Press();
  EXPECT_EQ(dialog().txtMsg.Text, "Dear #AB#");
  EXPECT_EQ(dialog().txtMsg.SelStart, 9u);
  EXPECT_EQ(dialog().FocusedControl()->Name(), "txtMsg");
  EXPECT_EQ(sheet().SelectedColumn(), 28);
  dialog().txtMsg.Text = "Dear name, hi";
  dialog().txtMsg.SelStart = 5;
  dialog().txtMsg.SelLength = 4;
  dialog().lstExcelCells.SetListIndex(1);
  dialog().lstExcelCells.DblClick();
  EXPECT_EQ(dialog().txtMsg.Text, "Dear #B#, hi");
}

TEST_F(SendTest, ColumnListsRunFromAToIV) {
  const auto& items = dialog().cmbMobileNumbersCell.Items;
  ASSERT_EQ(items.size(), 256u);
  EXPECT_EQ(items.front(), "A");
  EXPECT_EQ(items[26], "AA");
  EXPECT_EQ(items.back(), "IV");
  EXPECT_EQ(dialog().lstExcelCells.Items, items);
  EXPECT_EQ(dialog().cmbColumnWise.Items, items);
  EXPECT_EQ(dialog().cmbMobileNumbersCell.Text, "A");
}

TEST_F(SendTest, HeaderAndFooterSurviveClosing) {
  dialog().txt_header.Text = "Dear #B#,";
  dialog().txt_footer.Text = "Thanks";
  dialog().Form_KeyPress(27);
  EXPECT_FALSE(dialog().IsLoaded());
  EXPECT_EQ(Stored("Grouping", "Header"), "Dear #B#,");
  ClickMenu("Send SMS");
  EXPECT_EQ(dialog().txt_header.Text, "Dear #B#,");
  EXPECT_EQ(dialog().txt_footer.Text, "Thanks");
  EXPECT_EQ(dialog().txtMsg.Text, "");
}

TEST_F(SendTest, SenderIdMustBeOneOfTheAccount) {
  Rows({{111.0, "Ann", ""}});
  Choose("2", "2", "Hi");
  dialog().Combo_SenderID.Text = "OTHER";
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"Invalid SenderID!!!"});
  for (const char* ok : {"", "Quorvalent"}) {
    transport.Answer("000");
    dialog().Combo_SenderID.Text = ok;
    dialog().cmdSend.Press();
    EXPECT_EQ(Fields()["SenderName"], ok);
  }
}

// A sender ID is one field whatever it holds: "&" and "=" are encoded, never separators.
TEST_F(SendTest, ASenderIdHoldingAmpersandOrEqualsStaysOneField) {
  Rows({{111.0, "Ann", ""}});
  Choose("2", "2", "Hi");
  for (const std::string id : {"A&B", "X=Y", "&TOS=FLASH"}) {
    dialog().SenderIdList = "," + id;
    dialog().Combo_SenderID.Text = id;
    transport.Answer("000");
    dialog().cmdSend.Press();
    EXPECT_EQ(Fields()["SenderName"], id);
    EXPECT_EQ(Fields()["TOS"], "N");
    EXPECT_EQ(FieldNames(),
              (std::vector<std::string>{"mobilenumber", "message", "MMCellData", "user", "passwd",
                                        "ver", "SenderName", "IsConcatSMS", "TOS"}));
  }
}

TEST_F(SendTest, NotLoggedInOffersTheLogin) {
  connect.Globals().EndSession();
  Rows({{111.0, "Ann", ""}});
  Choose("2", "2", "Hi");
  dialog().cmdSend.Press();
  EXPECT_EQ(ui.FormsShown().back(), "frmLogin");
  EXPECT_TRUE(transport.Requests().empty());
  EXPECT_TRUE(ui.Boxes().empty());
}

}  // namespace
}  // namespace qv::testing

namespace qv::testing {
namespace {

// However a send ends, the wait form is gone, the pointer is the default again and the preview's
// lists are empty.
TEST_F(SendTest, EveryWayOutOfASendClosesWhatItOpened) {
  struct Case {
    const char* way;
    std::function<void()> arrange;
    std::string lastBox;
  };
  const std::string longText(170, 'x');
  const std::vector<Case> cases = {
      {"sent", [&] { transport.Answer("000"); }, "1 SMS Messages Sent"},
      {"a long message refused",
       [&] {
         dialog().txtMsg.Text = longText;
         ui.Answer(ui::mb::Cancel);
       },
       "SMS message contains more than 160 characters for the row(2).\r\nWould you like to send "
       "more than 160 characters."},
      {"a blank message", [&] { dialog().txtMsg.Text = "#D#"; },
       "SMS message is empty for the row(2)"},
      {"the preview closed", [&] { dialog().ChkPreview.SetValue(true); }, ""},
      {"no number, with the preview",
       [&] {
         dialog().ChkPreview.SetValue(true);
         dialog().txtStartRow.Text = "5";
         dialog().txtEndRow.Text = "6";
       },
       "There Is No Mobile Number In Specified Range."},
      {"a failure", [&] { dialog().cmbMobileNumbersCell.Text = "A1"; },
       "Row 2: \"A1\" is not a column (A to IV), so the mobile number cannot be read."},
  };
  Rows({{9198000001.0, "Ann", "1"}});
  for (const Case& c : cases) {
    ui.ClearBoxes();
    Choose("2", "2", "Hi #B#");
    dialog().ChkPreview.SetValue(false);
    dialog().cmbMobileNumbersCell.Text = "A";
    c.arrange();
    dialog().cmdSend.Press();
    EXPECT_EQ(ui.Prompts().empty() ? "" : ui.Prompts().back(), c.lastBox) << c.way;
    EXPECT_FALSE(connect.Display().IsLoaded()) << c.way;
    EXPECT_EQ(ui.Pointer(), ui::MousePointer::Default) << c.way;
    EXPECT_TRUE(connect.Globals().PreviewMessages.empty()) << c.way;
    EXPECT_TRUE(connect.Globals().PreviewNumbers.empty()) << c.way;
  }
}

// A number in two rows: the check lists it, and the user's answer decides what goes. Each number
// once leaves the later rows out of the numbers, the cell data, the preview and the count.
TEST_F(SendTest, TheCheckListsDuplicateNumbersAndTheAnswerDecidesWhatGoes) {
  using Answer = send::frmSendCheck::Answer;
  const struct {
    Answer answer;
    const char* numbers;  // as posted; nullptr for no request
    const char* cellData;
    std::size_t previewed;
  } cases[] = {
      {Answer::EachNumberOnce, "9000000001,9000000002",
       "B\x01"
       "Ann\x7F"
       "B\x01"
       "Bob",
       2},
      {Answer::AsListed, "9000000001,9000000002,9000000001",
       "B\x01"
       "Ann\x7F"
       "B\x01"
       "Bob\x7F"
       "B\x01"
       "Cy",
       3},
      {Answer::Stop, nullptr, nullptr, 0},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    transport.ClearRequests();
    Rows({{9000000001.0, "Ann", ""}, {9000000002.0, "Bob", ""}, {9000000001.0, "Cy", ""}});
    transport.Answer("000");
    ui.OnShow<send::frmSendCheck>("frmSendCheck", [&c](send::frmSendCheck& check) {
      EXPECT_EQ(check.lstFindings.Items,
                (std::vector<std::string>{"1 number stands in more than one row:",
                                          "  9000000001 in rows 2, 4"}));
      EXPECT_TRUE(check.cmdSendOnce.Visible);
      EXPECT_EQ(check.cmdSend.Caption, "Send To Every Row");
      (c.answer == Answer::EachNumberOnce ? check.cmdSendOnce
       : c.answer == Answer::AsListed     ? check.cmdSend
                                          : check.cmdStop)
          .Press();
    });
    std::size_t previewed = 0;
    if (c.numbers) {
      ui.OnShow<send::frmPreviewSMS>("frmPreviewSMS", [&](send::frmPreviewSMS& p) {
        previewed = connect.Globals().PreviewMessages.size() - 1;
        EXPECT_EQ(p.label_SMSCount.Caption, "1/" + std::to_string(previewed));
        p.cmdContinueSMS.Press();
      });
    }
    Choose("2", "4", "Hi #B#");
    dialog().ChkPreview.SetValue(true);
    const std::size_t shownBefore = ui.FormsShown().size();
    dialog().cmdSend.Press();
    EXPECT_EQ(previewed, c.previewed);
    if (!c.numbers) {
      EXPECT_TRUE(transport.Requests().empty());
      EXPECT_TRUE(ui.Prompts().empty());
      EXPECT_EQ(std::count(ui.FormsShown().begin() + static_cast<long>(shownBefore),
                           ui.FormsShown().end(), "frmPreviewSMS"),
                0);
      continue;
    }
    EXPECT_EQ(Fields()["mobilenumber"], c.numbers);
    EXPECT_EQ(Fields()["MMCellData"], c.cellData);
    EXPECT_EQ(ui.Prompts().back(), std::to_string(c.previewed) + " SMS Messages Sent");
  }
}

TEST_F(SendTest, ASendWithNothingToFindShowsNoCheck) {
  Rows({{919876543210.0, "Ann", "10"}, {919876543211.0, "Bob", "20"}});
  transport.Answer("000");
  Choose("2", "3", "Hi #B#, #C# due");
  dialog().cmdSend.Press();
  const auto& shown = ui.FormsShown();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), "frmSendCheck"), 0);
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"2 SMS Messages Sent"});
}

// A send whose answer never came leaves a mark; the same send within a day asks first, No by
// default, and an answer to it clears the mark. A changed send, or a day later, does not ask.
TEST_F(SendTest, TheSameSendAfterAnUnansweredOneAsksFirst) {
  const std::string question =
      "The same message to the same 2 numbers was sent at 20:05 and got no answer: it may have "
      "been delivered. Look at the delivery report before sending again. Send again?";
  const DateTime sent = clock.Now();
  const struct {
    const char* message;
    double daysLater;
    std::optional<int> answer;  // to the question, when it is asked
    bool posted;
  } cases[] = {
      {"Hi #B#", 0, ui::mb::No, false},    {"Hi #B#", 0.999, ui::mb::No, false},
      {"Hi #B#", -0.5, ui::mb::No, false}, {"Hello #B#", 0, std::nullopt, true},
      {"Hi #B#", 1.0, std::nullopt, true}, {"Hi #B#", 0.5, ui::mb::Yes, true},
  };
  for (const auto& c : cases) {
    settings.Save(settings::kAppName, "UnansweredSend", "Digest", "");
    clock.Set(sent);
    Rows({{919876543210.0, "Ann", ""}, {919876543211.0, "Bob", ""}});
    Choose("2", "3", "Hi #B#");
    dialog().cmdSend.Press();  // no answer: the mark
    ASSERT_NE(settings.GetSetting(settings::kAppName, "UnansweredSend", "Digest"), "");
    EXPECT_EQ(settings.GetSetting(settings::kAppName, "UnansweredSend", "Numbers"), "2");

    ui.ClearBoxes();
    transport.ClearRequests();
    clock.Set(DateTime::FromSerial(sent.Serial() + c.daysLater));
    if (c.answer) ui.Answer(*c.answer);
    if (c.posted) transport.Answer("000");
    Choose("2", "3", c.message);
    dialog().cmdSend.Press();
    SCOPED_TRACE(std::string(c.message) + " " + std::to_string(c.daysLater));
    if (c.answer) {
      ASSERT_FALSE(ui.Boxes().empty());
      EXPECT_EQ(ui.Boxes()[0], (ui::ScriptedUi::Box{question, 4 | 64 | 256, "Quorvalent"}));
    } else {
      EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"2 SMS Messages Sent"});
    }
    EXPECT_EQ(transport.Requests().size(), c.posted ? 1u : 0u);
    // An answer to the same send clears its mark; another send's answer leaves it.
    const bool cleared = c.posted && std::string(c.message) == "Hi #B#";
    EXPECT_EQ(settings.GetSetting(settings::kAppName, "UnansweredSend", "Digest").empty(), cleared);
  }
}

}  // namespace
}  // namespace qv::testing
