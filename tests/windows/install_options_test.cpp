#include <gtest/gtest.h>

#include "com/registration_table.h"
#include "connect_com/install_options.h"
#include "connect_com/windows_environment.h"
#include "settings/memory_settings.h"
#include "values/utf16_win32.h"

namespace qv::testing {
namespace {

TEST(InstallOptions, StoreAUsableServiceAddressAndRefuseAnythingElse) {
  const struct {
    const wchar_t* line;
    HRESULT result;
    const char* stored;  // nullptr: nothing stored
  } cases[] = {
      {L"", S_OK, nullptr},
      {L"   ", S_OK, nullptr},
      {L"SERVICE=", S_OK, nullptr},
      {L"SERVICE=gw.example.com:8443", S_OK, "gw.example.com:8443"},
      {L"service=10.0.0.7", S_OK, "10.0.0.7"},
      {L" SERVICE= gw:1 ", S_OK, "gw:1"},
      {L"SERVICE=gw:65535", S_OK, "gw:65535"},
      {L"SERVICE=https://gw.example.com", S_OK, "https://gw.example.com"},
      {L"SERVICE=ftp://gw.example.com", E_INVALIDARG, nullptr},
      {L"SERVICE=https://gw.example.com/sms", E_INVALIDARG, nullptr},
      {L"SERVICE=gw:0", E_INVALIDARG, nullptr},
      {L"SERVICE=gw:65536", E_INVALIDARG, nullptr},
      {L"SERVICE=gw:http", E_INVALIDARG, nullptr},
      {L"SERVICE=:8080", E_INVALIDARG, nullptr},
      {L"SERVIC=gw", E_INVALIDARG, nullptr},
      {L"COLOR=red", E_INVALIDARG, nullptr},
  };
  for (const auto& c : cases) {
    const std::string line = FromUtf16(c.line);
    settings::MemorySettings store;
    EXPECT_EQ(excel::ApplyInstallOptions(c.line, store), c.result) << line;
    const auto stored = store.Get(settings::kAppName, "Service", "Address");
    if (c.stored) {
      EXPECT_EQ(stored, std::optional<std::string>(c.stored));
    } else {
      EXPECT_FALSE(stored.has_value()) << line;
    }
  }
}

// The machine-wide installer's SERVICE, stored for every user, serves a user without an address
// of their own; the 32-bit DLL reads it where the installer wrote it, in the 64-bit view.
TEST(InstallOptions, TheMachinesServiceAddressServesAUserWithoutOne) {
  const std::wstring key = ToUtf16(excel::kMachineKey);
  const auto store = [&](const wchar_t* address) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(k, ToUtf16(excel::kMachineServiceAddress).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(address),
                   static_cast<DWORD>((wcslen(address) + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  };
  settings::MemorySettings user;
  EXPECT_EQ(excel::MachineServiceAddress(user), "");
  store(L" https://sms.example.com ");
  EXPECT_EQ(excel::MachineServiceAddress(user), "https://sms.example.com");
  user.Save(settings::kAppName, "Service", "Address", "mine.example.com:8080");
  EXPECT_EQ(excel::MachineServiceAddress(user), "") << "the user's own address wins";
  settings::MemorySettings blank;
  store(L" ");
  EXPECT_EQ(excel::MachineServiceAddress(blank), "");
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
}

}  // namespace
}  // namespace qv::testing
