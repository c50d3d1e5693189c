// The server's registration: exactly the keys of its identity, per user, and gone again after
// unregistering, while what other programs keep beside them stays.
#include "com/registration.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::testing {
namespace {

#ifdef _WIN64
constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr DWORD kReadView = RRF_SUBKEY_WOW6464KEY;
#else
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr DWORD kReadView = RRF_SUBKEY_WOW6432KEY;
#endif

bool KeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ | kView, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

std::wstring Text(const std::wstring& key, const wchar_t* name) {
  wchar_t value[512] = {};
  DWORD bytes = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ | kReadView, nullptr, value,
                   &bytes) != ERROR_SUCCESS)
    return L"<absent>";
  return value;
}

const std::wstring kDll =
    L"C:\\users\\me\\AppData\\Local\\Programs\\Quorvalent\\quorvalent_excel.dll";
const std::wstring kClass = L"Software\\Classes\\CLSID\\{D3D2BCCD-31E8-44DC-9796-CA50A1F99AEC}";
const std::wstring kAddin = L"Software\\Microsoft\\Office\\Excel\\Addins\\Quorvalent_Excel.Connect";

TEST(Registration, WritesTheIdentityPerUserAndRemovesExactlyIt) {
  // Another add-in's entry and a second version of nothing of ours: they must survive.
  HKEY other = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Excel\\Addins\\Other.Connect",
                  0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &other, nullptr);
  RegCloseKey(other);

  for (int round = 0; round < 2; ++round) ASSERT_EQ(excel::RegisterServer(kDll), S_OK);
  EXPECT_EQ(Text(kClass, nullptr), L"Quorvalent_Excel.Connect");
  EXPECT_EQ(Text(kClass + L"\\InprocServer32", nullptr), kDll);
  EXPECT_EQ(Text(kClass + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Text(L"Software\\Classes\\Quorvalent_Excel.Connect\\CLSID", nullptr),
            L"{D3D2BCCD-31E8-44DC-9796-CA50A1F99AEC}");
  EXPECT_EQ(Text(L"Software\\Classes\\Interface\\{CE49F1D3-7A34-48D0-9F9C-A12545713902}\\TypeLib",
                 nullptr),
            L"{B8A85267-AFF8-425E-AFD9-A66B1D5CC814}");
  EXPECT_EQ(Text(kAddin, L"FriendlyName"), L"Quorvalent Excel");
  EXPECT_EQ(Text(kAddin, L"Description"), L"Quorvalent Excel");
  DWORD load = 0;
  DWORD bytes = sizeof load;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kAddin.c_str(), L"LoadBehavior",
                         RRF_RT_REG_DWORD | kReadView, nullptr, &load, &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(load, 3u);

  for (int round = 0; round < 2; ++round) ASSERT_EQ(excel::UnregisterServer(), S_OK);
  for (const auto& entry : excel::RegistrationEntries(kDll))
    EXPECT_FALSE(KeyExists(ToUtf16(entry.key))) << entry.key;
  EXPECT_FALSE(KeyExists(L"Software\\Classes\\TypeLib\\{B8A85267-AFF8-425E-AFD9-A66B1D5CC814}"));
  EXPECT_TRUE(KeyExists(L"Software\\Microsoft\\Office\\Excel\\Addins\\Other.Connect"));
  EXPECT_TRUE(KeyExists(L"Software\\Classes\\CLSID"));
  RegDeleteKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Excel\\Addins\\Other.Connect",
                  kView, 0);
}

}  // namespace
}  // namespace qv::testing
