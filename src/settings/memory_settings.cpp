#include "settings/memory_settings.h"

namespace qv::settings {

std::optional<std::string> MemorySettings::Get(const std::string& app, const std::string& section,
                                               const std::string& key) {
  const auto it = values_.find({app, section, key});
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemorySettings::Save(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& value) {
  values_[{app, section, key}] = value;
}

}  // namespace qv::settings
