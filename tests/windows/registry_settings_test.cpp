#include "settings/registry_settings_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "values/utf16_win32.h"

namespace qv::testing {
namespace {

constexpr const char* kApp = "QuorvalentTest";

class RegistryTest : public ::testing::Test {
 protected:
  // QV_KEEP_REGISTRY leaves the keys for a look from outside (registry_from_outside.sh).
  void TearDown() override {
    if (std::getenv("QV_KEEP_REGISTRY")) return;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\QuorvalentTest");
  }
  settings::RegistrySettings store;
};

TEST_F(RegistryTest, TextsComeBackAsTheyWereSaved) {
  const std::string texts[] = {"", "plain", "Zo\xC3\xAB & \xE2\x82\xAC 5",
                               "\xE6\x97\xA5\xE6\x9C\xAC", std::string(5000, 'x')};
  for (const auto& text : texts) {
    store.Save(kApp, "Proxy Settings", "ProxyName", text);
    EXPECT_EQ(store.Get(kApp, "Proxy Settings", "ProxyName"), text);
  }
}

TEST_F(RegistryTest, AnAbsentKeyIsAbsent) {
  EXPECT_EQ(store.Get(kApp, "Nowhere", "Key"), std::nullopt);
  store.Save(kApp, "Somewhere", "Key", "1");
  EXPECT_EQ(store.Get(kApp, "Somewhere", "Other"), std::nullopt);
  EXPECT_EQ(store.GetSetting(kApp, "Somewhere", "Other", "fallback"), "fallback");
}

// The layout other programs of this kind read: one REG_SZ value per key under the section.
TEST_F(RegistryTest, EachKeyIsOneStringValueOfItsSection) {
  store.Save(kApp, "STARTUP", "MODES", "L-Live,E-Excel Add-in");
  store.SaveAll(kApp, {{"Grouping", "Header", "Dear \xC3\xA9"}, {"Grouping", "Footer", "Bye"}});
  const auto read = [](const wchar_t* section, const wchar_t* name) {
    wchar_t value[256] = {};
    DWORD bytes = sizeof value;
    DWORD type = 0;
    const std::wstring key =
        std::wstring(L"Software\\VB and VBA Program Settings\\QuorvalentTest\\") + section;
    const LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, value, &bytes);
    EXPECT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return FromUtf16(value);
  };
  EXPECT_EQ(read(L"STARTUP", L"MODES"), "L-Live,E-Excel Add-in");
  EXPECT_EQ(read(L"Grouping", L"Header"), "Dear \xC3\xA9");
  EXPECT_EQ(read(L"Grouping", L"Footer"), "Bye");
}

}  // namespace
}  // namespace qv::testing
