#pragma once

#include "settings/settings.h"

namespace qv::settings {

// The per-user store of Windows programs of this kind: one REG_SZ value per key under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>. A failure of the
// registry is a SettingsError with the system's message.
class RegistrySettings : public Settings {
 public:
  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) override;
  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;
};

}  // namespace qv::settings
