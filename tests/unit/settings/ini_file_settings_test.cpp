#include "settings/ini_file_settings_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>
#include <vector>

namespace qv::settings {
namespace {

namespace fs = std::filesystem;

class IniFileSettingsTest : public ::testing::Test {
 protected:
  IniFileSettingsTest() { fs::remove_all(root); }
  static fs::path FreshRoot() {
    return fs::temp_directory_path() /
           ("qv-settings-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  ~IniFileSettingsTest() override { fs::remove_all(root); }
  std::string FileText() {
    std::ifstream in(store.FileOf(kAppName), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(store.FileOf(kAppName).parent_path())) {
      out.push_back(e.path().filename().string());
    }
    return out;
  }

  fs::path root = FreshRoot();
  IniFileSettings store{root};
};

TEST_F(IniFileSettingsTest, KeepsAnyTextUnderSectionAndKey) {
  EXPECT_EQ(store.Get(kAppName, "STARTUP", "MODES"), std::nullopt);
  const std::string odd = "pa=ss\\word\nsecond line\r [x] ;not a comment ";
  store.Save(kAppName, "STARTUP", "MODES", "L-Live,E-Excel");
  store.Save(kAppName, "ProxySettings", "ProxyUserPWD", odd);
  store.Save(kAppName, "ProxySettings", "ProxyName", "");
  IniFileSettings again{root};
  EXPECT_EQ(again.Get(kAppName, "STARTUP", "MODES"), "L-Live,E-Excel");
  EXPECT_EQ(again.Get(kAppName, "ProxySettings", "ProxyUserPWD"), odd);
  EXPECT_EQ(again.Get(kAppName, "ProxySettings", "ProxyName"), "");
  EXPECT_EQ(again.Get(kAppName, "ProxySettings", "ProxyPort"), std::nullopt);
  EXPECT_EQ(store.FileOf(kAppName), root / "QuorvalentExcel" / "settings.ini");
}

TEST_F(IniFileSettingsTest, TheFileIsPrivateToItsUser) {
  store.Save(kAppName, "ProxySettings", "ProxyUserPWD", "secret");
  struct stat st {};
  ASSERT_EQ(::stat(store.FileOf(kAppName).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600);
}

TEST_F(IniFileSettingsTest, ACrashBeforeTheRenameLeavesTheOldContent) {
  store.Save(kAppName, "ProxySettings", "ProxyName", "old");
  const std::string before = FileText();
  store.SetBeforeRename([] { throw std::runtime_error("power cut"); });
  EXPECT_THROW(store.Save(kAppName, "ProxySettings", "ProxyName", "new"), std::runtime_error);
  EXPECT_EQ(FileText(), before);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
  store.SetBeforeRename(nullptr);
  EXPECT_EQ(store.Get(kAppName, "ProxySettings", "ProxyName"), "old");
  store.Save(kAppName, "ProxySettings", "ProxyName", "new");
  EXPECT_EQ(store.Get(kAppName, "ProxySettings", "ProxyName"), "new");
}

TEST_F(IniFileSettingsTest, ADamagedFileIsReportedAndNeverOverwritten) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"[STARTUP]\nno equals sign\n", "is damaged at line 2: \"key=value\" was expected."},
      {"MODES=x\n", "is damaged at line 1: a key stands before any section."},
      {"[STARTUP\n", "is damaged at line 1: a section name is not closed by \"]\"."},
      {"[STARTUP]\nMODES=a\\qb\n", "is damaged at line 2: a value has a broken \"\\\" escape."},
  };
  for (const auto& c : cases) {
    fs::create_directories(store.FileOf(kAppName).parent_path());
    std::ofstream(store.FileOf(kAppName), std::ios::binary) << c.text;
    try {
      store.Get(kAppName, "STARTUP", "MODES");
      ADD_FAILURE() << c.text;
    } catch (const SettingsError& e) {
      EXPECT_EQ(e.what(), "The settings file " + store.FileOf(kAppName).string() + " " + c.message);
    }
    EXPECT_THROW(store.Save(kAppName, "STARTUP", "MODES", "new"), SettingsError);
    EXPECT_EQ(FileText(), c.text);
  }
}

// Savers at once, each with its own store as separate processes have: no key of any is lost, and
// the keys of one SaveAll are never mixed with another's.
TEST_F(IniFileSettingsTest, SaversAtOnceLoseNothingAndNeverMix) {
  constexpr int kSavers = 3, kRounds = 30;
  std::vector<std::thread> savers;
  for (int t = 0; t < kSavers; ++t) {
    savers.emplace_back([this, t] {
      IniFileSettings own(root);
      const std::string id = std::to_string(t);
      for (int n = 0; n < kRounds; ++n) {
        own.Save(kAppName, "Keys", id + "-" + std::to_string(n), "1");
        own.SaveAll(kAppName,
                    {{"Proxy", "Host", id}, {"Proxy", "Port", id}, {"Proxy", "User", id}});
      }
    });
  }
  for (auto& s : savers) s.join();
  for (int t = 0; t < kSavers; ++t) {
    for (int n = 0; n < kRounds; ++n) {
      EXPECT_TRUE(store.Get(kAppName, "Keys", std::to_string(t) + "-" + std::to_string(n)))
          << t << "-" << n;
    }
  }
  const auto host = store.Get(kAppName, "Proxy", "Host");
  ASSERT_TRUE(host);
  EXPECT_EQ(store.Get(kAppName, "Proxy", "Port"), host);
  EXPECT_EQ(store.Get(kAppName, "Proxy", "User"), host);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace qv::settings
