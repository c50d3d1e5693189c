#include "com/registration_table.h"

#include <algorithm>
#include <set>

namespace qv::excel {
namespace {

const std::string kClasses = "Software\\Classes\\";
// Automation's own marshaler, for a dual interface described by a type library.
constexpr const char* kAutomationProxy = "{00020424-0000-0000-C000-000000000046}";

}  // namespace

std::vector<RegistryEntry> RegistrationEntries(const std::string& dllPath,
                                               const std::string& folder,
                                               const std::string& typeLibPlatform) {
  const std::string cls = kClasses + "CLSID\\" + kClassId;
  const std::string typeLib = kClasses + "TypeLib\\" + kTypeLibId + "\\1.0";
  const std::string iface = kClasses + "Interface\\" + kInterfaceId;
  const std::string addin = std::string("Software\\Microsoft\\Office\\Excel\\Addins\\") + kProgId;
  return {
      {cls, "", std::string(kProgId)},
      {cls + "\\InprocServer32", "", dllPath},
      {cls + "\\InprocServer32", "ThreadingModel", std::string("Apartment")},
      {cls + "\\ProgID", "", std::string(kProgId)},
      {cls + "\\TypeLib", "", std::string(kTypeLibId)},
      {kClasses + kProgId, "", std::string(kProgId)},
      {kClasses + kProgId + "\\CLSID", "", std::string(kClassId)},
      {typeLib, "", std::string("Quorvalent_Excel")},
      {typeLib + "\\0\\" + typeLibPlatform, "", dllPath},
      {typeLib + "\\FLAGS", "", std::string("0")},
      {typeLib + "\\HELPDIR", "", folder},
      {iface, "", std::string("_Connect")},
      {iface + "\\ProxyStubClsid32", "", std::string(kAutomationProxy)},
      {iface + "\\TypeLib", "", std::string(kTypeLibId)},
      {iface + "\\TypeLib", "Version", std::string("1.0")},
      {addin, "FriendlyName", std::string(kFriendlyName)},
      {addin, "Description", std::string(kFriendlyName)},
      {addin, "LoadBehavior", std::uint32_t{3}},
  };
}

std::vector<std::string> RegistrationKeys() {
  std::set<std::string> keys;
  for (const auto& entry : RegistrationEntries("", "", "win64")) keys.insert(entry.key);
  keys.insert(kClasses + "TypeLib\\" + kTypeLibId);
  keys.insert(kClasses + "TypeLib\\" + kTypeLibId + "\\1.0\\0");
  std::vector<std::string> ordered(keys.begin(), keys.end());
  std::stable_sort(ordered.begin(), ordered.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
  });
  return ordered;
}

}  // namespace qv::excel
