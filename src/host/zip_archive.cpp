#include "host/zip_archive.h"

#include <zip.h>

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

std::optional<std::string> ZipReader::Read(const std::string& name) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(archive_, name.c_str(), 0, &st) != 0) return std::nullopt;
  if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxPart)
    Fail(path_, "has a part " + name + " too large to read.");
  zip_file_t* file = zip_fopen(archive_, name.c_str(), 0);
  if (!file)
    Fail(path_, "has a part " + name + " that cannot be read: " + zip_strerror(archive_) + ".");
  std::string data(static_cast<std::size_t>(st.size), '\0');
  zip_int64_t done = 0;
  while (done < static_cast<zip_int64_t>(st.size)) {
    const zip_int64_t n =
        zip_fread(file, data.data() + done, st.size - static_cast<zip_uint64_t>(done));
    if (n <= 0) {
      zip_fclose(file);
      Fail(path_, "has a damaged part " + name + ".");
    }
    done += n;
  }
  zip_fclose(file);
  return data;
}

namespace {

void WriteParts(const std::string& to, int flags, const std::map<std::string, std::string>& parts) {
  int error = 0;
  zip_t* archive = zip_open(to.c_str(), flags, &error);
  if (!archive) throw HostError("The workbook file " + to + " cannot be opened for writing.");
  for (const auto& [name, data] : parts) {
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (!source ||
        zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
      if (source) zip_source_free(source);
      const std::string message = zip_strerror(archive);
      zip_discard(archive);
      throw HostError("The part " + name + " cannot be written into " + to + ": " + message + ".");
    }
  }
  if (zip_close(archive) != 0) {
    const std::string message = zip_strerror(archive);
    zip_discard(archive);
    throw HostError("The workbook file " + to + " cannot be written: " + message + ".");
  }
}

}  // namespace

void WriteZip(const std::string& path, const std::map<std::string, std::string>& parts) {
  WriteParts(path, ZIP_CREATE | ZIP_EXCL, parts);
}

void RewriteZip(const std::string& from, const std::string& to,
                const std::map<std::string, std::string>& parts) {
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec)
    throw HostError("The workbook file " + from + " cannot be copied for saving: " + ec.message() +
                    ".");
  WriteParts(to, 0, parts);
}

}  // namespace qv::host
