#include <gtest/gtest.h>

#include "send/frm_preview_sms.h"
#include "send/frm_send_check.h"
#include "service/protocol.h"
#include "support/addin_fixture.h"
#include "support/form_body.h"
#include "support/send_steps.h"
#include "values/cp1252.h"

namespace qv::testing {
namespace {

class FilteredGroupedTest : public AddinTest {
 protected:
  void SetUp() override {
    SendAsListedAfterEveryCheck(ui);
    transport.AnswerAlways(service::path::kBalance, "<QUORVALENT>100</QUORVALENT>");
    ConnectAddin();
    OpenSession();
    ClickMenu("Send SMS");
    transport.ClearRequests();  // the template download at start-up
  }
  send::frmSendSMS& d() { return connect.SendSMS(); }
  host::MemorySheet& sheet() { return *app.ActiveSheet(); }
  void Set(const std::string& address, const Variant& v) { sheet().SetValueAt(address, v); }
  std::string Field(const std::string& name) {
    return testing::DecodeFormBody(transport.Last().body)[name];
  }
  void Filter(const std::string& formula) {
    ui.AnswerInput(formula);
    d().cmdFilter.Press();
  }
};

TEST(GetFilterColumns, NamesBetweenHashesWithEscapes) {
  EXPECT_EQ(send::GetFilterColumns("#B# like 'Bas%'"), std::vector<std::string>{"B"});
  EXPECT_EQ(send::GetFilterColumns("#D#>5 and # E #<>'x'"), (std::vector<std::string>{"D", "E"}));
  EXPECT_EQ(send::GetFilterColumns("#B# > ##12/28/2009##"), std::vector<std::string>{"B"});
  EXPECT_EQ(send::GetFilterColumns("no columns # here"), std::vector<std::string>{});
}

TEST_F(FilteredGroupedTest, ThreeOfTenAreConfirmedAndSent) {
  for (int r = 2; r <= 11; ++r) {
    Set("A" + std::to_string(r), 9000000000.0 + r);
    Set("B" + std::to_string(r), r % 3 == 0 ? "Basil" : "Other");
    Set("C" + std::to_string(r), 10.0 + r);
  }
  Filter("#B# like 'bas%' and #C# > 10.5");
  ChooseRows(d(), "2", "11", "Hi #B#");
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(),
            (std::vector<std::string>{"3 records has been filtered. Do you want to SMS?",
                                      "3 SMS Messages Sent"}));
  EXPECT_EQ(ui.Boxes()[0].buttons, 1);
  EXPECT_EQ(Field("mobilenumber"), "9000000003,9000000006,9000000009");
  EXPECT_EQ(Field("MMCellData"),
            "B\x01"
            "Basil\x7F"
            "B\x01"
            "Basil\x7F"
            "B\x01"
            "Basil");
  EXPECT_EQ(transport.Last().body.find("NotifyMe"), std::string::npos);
}

// A filter belongs to the opening of the dialog it was set in: closed and opened again, the
// dialog sends every chosen row, as it shows no filter.
TEST_F(FilteredGroupedTest, AFilterEndsWithTheDialogThatHeldIt) {
  for (int r = 2; r <= 3; ++r) {
    Set("A" + std::to_string(r), 9000000000.0 + r);
    Set("B" + std::to_string(r), r == 2 ? "Basil" : "Other");
  }
  Filter("#B# like 'bas%'");
  d().cmdCancel.Press();
  ClickMenu("Send SMS");
  EXPECT_EQ(d().FilterFormula, "");
  ChooseRows(d(), "2", "3", "Hi #B#");
  transport.Answer("000");
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"2 SMS Messages Sent"});
  EXPECT_EQ(Field("mobilenumber"), "9000000002,9000000003");
}

