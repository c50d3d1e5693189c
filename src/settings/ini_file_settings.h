#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "settings/settings.h"

namespace qv::settings {

// One ini file per application: <root>/<app>/settings.ini, where root is $XDG_CONFIG_HOME, else
// ~/.config. Values are written with \\, \n and \r escaped, so any text survives. Every save
// rewrites the file through a temporary file in the same folder (written, flushed, renamed), with
// mode 0600 because the proxy password is kept in clear. A file that cannot be read is reported as
// a SettingsError and is never overwritten.
class IniFileSettings : public Settings {
 public:
  explicit IniFileSettings(std::filesystem::path root);
  // The root of the current user: $XDG_CONFIG_HOME, else $HOME/.config.
  static std::filesystem::path DefaultRoot();

  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) override;
  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;

  std::filesystem::path FileOf(const std::string& app) const;
  // Runs between writing the temporary file and renaming it; lets a test stop a save there.
  void SetBeforeRename(std::function<void()> hook) { beforeRename_ = std::move(hook); }

 private:
  using Sections = std::map<std::string, std::map<std::string, std::string>>;
  Sections Read(const std::string& app) const;
  void Write(const std::string& app, const Sections& sections) const;

  std::filesystem::path root_;
  std::function<void()> beforeRename_;
};

}  // namespace qv::settings
