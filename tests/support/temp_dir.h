#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qv::testing {

// A folder of its own for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // A copy of a fixture of tests/data in this folder.
  std::filesystem::path Copy(const std::string& fixture) const {
    const auto to = path_ / fixture;
    std::filesystem::copy_file(std::filesystem::path(QV_TEST_DATA) / fixture, to);
    return to;
  }
  static std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteFile(const std::filesystem::path& p, const std::string& data) {
    std::ofstream(p, std::ios::binary) << data;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace qv::testing