TEST_F(FilteredGroupedTest, NothingMatchingAndCancelledConfirmation) {
  Set("A2", 9000000002.0);
  Set("B2", "Zed");
  ChooseRows(d(), "2", "2", "Hi");
  Filter("#B# = 'Ann'");
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{" 0 Records Selected !!!"});
  ui.ClearBoxes();
  Filter("#B# = 'zed'");
  d().chkSetScheduler.SetValue(true);
  d().txt_SchedulerName.Text = "Monthly";
  d().combo_year.SetListIndex(1);
  ui.Answer(ui::mb::Yes);
  ui.Answer(ui::mb::Cancel);
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts().back(), "1 records has been filtered. Do you want to Set Scheduler?");
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(FilteredGroupedTest, AFormulaTheFilterCannotUseSendsNothing) {
  Set("A2", 9000000002.0);
  Set("B2", "Zed");
  Set("C2", 12.0);
  ChooseRows(d(), "2", "2", "Hi");
  const struct {
    const char* formula;
    const char* message;
  } cases[] = {
      {"#B# lik 'x'",
       "The filter formula #B# lik 'x' cannot be used: an operator (<, >, <=, >=, <>, = or LIKE) "
       "was expected after "
       "FC_B at \"lik 'x'\".\nNothing was sent."},
      {"B = 'x'",
       "The filter formula B = 'x' cannot be used: it names no column between two # signs (such as "
       "#B#).\nNothing was "
       "sent."},
      {"#C# > 'abc'",
       "The filter formula #C# > 'abc' cannot be used: FC_C holds numbers: compare it with a "
       "number at \"FC_C\".\n"
       "Nothing was sent."},
      {"#ZZZ# = 'x'",
       "The filter formula #ZZZ# = 'x' cannot be used: \"ZZZ\" between # signs is not a column (A "
       "to IV).\nNothing was "
       "sent."},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    Filter(c.formula);
    d().cmdSend.Press();
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.message, 64, "Quorvalent"}}))
        << c.formula;
  }
  EXPECT_TRUE(transport.Requests().empty());
}

TEST_F(FilteredGroupedTest, TypingRowDecidesFieldTypesAndEscapedHashesAreDates) {
  Set("A2", "none");
  Set("A3", 9000000003.0);
  Set("A4", 9000000004.0);
  Set("D3", DateTime::FromParts(2009, 12, 29));
  Set("D4", DateTime::FromParts(2009, 12, 20));
  ChooseRows(d(), "2", "4", "Hi");
  Filter("#D# > ##12/28/2009##");
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts().front(), "1 records has been filtered. Do you want to SMS?");
  EXPECT_EQ(Field("mobilenumber"), "9000000003");
  // The mobile column as a filter column is text, so LIKE works on the numbers.
  ui.ClearBoxes();
  Filter("#A# like '9000000004'");
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  d().cmdSend.Press();
  EXPECT_EQ(Field("mobilenumber"), "9000000004");
}

TEST_F(FilteredGroupedTest, TheLongMessageQuestionComesBeforeTheFilter) {
  Set("A2", 9000000002.0);
  Set("B2", std::string(170, 'x'));
  ChooseRows(d(), "2", "2", "#B#");
  Filter("#B# = 'nothing'");
  ui.Answer(ui::mb::Cancel);
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts().size(), 1u);
  EXPECT_NE(ui.Prompts()[0].find("more than 160 characters for the row(2)"), std::string::npos);
}

TEST_F(FilteredGroupedTest, AnEmptyAnswerToAFilteredSendSaysWhy) {
  Set("A2", 9000000002.0);
  Set("B2", "Zed");
  ChooseRows(d(), "2", "2", "Hi");
  Filter("#B# = 'zed'");
  ui.Answer(ui::mb::Ok);
  d().cmdSend.Press();
  EXPECT_EQ(ui.Prompts().back(), "Please Check Your Internet Connection & Proxy Settings");
}

TEST_F(FilteredGroupedTest, CancellingTheInputBoxSwitchesTheFilterOff) {
  Filter("#B# = 'x'");
  EXPECT_EQ(d().FilterFormula, "#B# = 'x'");
  ui.AnswerInput(std::nullopt);
  d().cmdFilter.Press();
  EXPECT_EQ(d().FilterFormula, "");
  EXPECT_EQ(ui.InputPrompts()[0],
            "Enter Filter Formula.\n \nEx: #B# like 'Bas%' \n(All the specified rows of column B "
            "which starts with "
            "Bas will receive SMS.)\n\nNote: Date Format is 'MM/DD/YYYY' Ex:-#B#>'12/28/2009'");
}

// Grouping: numbers in A, the group key in B, the line text in D.
class GroupedTest : public FilteredGroupedTest {
 protected:
  void Row(int r, const Variant& number, const Variant& key, const Variant& d) {
    Set("A" + std::to_string(r), number);
    Set("B" + std::to_string(r), key);
    Set("D" + std::to_string(r), d);
  }
  void Group(const std::string& end, const std::string& templateText, const std::string& header,
             const std::string& footer) {
    d().chkAdvance.SetValue(true);
    d().cmbColumnWise.SetListIndex(1);  // B
    ChooseRows(d(), "2", end, templateText);
    d().txt_header.Text = header;
    d().txt_footer.Text = footer;
  }
};

