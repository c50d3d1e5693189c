#include "fill/frm_client_mno_map.h"

#include <gtest/gtest.h>

#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

class FillTest : public AddinTest {
 protected:
  void SetUp() override {
    ConnectAddin();
    OpenSession();
    source = std::make_shared<host::MemoryWorkbook>("Numbers.xlsx",
                                                    std::vector<std::string>{"Clients", "Other"});
  }
  fill::frmClient_MNO_Map& d() { return connect.ClientMnoMap(); }
  host::MemorySheet& src() { return source->SheetAt(1); }
  host::MemorySheet& dst() { return app.ActiveWorkbook()->SheetAt(1); }
  // Opens the dialog, browses to the source and chooses A/B in the source and A/C in Sheet1.
  void OpenAndBrowse() {
    app.AddFile("/data/Numbers.xlsx", source);
    ClickMenu("Fill Mobile Numbers");
    ui.AnswerFile("/data/Numbers.xlsx");
    d().cmdBrowse.Press();
    d().cmbMNO.SetListIndex(1);
    d().cmbFill_MNO.SetListIndex(2);
  }
  std::shared_ptr<host::MemoryWorkbook> source;
};

TEST(IsExcelFile, ByExtension) {
  EXPECT_TRUE(fill::IsExcelFile("a.xls"));
  EXPECT_TRUE(fill::IsExcelFile("/x/b.XLSX"));
  EXPECT_FALSE(fill::IsExcelFile("c.csv"));
  EXPECT_TRUE(fill::IsExcelFile("xls")) << "a path without a dot is compared whole";
  EXPECT_FALSE(fill::IsExcelFile("readme"));
  EXPECT_FALSE(fill::IsExcelFile("d.xlsx.bak"));
}

// The sheet list of the source shows its first 255 sheets.
TEST_F(FillTest, TheSourceSheetListStopsAtTwoHundredFiftyFive) {
  for (const int count : {255, 256}) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back("S" + std::to_string(i));
    source = std::make_shared<host::MemoryWorkbook>("Numbers.xlsx", names);
    OpenAndBrowse();
    EXPECT_EQ(d().cmbSheetName.ListCount(), 255) << count;
    EXPECT_EQ(d().cmbSheetName.Items.back(), "S255");
    d().cmdExit.Press();
  }
}

TEST_F(FillTest, FillsByExactClientIdWithTheFirstMatch) {
  src().SetValueAt("A1", "Client");
  src().SetValueAt("B1", "Mobile");
  src().SetValueAt("A2", "abc");
  src().SetValueAt("B2", 111.0);
  src().SetValueAt("A3", "ABC");
  src().SetValueAt("B3", 222.0);
  src().SetValueAt("A4", "abc");
  src().SetValueAt("B4", 333.0);
  src().SetValueAt("A5", 12.0);
  src().SetValueAt("B5", 444.0);
  src().SetValueAt("A6", "nomobile");
  src().SetValueAt("A7", "x,y");
  src().SetValueAt("B7", 555.0);
  dst().SetValueAt("A1", "Client");
  dst().SetValueAt("A2", "abc");
  dst().SetValueAt("A3", "ABC");
  dst().SetValueAt("A4", " abc");
  dst().SetValueAt("A5", "12");
  dst().SetValueAt("A6", "nomobile");
  dst().SetValueAt("C6", "kept");
  dst().SetValueAt("A7", "abc");
  dst().SetValueAt("A8", "x");
  OpenAndBrowse();
  EXPECT_EQ(d().cmbSheetName.Items, (std::vector<std::string>{"Clients", "Other"}));
  d().cmdOk.Press();
  EXPECT_EQ(dst().ValueAt("C1"), Variant("Mobile")) << "the header row takes part";
  EXPECT_EQ(dst().ValueAt("C2"), Variant("111"));
  EXPECT_EQ(dst().ValueAt("C3"), Variant("222"));
  EXPECT_EQ(dst().ValueAt("C4"), Variant()) << "no trimming";
  EXPECT_EQ(dst().ValueAt("C5"), Variant("444")) << "numeric 12 matches text 12";
  EXPECT_EQ(dst().ValueAt("C6"), Variant("kept"));
  EXPECT_EQ(dst().ValueAt("C7"), Variant("111"));
  EXPECT_EQ(dst().ValueAt("C8"), Variant()) << "an ID is matched whole, commas and all";
  EXPECT_FALSE(d().IsLoaded());
  EXPECT_TRUE(ui.Prompts().empty());
  EXPECT_EQ(app.HiddenWorkbooksOpen(), 0);
  EXPECT_EQ(src().ValueAt("C2"), Variant()) << "the source is never written";
}

