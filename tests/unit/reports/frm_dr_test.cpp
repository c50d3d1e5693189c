#include "reports/frm_dr.h"

#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class ReportsTest : public AddinTest {
 protected:
  void SetUp() override {
    clock.Set(DateTime::FromParts(2010, 3, 5, 10, 0, 0));
    settings.Save("QuorvalentExcel", "STARTUP", "MODES", "L-Live,E-Excel Add-in");
    ConnectAddin();
    OpenSession();
    ClickMenu("Delivery Report");
  }
  reports::frmDR& d() { return connect.DR(); }
  host::MemoryWorkbook& book() { return *app.ActiveWorkbook(); }
};

TEST_F(ReportsTest, LoadsModesYearsAndToday) {
  EXPECT_EQ(d().cmbMode.Items, (std::vector<std::string>{"Live", "Excel Add-in", "ALL"}));
  EXPECT_EQ(d().ModeTags(), (std::vector<int>{'L', 'E', 0}));
  EXPECT_EQ(d().cmbMode.Text, "Live");
  EXPECT_EQ(d().cmbFromDateYear.Items.front(), "2003");
  EXPECT_EQ(d().cmbFromDateYear.Text, "2010");
  EXPECT_EQ(d().cmbTodateMonth.Text, "March");
  EXPECT_EQ(d().cmbToDateDay.Text, "5");
  EXPECT_EQ(d().cmbFromDateDay.ListCount(), 31);
}

TEST_F(ReportsTest, TheReportBecomesANewSheetAfterTheLast) {
  d().txtSheetName.Text = "  March report ";
  d().cmbMode.SetListIndex(1);
  d().cmbFromDateMonth.SetListIndex(0);
  d().cmbFromDateDay.SetListIndex(30);
  d().cmbTodateMonth.SetListIndex(1);
  d().cmbToDateDay.SetListIndex(0);
  transport.Answer(
      " <QUORVALENT>Mobile~Number-Message-Status,919876543210-Hi\x80 Ann ~ "
      "ok\r\nbye-Delivered,12345-a\x01"
      "b-Failed"
      "</QUORVALENT> ");
  d().cmdGet.Press();
  EXPECT_EQ(transport.Last().path, "SMS_Excel/Get_DR.asp");
  EXPECT_EQ(transport.Last().body,
            "user=alice&passwd=o%0Coo%02&FromDate=1%2F31%2F2010&ToDate=2%2F1%2F2010&TOD=E");
  ASSERT_EQ(book().SheetCount(), 3);
  host::MemorySheet& sheet = book().SheetAt(3);
  EXPECT_EQ(sheet.Name(), "March report");
  EXPECT_EQ(app.ActiveSheet(), &sheet);
  EXPECT_EQ(sheet.UsedCells(), (std::map<std::string, Variant>{{"A1", "Mobile~Number"},
                                                               {"B1", "Message"},
                                                               {"C1", "Status"},
                                                               {"A2", 919876543210.0},
                                                               {"B2", "Hi, Ann - ok bye"},
                                                               {"C2", "Delivered"},
                                                               {"A3", 12345.0},
                                                               {"B3", "a,b"},
                                                               {"C3", "Failed"}}));
  EXPECT_TRUE(sheet.IsBold({1, 1}));
  EXPECT_TRUE(sheet.IsBold({3, 1}));
  EXPECT_FALSE(sheet.IsBold({1, 2}));
  EXPECT_FALSE(d().IsLoaded()) << "the dialog closes after a report";
  EXPECT_TRUE(ui.Boxes().empty());
  EXPECT_FALSE(connect.Display().IsLoaded());
}

// Fields are typed into the sheet: times alone show as times, not as a date on day 0.
TEST_F(ReportsTest, FieldsShowWhatTheSpreadsheetReadsInThem) {
  d().txtSheetName.Text = "Times";
  transport.Answer(
      "<QUORVALENT>At-On-Count,10:30 AM-12/6/2026-00123,23:15-12/6/2026 8:05 PM-x,6:30:05 "
      "PM-23:15:09-7</QUORVALENT>");
  d().cmdGet.Press();
  host::MemorySheet& sheet = book().SheetAt(3);
  const std::map<std::string, std::string> shown = {
      {"A2", "10:30 AM"},        {"B2", "12/6/2026"}, {"C2", "123"},        {"A3", "23:15"},
      {"B3", "12/6/2026 20:05"}, {"C3", "x"},         {"A4", "6:30:05 PM"}, {"B4", "23:15:09"}};
  for (const auto& [address, text] : shown) EXPECT_EQ(sheet.TextAt(address), text) << address;
  EXPECT_EQ(sheet.ValueAt("A2"), Variant(DateTime::FromParts(1899, 12, 30, 10, 30, 0)));
}

