#include "settings/ini_file_settings_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/replace_file_posix.h"
#include "values/text.h"

namespace qv::settings {
namespace {

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& what) {
  throw SettingsError("The settings file " + file.string() + " " + what);
}

}  // namespace

IniFileSettings::IniFileSettings(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path IniFileSettings::DefaultRoot() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".config";
}

std::filesystem::path IniFileSettings::FileOf(const std::string& app) const {
  return root_ / app / "settings.ini";
}

IniFileSettings::Sections IniFileSettings::Read(const std::string& app) const {
  const auto file = FileOf(app);
  Sections sections;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return sections;
  std::ifstream in(file, std::ios::binary);
  if (!in) Fail(file, "could not be read: " + std::string(std::strerror(errno)) + ".");
  std::string line;
  std::string section;
  bool inSection = false;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string where = "is damaged at line " + std::to_string(number) + ": ";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3)
        Fail(file, where + "a section name is not closed by \"]\".");
      section = line.substr(1, line.size() - 2);
      inSection = true;
      sections[section];
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos || eq == 0) Fail(file, where + "\"key=value\" was expected.");
    if (!inSection) Fail(file, where + "a key stands before any section.");
    std::string value;
    if (!UnescapeLineBreaks(line.substr(eq + 1), value))
      Fail(file, where + "a value has a broken \"\\\" escape.");
    sections[section][line.substr(0, eq)] = value;
  }
  if (in.bad()) Fail(file, "could not be read to its end.");
  return sections;
}

void IniFileSettings::Write(const std::string& app, const Sections& sections) const {
  const auto file = FileOf(app);
  std::ostringstream text;
  for (const auto& [section, keys] : sections) {
    text << '[' << section << "]\n";
    for (const auto& [key, value] : keys) text << key << '=' << EscapeLineBreaks(value) << '\n';
    text << '\n';
  }
  const std::string data = text.str();

  try {
    host::ReplaceFile(file, data, 0600, {}, beforeRename_);
  } catch (const host::ReplaceError& e) {
    Fail(file, e.what());
  }
}

std::optional<std::string> IniFileSettings::Get(const std::string& app, const std::string& section,
                                                const std::string& key) {
  const Sections sections = Read(app);
  const auto s = sections.find(section);
  if (s == sections.end()) return std::nullopt;
  const auto k = s->second.find(key);
  if (k == s->second.end()) return std::nullopt;
  return k->second;
}

void IniFileSettings::Save(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) {
  SaveAll(app, {{section, key, value}});
}

void IniFileSettings::SaveAll(const std::string& app, const std::vector<Entry>& entries) {
  const auto file = FileOf(app);
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (ec)
    Fail(file, "could not be written: its folder could not be created (" + ec.message() + ").");
  // The lock is the folder's, which stays while the file itself is replaced; it goes with the
  // descriptor, also when the process dies.
  const int folder = ::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) Fail(file, "could not be written: " + std::string(std::strerror(errno)) + ".");
  while (::flock(folder, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int e = errno;
      ::close(folder);
      Fail(file, "could not be locked for writing: " + std::string(std::strerror(e)) + ".");
    }
  }
  try {
    Sections sections = Read(app);
    for (const auto& e : entries) sections[e.section][e.key] = e.value;
    Write(app, sections);
  } catch (...) {
    ::close(folder);
    throw;
  }
  ::close(folder);
}

}  // namespace qv::settings