// A source that fails when it is finished (a file damaged below the rows read) fills nothing.
TEST_F(FillTest, ASourceThatFailsWhenFinishedFillsNothing) {
  src().SetValueAt("A1", "abc");
  src().SetValueAt("B1", 111.0);
  src().FailWhenFinished("The workbook file Numbers.xlsx is damaged.");
  dst().SetValueAt("A1", "abc");
  OpenAndBrowse();
  d().cmdOk.Press();
  EXPECT_EQ(ui.Prompts(), std::vector<std::string>{"The workbook file Numbers.xlsx is damaged."});
  EXPECT_EQ(dst().ValueAt("C1"), Variant());
}

TEST_F(FillTest, FiveHundredEmptyRowsArePassedOverAndTheFiveHundredSecondEndsAPass) {
  src().SetValueAt("A1", "k1");
  src().SetValueAt("B1", 1.0);
  src().SetValueAt("A502", "k2");  // after 500 empty rows
  src().SetValueAt("B502", 2.0);
  src().SetValueAt("A1005", "k3");  // after 502 empty rows
  src().SetValueAt("B1005", 3.0);
  dst().SetValueAt("A1", "k2");
  dst().SetValueAt("A503", "k1");   // after 501 empty rows
  dst().SetValueAt("A1006", "k1");  // after 502 empty rows
  dst().SetValueAt("A10", "k3");
  OpenAndBrowse();
  d().cmdOk.Press();
  EXPECT_EQ(dst().ValueAt("C1"), Variant("2"));
  EXPECT_EQ(dst().ValueAt("C503"), Variant("1"));
  EXPECT_EQ(dst().ValueAt("C1006"), Variant());
  EXPECT_EQ(dst().ValueAt("C10"), Variant()) << "k3 was never fetched";
}

TEST_F(FillTest, FillWithoutBrowseAndAfterClosing) {
  ClickMenu("Fill Mobile Numbers");
  d().cmdOk.Press();
  EXPECT_EQ(
      ui.Boxes(),
      (std::vector<ui::ScriptedUi::Box>{
          {"No source workbook has been chosen: press Browse to choose one.", 16, "Quorvalent"}}));
  EXPECT_TRUE(d().cmdOk.Enabled);
  EXPECT_TRUE(d().IsLoaded());
  d().Unload();

  src().SetValueAt("A1", "k");
  src().SetValueAt("B1", 1.0);
  dst().SetValueAt("A1", "k");
  OpenAndBrowse();
  d().cmdExit.Press();
  EXPECT_EQ(app.HiddenWorkbooksOpen(), 0);
  ClickMenu("Fill Mobile Numbers");
  ui.ClearBoxes();
  d().cmdOk.Press();
  EXPECT_EQ(
      ui.Boxes(),
      (std::vector<ui::ScriptedUi::Box>{
          {"The source workbook has been disconnected from the spreadsheet.\n\nDescription: Sheet "
           "containing mobilenumbers is already in use.\n\n Please click on Browse button to "
           "reselect "
           "the Sheet!!! ",
           16, "Quorvalent"}}));
  EXPECT_EQ(dst().ValueAt("C1"), Variant());
}

TEST_F(FillTest, BrowseRefusesOtherFiles) {
  ClickMenu("Fill Mobile Numbers");
  ui.AnswerFile("/data/list.csv");
  d().cmdBrowse.Press();
  EXPECT_EQ(ui.Boxes(),
            (std::vector<ui::ScriptedUi::Box>{{"Browse only MS-Excel file", 64, "Quorvalent"}}));
  ui.ClearBoxes();
  ui.AnswerFile("/data/missing.xlsx");
  d().cmdBrowse.Press();
  EXPECT_EQ(ui.Boxes(),
            (std::vector<ui::ScriptedUi::Box>{
                {"The file \"/data/missing.xlsx\" could not be found.", 16, "Quorvalent"}}));
}

}  // namespace
}  // namespace qv::testing
