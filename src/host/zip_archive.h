#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct zip;
struct zip_file;

namespace qv::host {

// A part of a package being inflated, a piece at a time. Failures are HostErrors naming the file
// and the part.
class ZipPart {
 public:
  ZipPart(std::string path, std::string name, ::zip_file* file, std::size_t size)
      : path_(std::move(path)), name_(std::move(name)), file_(file), size_(size) {}
  ~ZipPart();
  ZipPart(const ZipPart&) = delete;
  ZipPart& operator=(const ZipPart&) = delete;

  // The inflated size the package gives.
  std::size_t Size() const { return size_; }
  // Inflates up to `n` more bytes into `into`: how many, 0 at the end of the part. The end is
  // given only when the part's checksum and size are right; a damaged part fails.
  std::size_t Read(char* into, std::size_t n);

 private:
  std::string path_;
  std::string name_;
  ::zip_file* file_;
  std::size_t size_;
  std::size_t done_ = 0;
  bool checked_ = false;
};

// A part inflated on a thread of its own, a few pieces ahead of its reader, so that inflating and
// reading what is inflated take a core each. Read is ZipPart::Read, failures included.
class ZipPartAhead {
 public:
  explicit ZipPartAhead(ZipPart& part);
  // Stops the inflating thread, wherever it is.
  ~ZipPartAhead();
  ZipPartAhead(const ZipPartAhead&) = delete;
  ZipPartAhead& operator=(const ZipPartAhead&) = delete;

  std::size_t Read(char* into, std::size_t n);

  // The size of a piece, and how many pieces may wait to be read.
  static constexpr std::size_t kPiece = 256 * 1024;
  static constexpr std::size_t kPiecesAhead = 4;

 private:
  void Inflate();
  ZipPart& part_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<char>> ready_;  // inflated, in order
  std::vector<std::vector<char>> spare_;
  bool ended_ = false;
  bool stop_ = false;
  std::exception_ptr failure_;
  std::vector<char> current_;  // the piece being read
  std::size_t at_ = 0;
  std::thread thread_;
};

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
  // The part opened for reading a piece at a time; null when the package has no such part.
  std::unique_ptr<ZipPart> Open(const std::string& name) const;

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
