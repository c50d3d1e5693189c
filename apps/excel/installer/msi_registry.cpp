// Prints the machine-wide installer's registry values as a WiX include, from the one table the
// DLL registers itself with: every value under HKEY_LOCAL_MACHINE, the DLL's path and folder as
// the installer names them ([#FILE-ID], [DIRECTORY-ID]); or, with `service`, the machine's
// service address, the installer's property SERVICE, as the add-in reads it.
// usage: qv_msi_registry win64|win32 FILE-ID DIRECTORY-ID | qv_msi_registry service
#include <iostream>
#include <pugixml.hpp>
#include <string>

#include "com/registration_table.h"

namespace {

pugi::xml_node Value(pugi::xml_node include, const std::string& key, const std::string& name) {
  pugi::xml_node value = include.append_child("RegistryValue");
  value.append_attribute("Root") = "HKLM";
  value.append_attribute("Key") = key.c_str();
  if (!name.empty()) value.append_attribute("Name") = name.c_str();
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  const bool service = argc == 2 && std::string(argv[1]) == "service";
  if (!service &&
      (argc != 4 || (std::string(argv[1]) != "win64" && std::string(argv[1]) != "win32"))) {
    std::cerr << "usage: qv_msi_registry win64|win32 FILE-ID DIRECTORY-ID | qv_msi_registry "
                 "service\n";
    return 2;
  }
  pugi::xml_document doc;
  doc.append_child(pugi::node_comment)
      .set_value(" Made by qv_msi_registry from the DLL's registration table; not edited. ");
  pugi::xml_node include = doc.append_child("Include");
  include.append_attribute("xmlns") = "http://schemas.microsoft.com/wix/2006/wi";
  if (service) {
    pugi::xml_node value =
        Value(include, qv::excel::kMachineKey, qv::excel::kMachineServiceAddress);
    value.append_attribute("Type") = "string";
    value.append_attribute("Value") = "[SERVICE]";
    value.append_attribute("KeyPath") = "yes";
    doc.save(std::cout, "  ");
    return std::cout.good() ? 0 : 1;
  }
  const std::string file = std::string("[#") + argv[2] + "]";
  const std::string folder = std::string("[") + argv[3] + "]";
  for (const auto& entry : qv::excel::RegistrationEntries(file, folder, argv[1])) {
    pugi::xml_node value = Value(include, entry.key, entry.name);
    if (const auto* text = std::get_if<std::string>(&entry.value)) {
      value.append_attribute("Type") = "string";
      value.append_attribute("Value") = text->c_str();
    } else {
      value.append_attribute("Type") = "integer";
      value.append_attribute("Value") =
          std::to_string(std::get<std::uint32_t>(entry.value)).c_str();
    }
  }
  doc.save(std::cout, "  ");
  return std::cout.good() ? 0 : 1;
}
