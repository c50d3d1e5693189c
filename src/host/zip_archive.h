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

// A new package of `parts`, as bytes.
std::string ZipBytes(const std::map<std::string, std::string>& parts);

// The package at `from` with `parts` written over it, as bytes; every other part is copied as it
// is stored, byte for byte.
std::string RewrittenZipBytes(const std::string& from,
                              const std::map<std::string, std::string>& parts);

}  // namespace qv::host
