// The application adapter's second Excel: a real CoCreateInstance of Excel.Application (here the
// fake, registered in this process), invisible, read-only, and told to quit when done.
#include <gtest/gtest.h>

#include <algorithm>

#include "excel_host/excel_application.h"
#include "fake_excel.h"

namespace qv::testing {
namespace {

class HiddenInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto book = std::make_shared<host::MemoryWorkbook>("Clients.xlsx",
                                                       std::vector<std::string>{"Ids", "Numbers"});
    book->SheetAt(2).SetValueAt("B3", "C-001");
    files.AddFile("C:\\data\\Clients.xlsx", book);
  }
  void TearDown() override { CoUninitialize(); }

  host::MemoryApplication files;
  host::MemoryApplication model;
  FakeExcel excel{model};
  excel::ExcelApplication app{
      excel::Dispatch(excel::ComPtr<IDispatch>::Share(excel.Application()))};
};

TEST_F(HiddenInstanceTest, OpensReadOnlyInASecondInvisibleExcelThatQuitsWhenClosed) {
  FakeExcelClass registered(files);
  auto hidden = app.CreateHiddenInstance();
  EXPECT_TRUE(registered.Instances().empty());  // started by the first workbook it opens
  host::Workbook& book = hidden->OpenReadOnly("C:\\data\\Clients.xlsx");
  EXPECT_EQ(book.SheetCount(), 2);
  EXPECT_EQ(book.FindSheet("numbers")->TextAt("B3"), "C-001");
  ASSERT_EQ(registered.Instances().size(), 1u);
  FakeExcel& second = *registered.Instances()[0];
  EXPECT_FALSE(second.visible);
  EXPECT_EQ(files.HiddenWorkbooksOpen(), 1);

  hidden->CloseAll();
  EXPECT_TRUE(second.quit);
  EXPECT_EQ(files.HiddenWorkbooksOpen(), 0);
  EXPECT_EQ(second.Held(), std::vector<std::string>{});
  const auto calls = second.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Workbook Clients.xlsx.Close"), 1);
  // Nothing happened in the user's own Excel.
  EXPECT_EQ(excel.CallCount(), 0);
}

TEST_F(HiddenInstanceTest, AWorkbookExcelCannotOpenIsItsFailureAndTheInstanceStillQuits) {
  FakeExcelClass registered(files);
  auto hidden = app.CreateHiddenInstance();
  EXPECT_THROW(hidden->OpenReadOnly("C:\\data\\Missing.xlsx"), host::HostError);
  ASSERT_EQ(registered.Instances().size(), 1u);
  hidden.reset();
  EXPECT_TRUE(registered.Instances()[0]->quit);
  EXPECT_EQ(registered.Instances()[0]->Held(), std::vector<std::string>{});
}

TEST_F(HiddenInstanceTest, TheSecondExcelAsksNothingAndRunsNoMacroOfTheFile) {
  FakeExcelClass registered(files);
  const std::string path = "C:\\data\\Clients.xlsx";
  registered.traits.links.insert(path);
  registered.traits.readOnlyRecommended.insert(path);
  registered.traits.macros.insert(path);
  auto hidden = app.CreateHiddenInstance();
  EXPECT_EQ(hidden->OpenReadOnly(path).SheetCount(), 2);
  EXPECT_EQ(registered.traits.unanswered, std::vector<std::string>{});
  EXPECT_EQ(registered.traits.macrosRun, std::vector<std::string>{});
  FakeExcel& second = *registered.Instances()[0];
  EXPECT_FALSE(second.displayAlerts);
  EXPECT_EQ(second.automationSecurity, 3);
  // Set before the file opens.
  const auto calls = second.Calls();
  const auto at = [&calls](const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
  };
  EXPECT_LT(at("Application.AutomationSecurity"), at("Workbooks.Open"));
  EXPECT_LT(at("Application.DisplayAlerts"), at("Workbooks.Open"));
}

TEST_F(HiddenInstanceTest, AWorkbookThatNeedsAPasswordFailsWithExcelsMessageAndNoQuestion) {
  FakeExcelClass registered(files);
  registered.traits.password.insert("C:\\data\\Clients.xlsx");
  auto hidden = app.CreateHiddenInstance();
  try {
    hidden->OpenReadOnly("C:\\data\\Clients.xlsx");
    FAIL() << "opened without its password";
  } catch (const host::HostError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("The password you supplied is not correct.", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(registered.traits.unanswered, std::vector<std::string>{});
  hidden.reset();
  EXPECT_TRUE(registered.Instances()[0]->quit);
  EXPECT_EQ(registered.Instances()[0]->Held(), std::vector<std::string>{});
}

TEST_F(HiddenInstanceTest, CallsRefusedWhileTheSecondExcelStartsAreMadeAgain) {
  FakeExcelClass registered(files);
  registered.rejectCallsAtStart = 6;
  auto hidden = app.CreateHiddenInstance();
  EXPECT_EQ(hidden->OpenReadOnly("C:\\data\\Clients.xlsx").FindSheet("numbers")->TextAt("B3"),
            "C-001");
  EXPECT_EQ(registered.Instances()[0]->rejectCalls, 0);
}

TEST_F(HiddenInstanceTest, WithoutExcelInstalledTheOpenSaysSo) {
  auto hidden = app.CreateHiddenInstance();
  try {
    hidden->OpenReadOnly("C:\\data\\Clients.xlsx");
    FAIL() << "opened without an Excel";
  } catch (const host::HostError& e) {
    EXPECT_STREQ(e.what(), "A second Excel could not be started to read the workbook.");
  }
}

}  // namespace
}  // namespace qv::testing
