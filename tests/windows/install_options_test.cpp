#include <gtest/gtest.h>

#include "connect_com/install_options.h"
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

}  // namespace
}  // namespace qv::testing
