#include "host/csv_workbook.h"

#include <gtest/gtest.h>

#include "host/file_application.h"
#include "support/temp_dir.h"

namespace qv::host {
namespace {

using qv::testing::TempDir;

TEST(CsvWorkbook, FieldsAreTypedWithoutLosingADigit) {
  TempDir dir;
  TempDir::WriteFile(dir / "contacts.csv",
                     "\xEF\xBB\xBFMobile,Name,Amount\r\n919876543210,\"Smith, "
                     "Ann\",10.5\r\n007,\"say \"\"hi\"\"\",+4912\r\n"
                     "12.50,\"two\nlines\",\r\n");
  auto wb = CsvWorkbook::Open(dir / "contacts.csv");
  EXPECT_EQ(wb->SheetCount(), 1);
  Sheet& s = *wb->ActiveSheet();
  EXPECT_EQ(s.Name(), "contacts");
  EXPECT_EQ(wb->FindSheet("CONTACTS"), &s);
  EXPECT_EQ(s.ValueAt("A1"), Variant("Mobile"));
  EXPECT_EQ(s.ValueAt("A2"), Variant(919876543210.0));
  EXPECT_EQ(s.ValueAt("B2"), Variant("Smith, Ann"));
  EXPECT_EQ(s.ValueAt("C2"), Variant(10.5));
  EXPECT_EQ(s.ValueAt("A3"), Variant("007"));
  EXPECT_EQ(s.ValueAt("B3"), Variant("say \"hi\""));
  EXPECT_EQ(s.ValueAt("C3"), Variant("+4912"));
  EXPECT_EQ(s.TextAt("A4"), "12.50");
  EXPECT_EQ(s.ValueAt("B4"), Variant("two\nlines"));
  EXPECT_EQ(s.ValueAt("C4"), Variant());
}

TEST(CsvWorkbook, AFilledColumnIsSavedSafelyAndReadsBack) {
  TempDir dir;
  TempDir::WriteFile(dir / "list.csv", "Client,Mobile\nC1,\nC2,\n\"x,y\",\n");
  {
    auto wb = CsvWorkbook::Open(dir / "list.csv");
    Sheet& s = *wb->ActiveSheet();
    s.SetValueAt("B2", "911111111111");
    s.SetValueAt("B3", "0044 20");
    s.SetValueAt("C4", " padded ");
    EXPECT_TRUE(wb->IsModified());
    wb->Save();
    EXPECT_FALSE(wb->IsModified());
  }
  EXPECT_EQ(TempDir::ReadFile(dir / "list.csv"),
            "Client,Mobile\nC1,911111111111\nC2,0044 20\n\"x,y\",,\" padded \"\n");
  auto again = CsvWorkbook::Open(dir / "list.csv");
  EXPECT_EQ(again->ActiveSheet()->ValueAt("B3"), Variant("0044 20"));
}

TEST(CsvWorkbook, AFailedSaveLeavesTheFile) {
  TempDir dir;
  TempDir::WriteFile(dir / "list.csv", "a,b\n");
  auto wb = CsvWorkbook::Open(dir / "list.csv");
  wb->ActiveSheet()->SetValueAt("A2", "new");
  wb->SetBeforeRename([] { throw std::runtime_error("disk gone"); });
  EXPECT_THROW(wb->Save(), std::runtime_error);
  EXPECT_EQ(TempDir::ReadFile(dir / "list.csv"), "a,b\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(CsvWorkbook, RefusesWhatACsvCannotDo) {
  TempDir dir;
  TempDir::WriteFile(dir / "list.csv", "a\n");
  auto wb = CsvWorkbook::Open(dir / "list.csv");
  try {
    wb->AddSheetAfter(*wb->ActiveSheet());
    ADD_FAILURE();
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("is a .csv file, which holds one sheet only"),
              std::string::npos);
  }
  EXPECT_THROW(wb->ActiveSheet()->SetName("Other"), HostError);
  auto readOnly = CsvWorkbook::Open(dir / "list.csv", true);
  readOnly->ActiveSheet()->SetValueAt("A1", "x");
  EXPECT_THROW(readOnly->Save(), HostError);
}

TEST(CsvWorkbook, BrokenFilesSayWhatIsWrong) {
  TempDir dir;
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"a,\"open\nb,c\n", "has a quoted field that is never closed, from line 1."},
      {"a,\"x\"y\n", "has text after a closing quote at line 1."},
      {"a\nb,c\"d\n", "has a quote inside an unquoted field at line 2."},
      {"bad \xC3\n", "is not UTF-8 text."},
  };
  for (const auto& c : cases) {
    TempDir::WriteFile(dir / "broken.csv", c.text);
    try {
      CsvWorkbook::Open(dir / "broken.csv");
      ADD_FAILURE() << c.text;
    } catch (const HostError& e) {
      EXPECT_EQ(std::string(e.what()),
                "The file " + (dir / "broken.csv").string() + " " + c.message);
    }
  }
  EXPECT_THROW(CsvWorkbook::Open(dir / "missing.csv"), HostError);
}

TEST(OpenWorkbookFile, ByKind) {
  TempDir dir;
  TempDir::WriteFile(dir / "old.xls", "binary");
  TempDir::WriteFile(dir / "notes.txt", "text");
  try {
    OpenWorkbookFile(dir / "old.xls", true);
    ADD_FAILURE();
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("old binary .xls kind"), std::string::npos);
  }
  EXPECT_THROW(OpenWorkbookFile(dir / "notes.txt", true), HostError);
  FileApplication app;
  EXPECT_EQ(app.ActiveWorkbook(), nullptr);
  app.Open(dir.Copy("contacts.xlsx"));
  EXPECT_EQ(app.ActiveSheet()->Name(), "Contacts");
}

}  // namespace
}  // namespace qv::host