// A sheet read from a file may hand out its rows before the file is read to its end: a sheet that
// fails there (damaged below the rows sent) shows the failure, and nothing is previewed or sent.
TEST_F(GroupedTest, ASheetThatFailsWhenFinishedSendsNothing) {
  const std::string damage = "The workbook file w.xlsx is damaged: its part xl/sheet1.xml ...";
  for (const std::string kind : {"rows", "preview", "grouped", "filtered"}) {
    Row(2, 9000000002.0, "X", "first");
    Row(3, 9000000003.0, "Y", "second");
    sheet().FailWhenFinished(damage);
    if (kind == "grouped") {
      Group("3", "#D#", "", "");
    } else {
      d().chkAdvance.SetValue(false);
      ChooseRows(d(), "2", "3", "Hi #D#");
    }
    d().ChkPreview.SetValue(kind == "preview");
    if (kind == "filtered") Filter("#B# = 'X'");
    transport.ClearRequests();
    ui.ClearBoxes();
    d().cmdSend.Press();
    EXPECT_EQ(ui.Prompts(), std::vector<std::string>{damage}) << kind;
    EXPECT_TRUE(transport.Requests().empty()) << kind;
    EXPECT_TRUE(connect.Globals().PreviewMessages.empty()) << kind;
    if (kind == "filtered") Filter("");
  }
}

TEST_F(GroupedTest, HeaderLinesAndFooterPerGroup) {
  Row(2, 9000000002.0, "X", "first");
  Row(3, 9000000003.0, "X", "second");
  Row(4, 9000000004.0, "Y", "third");
  Group("4", "#D#", "Dear #B#,", "Thanks");
  transport.Answer("000");
  d().cmdSend.Press();
  EXPECT_EQ(Field("mobilenumber"), "9000000002\n,9000000004\n");
  EXPECT_EQ(Field("message"), "#A#");
  EXPECT_EQ(Field("MMCellData"),
            "A\x01"
            "Dear X,\r\nfirst\r\nsecond\r\nThanks\x7F"
            "A\x01"
            "Dear Y,\r\nthird\r\nThanks");
  EXPECT_EQ(transport.Last().body.find("IsConcatSMS"), std::string::npos);
  EXPECT_EQ(transport.Last().body.find("NotifyMe"), std::string::npos);
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"2 SMS Messages Sent"});
}

// The cell data's own separators never come from a cell: a group's text loses them, as a row's
// does, so that the service splits the records where they end.
TEST_F(GroupedTest, TheCellDataSeparatorsAreDroppedFromGroupTexts) {
  Row(2, 9000000002.0, "X",
      "a\x01"
      "b\x02"
      "c\x7F"
      "d");
  Group("2", "#D#", "", "");
  transport.Answer("000");
  d().cmdSend.Press();
  EXPECT_EQ(Field("MMCellData"),
            "A\x01"
            "abcd");
}

// Text that cannot be sent is refused before anything is packed or posted, naming where it is and
// quoting it without control characters, in every kind of send.
TEST_F(GroupedTest, TextThatCannotBeSentIsNamedWhereItIs) {
  const std::string greek = "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";  // Athens
  const std::string tail =
      " contains the character \"\xCE\x91\" (U+0391), which cannot be sent: only Western "
      "European characters can be.";
  enum class Send { RowWise, Filtered, Grouped };
  const struct {
    Send send;
    std::string cell, message, header, senderId;
    std::string expected;
  } cases[] = {
      {Send::RowWise, greek, "Hi #C#", "", "",
       "The text \"" + greek + "\" in cell C31 of row 31" + tail},
      {Send::Filtered, greek, "Hi #C#", "", "",
       "The text \"" + greek + "\" in cell C31 of row 31" + tail},
      {Send::Grouped, greek, "#C#", "", "",
       "The text \"" + greek + "\" in cell C31 of row 31" + tail},
      {Send::RowWise,
       "a\x01"
       "b\x02"
       "c\x7F" +
           greek,
       "#C#", "", "", "The text \"a b c " + greek + "\" in cell C31 of row 31" + tail},
      {Send::RowWise, "x", "Hi\r\n" + greek, "", "",
       "The text \"Hi  " + greek + "\" in the message" + tail},
      {Send::Grouped, "x", "#C#", "Dear " + greek, "",
       "The text \"Dear " + greek + "\" in the header" + tail},
      {Send::RowWise, "x", "Hi", "", greek, "The text \"" + greek + "\" in the sender ID" + tail},
  };
  for (const auto& c : cases) {
    d().chkAdvance.SetValue(false);
    ui.ClearBoxes();
    transport.ClearRequests();
    Row(31, 9000000031.0, "K", "d");
    Set("C31", c.cell);
    d().SenderIdList = c.senderId;
    d().Combo_SenderID.Text = c.senderId;
    if (c.send == Send::Grouped) {
      Group("31", c.message, c.header, "");
    } else {
      ChooseRows(d(), "31", "31", c.message);
    }
    if (c.send == Send::Filtered) {
      Filter("#B# = 'K'");
      ui.Answer(ui::mb::Ok);
    }
    d().cmdSend.Press();
    d().FilterFormula.clear();
    ASSERT_FALSE(ui.Prompts().empty());
    EXPECT_EQ(ui.Prompts().back(), c.expected) << c.expected;
    EXPECT_TRUE(transport.Requests().empty()) << c.expected;
  }
}

