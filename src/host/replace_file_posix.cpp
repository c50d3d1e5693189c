#include "host/replace_file_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace qv::host {
namespace {

std::string Reason(const std::string& what, int error) {
  return what + " (" + std::strerror(error) + ").";
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, so that a failing close is seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The file a path names: a symbolic link (or a chain of them) is followed, even to a file that
// does not exist yet.
std::filesystem::path Resolve(const std::filesystem::path& path) {
  std::filesystem::path p = std::filesystem::absolute(path);
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
    const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
    if (ec) return p;
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  throw ReplaceError(Reason("cannot be written: its symbolic links go round in a circle", ELOOP));
}

std::string HiddenName(const std::string& name) {
  static thread_local std::mt19937 draw(std::random_device{}());
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string out = "." + name + ".";
  for (int i = 0; i < 6; ++i) out += kLetters[draw() % (sizeof kLetters - 1)];
  return out;
}

// A new file in the folder: without a name where the file system allows it, else under a hidden
// name (set in `hidden`).
int NewFile(int dir, const std::string& name, mode_t mode, std::string& hidden) {
  const int fd = ::openat(dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (fd >= 0) return fd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    hidden = HiddenName(name);
    const int named = ::openat(dir, hidden.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (named >= 0) return named;
    if (errno != EEXIST) break;
  }
  hidden.clear();
  throw ReplaceError(Reason("cannot be written beside itself", errno));
}

void WriteAll(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw ReplaceError(Reason("cannot be written", n < 0 ? errno : ENOSPC));
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

void ReplaceFile(const std::filesystem::path& path, std::string_view data, mode_t newMode,
                 const std::function<void(const std::string& written)>& check,
                 const std::function<void()>& beforeRename) {
  const std::filesystem::path target = Resolve(path);
  const std::string name = target.filename().string();
  const std::string folder = target.parent_path().string();
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0)
    throw ReplaceError(Reason("cannot be written: its folder cannot be opened", errno));

  struct stat old {};
  const bool exists = ::fstatat(dir.get(), name.c_str(), &old, 0) == 0;
  const mode_t mode = exists ? (old.st_mode & 07777) : newMode;

  std::string hidden;
  Descriptor file(NewFile(dir.get(), name, mode, hidden));
  const bool unnamed = hidden.empty();
  const auto forget = [&] {
    if (!hidden.empty()) ::unlinkat(dir.get(), hidden.c_str(), 0);
  };
  try {
    if (exists) {
      // The creation mask has no say over the mode of a file that is only replaced.
      if (::fchmod(file.get(), mode) != 0) throw ReplaceError(Reason("cannot be written", errno));
      // Another owner is kept where this process may give files away; elsewhere the file is ours.
      (void)!::fchown(file.get(), old.st_uid, old.st_gid);
    }
    WriteAll(file.get(), data);
    if (::fsync(file.get()) != 0) throw ReplaceError(Reason("cannot be written", errno));
    const std::string written =
        unnamed ? "/proc/self/fd/" + std::to_string(file.get()) : folder + "/" + hidden;
    if (check) check(written);
    if (beforeRename) beforeRename();
    if (unnamed) {
      for (int attempt = 0; attempt < 100; ++attempt) {
        hidden = HiddenName(name);
        if (::linkat(AT_FDCWD, written.c_str(), dir.get(), hidden.c_str(), AT_SYMLINK_FOLLOW) == 0)
          break;
        const int e = errno;
        hidden.clear();
        if (e != EEXIST) throw ReplaceError(Reason("cannot be written", e));
      }
      if (hidden.empty()) throw ReplaceError(Reason("cannot be written", EEXIST));
    }
    if (!file.Close()) throw ReplaceError(Reason("cannot be written", errno));
    if (::renameat(dir.get(), hidden.c_str(), dir.get(), name.c_str()) != 0)
      throw ReplaceError(Reason("cannot be replaced", errno));
  } catch (...) {
    forget();
    throw;
  }
  // The new name lasts only once the folder is on disk too.
  if (::fsync(dir.get()) != 0) throw ReplaceError(Reason("was replaced but not flushed", errno));
}

}  // namespace qv::host
