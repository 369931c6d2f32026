#include "database/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace kavor {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void SetReason(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
}

int FirstBadSector(const std::uint8_t* bytes, int kind) {
  for (int s = 0; s < SectorCount(kind); ++s)
    if (ReadU16(bytes + kSectorSize * std::size_t(s) + kSectorMarkerOffset) != kSectorMarker) return s;
  return -1;
}

}  // namespace

int ReadDataFile(const std::filesystem::path& path, StagedImage& staged, std::string* reason) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    SetReason(reason, std::strerror(errno));
    return 1;
  }
  // fopen happily opens a folder; it cannot be read as a file.
  struct stat st {};
  if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
    SetReason(reason, S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file");
    return 1;
  }
  long length = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0) length = std::ftell(file.get());
  int kind = 0;
  if (length == long(ImageLength(kKind3)))
    kind = kKind3;
  else if (length == long(ImageLength(kKind5)))
    kind = kKind5;
  if (kind == 0) {
    SetReason(reason, std::to_string(length) + " bytes; a data file has " + std::to_string(ImageLength(kKind3)) +
                          " or " + std::to_string(ImageLength(kKind5)));
    return 2;
  }
  auto bytes = std::make_unique<std::uint8_t[]>(kMaxImageLength);
  std::rewind(file.get());
  const std::size_t got = std::fread(bytes.get(), 1, std::size_t(length), file.get());
  if (got != std::size_t(length)) {
    SetReason(reason, "read " + std::to_string(got) + " of " + std::to_string(length) + " bytes");
    return 3;
  }
  if (const int bad = FirstBadSector(bytes.get(), kind); bad >= 0) {
    SetReason(reason, "sector " + std::to_string(bad) + " lacks its marker");
    return 4;
  }
  // Counts beyond the capacity would make the index address slots that do
  // not exist; such an image is refused rather than clamped.
  if (!HeaderCountsFit(bytes.get(), kind)) {
    const std::uint8_t* header = bytes.get() + kHeaderOffset;
    SetReason(reason, "the header counts " + std::to_string(ReadU16(header + 4)) + " transponders and " +
                          std::to_string(ReadU16(header + 6)) + " channels; the image holds " +
                          std::to_string(kTransponderSlots) + " and " + std::to_string(ChannelCapacity(kind)));
    return 5;
  }
  staged.bytes = std::move(bytes);
  staged.kind = kind;
  return 0;
}

std::string FileOpenErrorText(int code) {
  return "File open error (" + std::to_string(code) + ")";
}

namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    length -= std::size_t(n);
  }
  return true;
}

}  // namespace

PendingSave::~PendingSave() { Abandon(); }

bool PendingSave::Fail(int error) {
  reason_ = std::strerror(error);
  Abandon();
  return false;
}

void PendingSave::Abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool PendingSave::Begin(const std::filesystem::path& path) {
  Abandon();
  reason_.clear();
  target_ = path;
  if (target_.empty()) return Fail(ENOENT);
  // Replace the file a symlink points at, not the link itself.
  std::error_code ec;
  if (std::filesystem::is_symlink(target_, ec)) {
    const auto resolved = std::filesystem::canonical(target_, ec);
    if (!ec) target_ = resolved;
  }
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(st.st_mode)) {
      reason_ = "not a regular file";
      return false;
    }
    // The rename would replace a file the user made read-only; writing it in
    // place would be refused, so the save is too. (Root passes this check.)
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
  }
  const std::filesystem::path folder =
      target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
  // A short name of its own: the target's name plus a suffix could pass the
  // 255-byte limit of a file name.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".kavor-%08x.tmp", unsigned(random()));
    const std::filesystem::path temp = folder / name;
    fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temp_ = temp;
      break;
    }
    if (errno != EEXIST) return Fail(errno);
  }
  if (fd_ < 0) return Fail(EEXIST);
  // Keep the mode of the file being replaced.
  if (exists) (void)::fchmod(fd_, st.st_mode & 07777);
  return true;
}

bool PendingSave::Commit(const std::uint8_t* bytes, std::size_t length) {
  if (fd_ < 0) {
    if (reason_.empty()) reason_ = "no save was begun";
    return false;
  }
  if (!WriteAll(fd_, bytes, length) || ::fsync(fd_) != 0) return Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return Fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
  temp_.clear();
  // Make the rename itself durable.
  const std::filesystem::path folder =
      target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool WriteDataFile(const std::filesystem::path& path, const Image& image, std::string* reason) {
  PendingSave save;
  const bool ok = image.length() != 0 && save.Begin(path) && save.Commit(image.bytes(), image.length());
  if (reason) *reason = ok ? std::string() : (save.reason().empty() ? "no image" : save.reason());
  return ok;
}

}  // namespace kavor