TEST_F(GroupedTest, BlankRowsInsideAGroupAndSeparatedBlocks) {
  Row(2, 9000000002.0, "X", "a");
  Row(3, Variant(), Variant(), "ignored");
  Row(4, 9000000004.0, "X", "b");
  Row(5, 9000000005.0, "Y", "c");
  Row(6, 9000000006.0, "X", "d");
  Group("6", "#D#", "", "");
  transport.Answer("000");
  d().cmdSend.Press();
  EXPECT_EQ(Field("MMCellData"),
            "A\x01"
            "a\r\nb\x7F"
            "A\x01"
            "c\x7F"
            "A\x01"
            "d");
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"3 SMS Messages Sent"});
}

TEST(RemovePlaceholder, TakesTheLabelAlong) {
  const struct {
    const char* text;
    const char* placeholder;
    const char* result;
  } cases[] = {
      {"Amount: #D# due", "#D#", "due"},
      {"Dear #B#,", "#B#", ","},
      {"Hello Ann\r\nAmount: #D#", "#D#", "Hello"},
      {"#D# first", "#D#", "first"},
      {"x:#D# y", "#D#", "x: y"},
      {"  no placeholder  ", "#D#", "no placeholder"},
      {"a #D# b #D#", "#D#", "a"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(send::RemovePlaceholder(c.text, c.placeholder), c.result) << c.text;
}

TEST_F(GroupedTest, BlankPlaceholdersRemoveTheirLabels) {
  Row(2, 9000000002.0, "X", Variant());
  Set("C2", Variant());
  Group("2", "Amount: #D# due", "Dear #C#,", "");
  transport.Answer("000");
  d().cmdSend.Press();
  EXPECT_EQ(Field("MMCellData"),
            "A\x01"
            ",\r\ndue");
}

TEST_F(GroupedTest, TickingAdvanceOptionsClearsTheFilterAndForcesStartEnd) {
  Filter("#B# = 'x'");
  d().optRows.SetValue(true);
  d().txtRows.Text = "2-5";
  d().chkAdvance.SetValue(true);
  EXPECT_EQ(d().FilterFormula, "");
  EXPECT_FALSE(d().cmdFilter.Enabled);
  EXPECT_TRUE(d().optRowRange.Value());
  EXPECT_FALSE(d().optRows.Enabled);
  EXPECT_EQ(d().txtRows.Text, "");
  EXPECT_EQ(d().Height, 5830);
  d().chkAdvance.SetValue(false);
  EXPECT_TRUE(d().cmdFilter.Enabled);
  EXPECT_EQ(d().Height, 4260);
}

// The question comes with the 161st character of a merged text, counted in characters, in every
// kind of send; before the filter's own question.
TEST_F(GroupedTest, TheLongMessageQuestionStartsAtTheHundredAndSixtyFirstCharacter) {
  std::string accents;  // 160 characters of two bytes each
  for (int i = 0; i < 160; ++i) accents += "\xC3\xA9";
  enum class Send { RowWise, Filtered, Grouped };
  const struct {
    Send send;
    std::string text;
    bool asked;
  } cases[] = {
      {Send::RowWise, std::string(160, 'a'), false},
      {Send::RowWise, std::string(161, 'a'), true},
      {Send::RowWise, accents, false},
      {Send::Filtered, std::string(160, 'a'), false},
      {Send::Filtered, std::string(161, 'a'), true},
      {Send::Grouped, std::string(160, 'a'), false},
      {Send::Grouped, std::string(161, 'a'), true},
      {Send::Grouped, accents, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.send)) + " " + std::to_string(c.text.size()));
    ui.ClearBoxes();
    Row(2, 9000000002.0, "X", c.text);
    d().chkAdvance.SetValue(false);
    if (c.send == Send::Grouped) {
      Group("2", "#D#", "", "");
    } else {
      ChooseRows(d(), "2", "2", "#D#");
    }
    if (c.send == Send::Filtered) Filter("#B# = 'X'");
    if (c.asked) ui.Answer(ui::mb::Ok);
    if (c.send == Send::Filtered) ui.Answer(ui::mb::Ok);
    transport.Answer("000");
    d().cmdSend.Press();
    d().FilterFormula.clear();
    const std::size_t others = c.send == Send::Filtered ? 2 : 1;  // its own question, the result
    ASSERT_EQ(ui.Prompts().size(), others + (c.asked ? 1 : 0));
    EXPECT_EQ(ui.Prompts()[0].find("more than 160 characters") != std::string::npos, c.asked);
    EXPECT_EQ(ui.Prompts().back(), "1 SMS Messages Sent");
    EXPECT_EQ(Field("IsConcatSMS"), c.send == Send::Grouped ? "" : c.asked ? "1" : "0");
  }
}

