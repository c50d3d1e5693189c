#pragma once

#include <map>
#include <string>
#include <tuple>

#include "settings/settings.h"

namespace qv::settings {

// The settings store of the tests: every key in one map, nothing on disk.
class MemorySettings : public Settings {
 public:
  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) override;
  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;
  using Values = std::map<std::tuple<std::string, std::string, std::string>, std::string>;
  const Values& All() const { return values_; }

 private:
  Values values_;
};

}  // namespace qv::settings
