#pragma once

#include <optional>
#include <string>
#include <vector>

#include "values/errors.h"

namespace qv::settings {

// The application name under which the add-in keeps its settings.
inline constexpr const char* kAppName = "QuorvalentExcel";

class SettingsError : public AddinError {
 public:
  explicit SettingsError(const std::string& description)
      : AddinError(error::kFileAccess, description) {}
};

// The per-user settings store: texts under application, section and key.
class Settings {
 public:
  virtual ~Settings() = default;
  virtual std::optional<std::string> Get(const std::string& app, const std::string& section,
                                         const std::string& key) = 0;
  virtual void Save(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& value) = 0;

  // A section, key and value.
  struct Entry {
    std::string section, key, value;
  };
  // The keys of one action (a dialog's OK), in order. A store that can write them together does,
  // so that they are kept all or none; this one saves them one by one, as Save would.
  virtual void SaveAll(const std::string& app, const std::vector<Entry>& entries) {
    for (const auto& e : entries) Save(app, e.section, e.key, e.value);
  }

  // The stored text, or `fallback` when the key is absent.
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback = "") {
    return Get(app, section, key).value_or(fallback);
  }
};

}  // namespace qv::settings
