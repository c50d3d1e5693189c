#include "host/zip_archive.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/host.h"

namespace qv::host {
namespace {

// A part larger than this is no workbook part but an attack on memory.
constexpr zip_uint64_t kMaxPart = 1ull << 30;

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw HostError("The workbook file " + path + " " + what);
}

}  // namespace

ZipReader::ZipReader(const std::string& path) : path_(path) {
  int error = 0;
  archive_ = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive_) {
    if (error == ZIP_ER_NOENT || error == ZIP_ER_OPEN)
      Fail(path, "cannot be opened: it does not exist or cannot be read.");
    if (error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS)
      Fail(path, "is not a workbook: it is not a zip package.");
    zip_error_t e;
    zip_error_init_with_code(&e, error);
    const std::string message = zip_error_strerror(&e);
    zip_error_fini(&e);
    Fail(path, "cannot be read: " + message + ".");
  }
}

ZipReader::~ZipReader() {
  if (archive_) zip_discard(archive_);
}

bool ZipReader::Has(const std::string& name) const {
  return zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

std::unique_ptr<ZipPart> ZipReader::Open(const std::string& name) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(archive_, name.c_str(), 0, &st) != 0) return nullptr;
  if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxPart)
    Fail(path_, "has a part " + name + " too large to read.");
  zip_file_t* file = zip_fopen(archive_, name.c_str(), 0);
  if (!file)
    Fail(path_, "has a part " + name + " that cannot be read: " + zip_strerror(archive_) + ".");
  return std::make_unique<ZipPart>(path_, name, file, static_cast<std::size_t>(st.size));
}

ZipPart::~ZipPart() { zip_fclose(file_); }

std::size_t ZipPart::Read(char* into, std::size_t n) {
  if (done_ == size_) {
    // A read past the size makes the library check that the part ends there and that its
    // checksum is right.
    char extra;
    if (!checked_ && zip_fread(file_, &extra, 1) != 0)
      Fail(path_, "has a damaged part " + name_ + ".");
    checked_ = true;
    return 0;
  }
  const zip_int64_t got = zip_fread(file_, into, std::min(n, size_ - done_));
  if (got < 0 || (got == 0 && n > 0)) Fail(path_, "has a damaged part " + name_ + ".");
  done_ += static_cast<std::size_t>(got);
  return static_cast<std::size_t>(got);
}

ZipPartAhead::ZipPartAhead(ZipPart& part) : part_(part), thread_([this] { Inflate(); }) {}

ZipPartAhead::~ZipPartAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ZipPartAhead::Inflate() {
  for (;;) {
    std::vector<char> piece;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ready_.size() < kPiecesAhead; });
      if (stop_) return;
      if (!spare_.empty()) {
        piece = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    piece.resize(kPiece);
    std::size_t got = 0;
    std::exception_ptr failure;
    try {
      got = part_.Read(piece.data(), piece.size());
    } catch (...) {
      failure = std::current_exception();  // handed to the reader, who throws it
    }
    piece.resize(got);
    {
      std::lock_guard lock(mutex_);
      if (failure)
        failure_ = failure;
      else if (got == 0)
        ended_ = true;
      else
        ready_.push_back(std::move(piece));
    }
    changed_.notify_all();
    if (failure || got == 0) return;
  }
}

std::size_t ZipPartAhead::Read(char* into, std::size_t n) {
  if (at_ == current_.size()) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || ended_ || failure_; });
    if (ready_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return 0;
    }
    spare_.push_back(std::move(current_));
    current_ = std::move(ready_.front());
    ready_.pop_front();
    at_ = 0;
    lock.unlock();
    changed_.notify_all();
  }
  const std::size_t count = std::min(n, current_.size() - at_);
  std::memcpy(into, current_.data() + at_, count);
  at_ += count;
  return count;
}

std::optional<std::string> ZipReader::Read(const std::string& name) const {
  const auto part = Open(name);
  if (!part) return std::nullopt;
  // The size the archive's directory gives is a claim the bytes may not bear out: the text grows
  // with what is inflated, so that a part claiming hundreds of megabytes costs only what it holds.
  constexpr std::size_t kPiece = 1 << 16;
  std::string data;
  data.reserve(std::min<std::size_t>(part->Size(), kPiece));
  std::size_t done = 0;
  for (;;) {
    if (data.size() - done < kPiece) data.resize(done + kPiece);
    const std::size_t got = part->Read(data.data() + done, data.size() - done);
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  return data;
}

namespace {

// Writes `parts` into the archive held by the buffer `source` (taken over; empty for a new one)
// and gives the new archive's bytes.
std::string WriteParts(zip_source_t* source, int flags,
                       const std::map<std::string, std::string>& parts, const std::string& what) {
  zip_error_t error;
  zip_error_init(&error);
  zip_t* archive = zip_open_from_source(source, flags, &error);
  if (!archive) {
    zip_source_free(source);
    const std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw HostError("The workbook file " + what + " cannot be opened for writing: " + message +
                    ".");
  }
  zip_error_fini(&error);
  // The source outlives the archive: it holds the new bytes once the archive is closed.
  zip_source_keep(source);
  const auto drop = [&] {
    const std::string message = zip_strerror(archive);
    zip_discard(archive);
    zip_source_free(source);
    return message;
  };
  for (const auto& [name, data] : parts) {
    zip_source_t* part = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (!part ||
        zip_file_add(archive, name.c_str(), part, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
      if (part) zip_source_free(part);
      throw HostError("The part " + name + " cannot be written into " + what + ": " + drop() + ".");
    }
  }
  if (zip_close(archive) != 0)
    throw HostError("The workbook file " + what + " cannot be written: " + drop() + ".");
  std::string out;
  zip_stat_t st;
  zip_stat_init(&st);
  bool ok = zip_source_stat(source, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
            zip_source_open(source) == 0;
  if (ok) {
    out.resize(static_cast<std::size_t>(st.size));
    ok = zip_source_read(source, out.data(), st.size) == static_cast<zip_int64_t>(st.size);
    zip_source_close(source);
  }
  zip_source_free(source);
  if (!ok) throw HostError("The workbook file " + what + " cannot be written.");
  return out;
}

}  // namespace

std::string ZipBytes(const std::map<std::string, std::string>& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_error_fini(&error);
  if (!source) throw HostError("A new workbook cannot be made: out of memory.");
  return WriteParts(source, ZIP_CREATE | ZIP_TRUNCATE, parts, "(new)");
}

std::string RewrittenZipBytes(const std::string& from,
                              const std::map<std::string, std::string>& parts) {
  // The source owns the buffer it is given: a write into it replaces, and frees, that buffer.
  std::error_code ec;
  const auto size = static_cast<std::size_t>(std::filesystem::file_size(from, ec));
  void* bytes = ec ? nullptr : std::malloc(std::max<std::size_t>(size, 1));
  std::FILE* file = bytes ? std::fopen(from.c_str(), "rb") : nullptr;
  const bool read = file && std::fread(bytes, 1, size, file) == size;
  if (file) std::fclose(file);
  zip_source_t* source = nullptr;
  if (read) {
    zip_error_t error;
    zip_error_init(&error);
    source = zip_source_buffer_create(bytes, size, 1, &error);
    zip_error_fini(&error);
  }
  if (!source) {
    std::free(bytes);
    throw HostError("The workbook file " + from + " cannot be read for saving.");
  }
  return WriteParts(source, 0, parts, from);
}

}  // namespace qv::host