TEST_F(ReportsTest, AnswersThatAreNoReportCreateNoSheet) {
  const struct {
    const char* answer;
    ui::ScriptedUi::Box box;
  } cases[] = {
      {"<QUORVALENT>0</QUORVALENT>", {"No Records Found", 64, "Quorvalent"}},
      {"  ",
       {"No Response!!!\nPlease Check Your Proxy Settings & Internet Connection!!!", 64,
        "Quorvalent"}},
      {"005", {"Invalid Parameters", 16, "Quorvalent"}},
      {"002", {"Invalid User Name", 16, "Quorvalent"}},
      {"003", {"Invalid Password", 16, "Quorvalent"}},
      {"0110", {"Your account has been blocked", 16, "Quorvalent"}},
      {"<ERROR>", {"Error occured while retrieving delivery report", 16, "Quorvalent"}},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    d().txtSheetName.Text = "Report";
    transport.Answer(c.answer);
    d().cmdGet.Press();
    EXPECT_EQ(ui.Boxes(), std::vector<ui::ScriptedUi::Box>{c.box}) << c.answer;
    EXPECT_EQ(book().SheetCount(), 2) << c.answer;
    EXPECT_TRUE(d().IsLoaded());
  }
}

TEST_F(ReportsTest, ChecksBeforeTheRequest) {
  const struct {
    const char* name;
    const char* message;
  } cases[] = {
      {"   ", "Sheet name should not be empty"},
      {" sheet2 ", "Sheet name( sheet2 ) already exits.\r\nPlease choose some other"},
      {"a/b",
       "The sheet name \"a/b\" contains one of the characters : \\ / ? * [ ], which a sheet name "
       "cannot "
       "contain."},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    d().txtSheetName.Text = c.name;
    d().cmdGet.Press();
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.message, 16, "Quorvalent"}}))
        << c.name;
    EXPECT_EQ(d().FocusedControl()->Name(), "txtSheetName");
  }
  ui.ClearBoxes();
  d().txtSheetName.Text = "Report";
  d().cmbFromDateYear.SetListIndex(7);  // 2010
  d().cmbFromDateMonth.SetListIndex(2);
  d().cmbFromDateDay.SetListIndex(0);  // 3/1/2010
  d().cmbTodateMonth.SetListIndex(1);
  d().cmbToDateDay.SetListIndex(27);  // 2/28/2010
  d().cmdGet.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"From date should be less than To Date"});
  EXPECT_TRUE(transport.Requests().empty());
}

// A report that does not fit a sheet is refused whole, before any sheet is made; one that just
// fits is written.
TEST_F(ReportsTest, ReportsBeyondTheSheetLeaveNoHalfWrittenSheet) {
  const auto fields = [](int n) {
    std::string record = "H0";
    for (int k = 1; k < n; ++k) record += "-H" + std::to_string(k);
    return record;
  };
  const std::string cell(32767, 'c');
  const struct {
    std::string payload;
    const char* refusal;  // nullptr: written
  } cases[] = {
      {fields(26), nullptr},
      {fields(27),
       "The delivery report's record 1 has 27 fields; a report sheet takes at most 26 (A to Z)."},
      {"A-B,x-" + cell, nullptr},
      {"A-B,x-" + cell + "c",
       "The delivery report's record 2 has in field 2 32768 characters; a cell holds at most "
       "32767."},
      {"A-B,x-" + cell.substr(1) + "\r\n", nullptr},  // a line break becomes one blank
  };
  int sheets = 2;
  for (const auto& c : cases) {
    ui.ClearBoxes();
    d().txtSheetName.Text = "R" + std::to_string(sheets);
    transport.Answer("<QUORVALENT>" + c.payload + "</QUORVALENT>");
    d().cmdGet.Press();
    if (c.refusal) {
      EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.refusal, 16, "Quorvalent"}}));
    } else {
      EXPECT_TRUE(ui.Boxes().empty()) << ui.Prompts().front();
      ++sheets;
      ClickMenu("Delivery Report");
    }
    EXPECT_EQ(book().SheetCount(), sheets);
  }
}

TEST_F(ReportsTest, WithoutStoredModesOnlyAll) {
  settings.Save("QuorvalentExcel", "STARTUP", "MODES", "");
  d().Unload();
  ClickMenu("Delivery Report");
  EXPECT_EQ(d().cmbMode.Items, std::vector<std::string>{"ALL"});
  d().txtSheetName.Text = "R";
  transport.Answer("<QUORVALENT>0</QUORVALENT>");
  d().cmdGet.Press();
  EXPECT_NE(transport.Last().body.find("&TOD=ALL"), std::string::npos);
}

}  // namespace
}  // namespace qv::testing
