#pragma once

#include <map>
#include <optional>
#include <string>

struct zip;

namespace qv::host {

// A zip package opened for reading. Failures are HostErrors naming the file.
class ZipReader {
 public:
  explicit ZipReader(const std::string& path);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  bool Has(const std::string& name) const;
  // The part's bytes, inflated; nullopt when the package has no such part.
  std::optional<std::string> Read(const std::string& name) const;

 private:
  std::string path_;
  ::zip* archive_ = nullptr;
};

// Writes a new package of `parts` at `path`.
void WriteZip(const std::string& path, const std::map<std::string, std::string>& parts);

// Writes `parts` over the package at `from` into a new package at `to`; every other part is copied
// as it is stored, byte for byte.
void RewriteZip(const std::string& from, const std::string& to,
                const std::map<std::string, std::string>& parts);

}  // namespace qv::host
