#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qv::excel {

// The add-in's identity as COM and Excel know it.
inline constexpr const char* kProgId = "Quorvalent_Excel.Connect";
inline constexpr const char* kClassId = "{D3D2BCCD-31E8-44DC-9796-CA50A1F99AEC}";
inline constexpr const char* kInterfaceId = "{CE49F1D3-7A34-48D0-9F9C-A12545713902}";
inline constexpr const char* kTypeLibId = "{B8A85267-AFF8-425E-AFD9-A66B1D5CC814}";
inline constexpr const char* kFriendlyName = "Quorvalent Excel";

// Where the machine-wide installer keeps the service address it was given (SERVICE=), for every
// user of the machine: below HKEY_LOCAL_MACHINE, in the 64-bit view.
inline constexpr const char* kMachineKey = "Software\\Quorvalent\\Excel";
inline constexpr const char* kMachineServiceAddress = "ServiceAddress";

// One value the registration writes, below the root it registers in (HKEY_CURRENT_USER for the
// user alone, HKEY_LOCAL_MACHINE for every user); an empty name is the key's default.
struct RegistryEntry {
  std::string key;
  std::string name;
  std::variant<std::string, std::uint32_t> value;
};

// Every value that registers the DLL at `dllPath`, in `folder`, built for `typeLibPlatform`
// ("win64" or "win32"): the class, the ProgID, the type library and its interface under
// Software\Classes, and Excel's add-in entry that loads it at start-up. The one table of the
// DLL's own registration and of the machine-wide installer's Registry table.
std::vector<RegistryEntry> RegistrationEntries(const std::string& dllPath,
                                               const std::string& folder,
                                               const std::string& typeLibPlatform);

// The keys that registration makes and unregistration removes, those between them and the
// first that was there before included, deepest first.
std::vector<std::string> RegistrationKeys();

}  // namespace qv::excel