TEST_F(GroupedTest, LongGroupMessagesAskOnceAndNoNumbersSendNothing) {
  Row(2, 9000000002.0, "X", std::string(161, 'a'));
  Row(3, 9000000003.0, "Y", std::string(170, 'b'));
  Group("3", "#D#", "", "");
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  d().cmdSend.Press();
  EXPECT_EQ(
      ui.Prompts(),
      (std::vector<std::string>{
          "SMS message contains more than 160 characters.\r\nWould you like to send more than 160 "
          "characters.",
          "2 SMS Messages Sent"}));
  ui.ClearBoxes();
  Row(2, "none", "X", "a");
  Row(3, "none", "Y", "b");
  d().cmdSend.Press();
  EXPECT_EQ(
      ui.Prompts(),
      std::vector<std::string>{
          " 0 Messeges Sent!!!\n\nThere are no mobile numbers in specified range of records."});
  EXPECT_EQ(transport.Requests().size(), 1u);
}

// The filtered send checks the records the filter left, by their rows in the sheet.
TEST_F(FilteredGroupedTest, TheCheckNamesTheRowsTheFilterLeft) {
  const struct {
    double number;
    const char* name;
  } rows[] = {{9000000001.0, "Basil"},
              {9000000001.0, "Other"},
              {9000000002.0, "Basil"},
              {9000000001.0, "Basil"}};
  int r = 2;
  for (const auto& row : rows) {
    Set("A" + std::to_string(r), row.number);
    Set("B" + std::to_string(r++), row.name);
  }
  Filter("#B# = 'Basil'");
  ChooseRows(d(), "2", "5", "Hi #B#");
  transport.Answer("000");
  ui.Answer(ui::mb::Ok);
  ui.OnShow<send::frmSendCheck>("frmSendCheck", [](send::frmSendCheck& check) {
    EXPECT_EQ(check.lstFindings.Items,
              (std::vector<std::string>{"1 number stands in more than one row:",
                                        "  9000000001 in rows 2, 5"}));
    check.cmdSendOnce.Press();
  });
  d().cmdSend.Press();
  EXPECT_EQ(Field("mobilenumber"), "9000000001,9000000002");
  EXPECT_EQ(ui.Prompts().back(), "2 SMS Messages Sent");
}

// A grouped send's numbers repeat by design: its check has only placeholders and parts.
TEST_F(GroupedTest, TheCheckLooksAtPlaceholdersAndPartsOnly) {
  Row(2, 9000000002.0, "X", "a");
  Row(3, 9000000002.0, "Y", "b");
  Group("3", "#D# #E#", "", "");
  transport.Answer("000");
  ui.OnShow<send::frmSendCheck>("frmSendCheck", [](send::frmSendCheck& check) {
    EXPECT_EQ(check.lstFindings.Items,
              (std::vector<std::string>{"1 placeholder gives nothing:",
                                        "  #E# is empty in every row sent"}));
    EXPECT_FALSE(check.cmdSendOnce.Visible);
    EXPECT_EQ(check.cmdSend.Caption, "Send");
    check.cmdStop.Press();
  });
  d().cmdSend.Press();
  EXPECT_TRUE(transport.Requests().empty());
}

}  // namespace
}  // namespace qv::testing
