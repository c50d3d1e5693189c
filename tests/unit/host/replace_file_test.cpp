#include "host/replace_file_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>

#include "host/xlsx_workbook.h"
#include "settings/ini_file_settings_posix.h"
#include "support/temp_dir.h"

namespace qv::host {
namespace {

using qv::testing::TempDir;

std::set<std::string> Names(const std::filesystem::path& folder) {
  std::set<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    out.insert(e.path().filename().string());
  return out;
}

// A process killed at any moment of a replacement leaves the old file whole and nothing else.
TEST(ReplaceFile, AKilledProcessLeavesTheOldFileAndNothingElse) {
  enum class Kill { WhileChecking, BeforeRename };
  for (Kill when : {Kill::WhileChecking, Kill::BeforeRename}) {
    TempDir dir;
    const auto file = dir / "w.xlsx";
    TempDir::WriteFile(file, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const auto die = [] { ::raise(SIGKILL); };
      ReplaceFile(file, std::string(1 << 20, 'n'), 0644,
                  when == Kill::WhileChecking ? [&](const std::string&) { die(); }
                                              : std::function<void(const std::string&)>{},
                  when == Kill::BeforeRename ? die : std::function<void()>{});
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"w.xlsx"});
    EXPECT_EQ(TempDir::ReadFile(file), "old");
  }
}

TEST(ReplaceFile, AFailedCheckLeavesTheOldFileAndNothingElse) {
  TempDir dir;
  const auto file = dir / "s.ini";
  TempDir::WriteFile(file, "old");
  std::string seen;
  EXPECT_THROW(ReplaceFile(file, "new", 0600,
                           [&](const std::string& written) {
                             seen = TempDir::ReadFile(written);
                             throw std::runtime_error("does not read back");
                           }),
               std::runtime_error);
  EXPECT_EQ(seen, "new") << "the check reads what was written";
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"s.ini"});
  EXPECT_EQ(TempDir::ReadFile(file), "old");
}

// A symbolic link stays a link; the file it points to is replaced and keeps its mode.
TEST(ReplaceFile, ALinkIsFollowedAndTheModeKept) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  const auto target = dir / "real" / "target.ini";
  TempDir::WriteFile(target, "old");
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("real/target.ini", dir / "link.ini");
  std::filesystem::create_symlink(dir / "link.ini", dir / "chain.ini");
  ReplaceFile(dir / "chain.ini", "new", 0600);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain.ini"));
  EXPECT_EQ(TempDir::ReadFile(target), "new");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(dir / "real"), std::set<std::string>{"target.ini"});

  // A new file gets the mode it is made with, less the creation mask.
  const mode_t mask = ::umask(022);
  ReplaceFile(dir / "new.ini", "x", 0666);
  ::umask(mask);
  ASSERT_EQ(::stat((dir / "new.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// Workbooks and settings save through their links.
TEST(ReplaceFile, WorkbooksAndSettingsSaveThroughLinks) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  { auto wb = XlsxWorkbook::Create(dir / "real" / "target.xlsx", "S"); }
  std::filesystem::create_symlink("real/target.xlsx", dir / "link.xlsx");
  {
    auto wb = XlsxWorkbook::Open(dir / "link.xlsx");
    wb->SheetAt(1).SetValueAt("A1", "saved");
    wb->Save();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.xlsx"));
  EXPECT_EQ(XlsxWorkbook::Open(dir / "real" / "target.xlsx")->SheetAt(1).TextAt("A1"), "saved");

  std::filesystem::create_directories(dir / "config" / "QuorvalentExcel");
  TempDir::WriteFile(dir / "real" / "settings.ini", "[A]\nk=1\n");
  std::filesystem::create_symlink(dir / "real" / "settings.ini",
                                  dir / "config" / "QuorvalentExcel" / "settings.ini");
  settings::IniFileSettings store(dir / "config");
  store.Save("QuorvalentExcel", "A", "j", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "config" / "QuorvalentExcel" / "settings.ini"));
  EXPECT_EQ(TempDir::ReadFile(dir / "real" / "settings.ini"), "[A]\nj=2\nk=1\n\n");
}

}  // namespace
}  // namespace qv::host
