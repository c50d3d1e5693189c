#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "settings/settings.h"

namespace qv::settings {

// One ini file per application: <root>/<app>/settings.ini, where root is $XDG_CONFIG_HOME, else
// ~/.config. Values are written with \\, \n and \r escaped, so any text survives. Every save
// replaces the file whole (see ReplaceFile); a new file gets mode 0600 because the proxy password
// is kept in clear. Each save reads, changes and writes the file holding an exclusive lock on its
// folder, so that processes saving at once lose none of each other's keys; SaveAll writes its
// keys in one go. A file that cannot be read is reported as a SettingsError and is never
// overwritten.
class IniFileSettings : public Settings {
 public:
  explicit IniFileSettings(std::filesystem::path root);
  // The root of the current user: $XDG_CONFIG_HOME, else $HOME/.config.
  static std::filesystem::path DefaultRoot();

  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) override;
  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& value) override;
  void SaveAll(const std::string& app, const std::vector<Entry>& entries) override;

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
