#include "database/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "database/file_io.h"

namespace kavor {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

#ifdef _WIN32
// The CRT's descriptors stand in for POSIX ones; _commit is FlushFileBuffers.
using FileStat = struct _stat64;
int StatPath(const std::filesystem::path& p, FileStat& st) { return ::_wstat64(p.c_str(), &st); }
int StatOpen(int fd, FileStat& st) { return ::_fstat64(fd, &st); }
bool IsRegular(const FileStat& st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
bool IsFolder(const FileStat& st) { return (st.st_mode & _S_IFMT) == _S_IFDIR; }
int CreateExclusive(const std::filesystem::path& p) {
  return ::_wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const std::uint8_t* data, std::size_t length) {
  return ::_write(fd, data, unsigned(length > 0x40000000u ? 0x40000000u : length));
}
int SyncFile(int fd) { return ::_commit(fd); }
int CloseFile(int fd) { return ::_close(fd); }
void RemoveFile(const std::filesystem::path& p) { ::_wunlink(p.c_str()); }
#else
using FileStat = struct stat;
int StatPath(const std::filesystem::path& p, FileStat& st) { return ::stat(p.c_str(), &st); }
int StatOpen(int fd, FileStat& st) { return ::fstat(fd, &st); }
bool IsRegular(const FileStat& st) { return S_ISREG(st.st_mode); }
bool IsFolder(const FileStat& st) { return S_ISDIR(st.st_mode); }
int CreateExclusive(const std::filesystem::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
ssize_t WriteSome(int fd, const std::uint8_t* data, std::size_t length) { return ::write(fd, data, length); }
int SyncFile(int fd) { return ::fsync(fd); }
int CloseFile(int fd) { return ::close(fd); }
void RemoveFile(const std::filesystem::path& p) { ::unlink(p.c_str()); }
#endif

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
  FilePtr file(OpenFile(path, "rb"));
  if (!file) {
    const int error = errno;
#ifdef _WIN32
    // Windows refuses to open a folder at all, as "access denied".
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      SetReason(reason, std::strerror(EISDIR));
      return 1;
    }
#endif
    SetReason(reason, std::strerror(error));
    return 1;
  }
  // fopen happily opens a folder; it cannot be read as a file.
  FileStat st {};
  if (StatOpen(::fileno(file.get()), st) != 0 || !IsRegular(st)) {
    SetReason(reason, IsFolder(st) ? std::strerror(EISDIR) : "not a regular file");
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
    const auto n = WriteSome(fd, data, length);
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
  if (fd_ >= 0) CloseFile(fd_);
  fd_ = -1;
  if (!temp_.empty()) RemoveFile(temp_);
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
  FileStat st {};
  const bool exists = StatPath(target_, st) == 0;
  if (exists) {
    if (IsFolder(st)) return Fail(EISDIR);
    if (!IsRegular(st)) {
      reason_ = "not a regular file";
      return false;
    }
    // The rename would replace a file the user made read-only; writing it in
    // place would be refused, so the save is too. (Root passes this check.)
#ifdef _WIN32
    if (!CanReplaceExisting(target_, reason_)) return false;
#else
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
#endif
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
    fd_ = CreateExclusive(temp);
    if (fd_ >= 0) {
      temp_ = temp;
      break;
    }
    if (errno != EEXIST) return Fail(errno);
  }
  if (fd_ < 0) return Fail(EEXIST);
#ifndef _WIN32
  // Keep the mode of the file being replaced. (On Windows the replacement
  // keeps the target's attributes and security.)
  if (exists) (void)::fchmod(fd_, st.st_mode & 07777);
#endif
  return true;
}

bool PendingSave::Commit(const std::uint8_t* bytes, std::size_t length) {
  if (fd_ < 0) {
    if (reason_.empty()) reason_ = "no save was begun";
    return false;
  }
  if (!WriteAll(fd_, bytes, length) || SyncFile(fd_) != 0) return Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (CloseFile(fd) != 0) return Fail(errno);
#ifdef _WIN32
  if (!ReplaceWithTemporary(temp_, target_, reason_)) {
    const std::string why = reason_;
    Abandon();
    reason_ = why;
    return false;
  }
  temp_.clear();
  return true;
#else
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
#endif
}

int ReadDataFile(const std::string& utf8_path, StagedImage& staged, std::string* reason) {
  return ReadDataFile(PathFromUtf8(utf8_path), staged, reason);
}

int ReadDataFile(const char* utf8_path, StagedImage& staged, std::string* reason) {
  return ReadDataFile(PathFromUtf8(utf8_path), staged, reason);
}

bool WriteDataFile(const std::string& utf8_path, const Image& image, std::string* reason) {
  return WriteDataFile(PathFromUtf8(utf8_path), image, reason);
}

bool WriteDataFile(const char* utf8_path, const Image& image, std::string* reason) {
  return WriteDataFile(PathFromUtf8(utf8_path), image, reason);
}

bool WriteDataFile(const std::filesystem::path& path, const Image& image, std::string* reason) {
  PendingSave save;
  const bool ok = image.length() != 0 && save.Begin(path) && save.Commit(image.bytes(), image.length());
  if (reason) *reason = ok ? std::string() : (save.reason().empty() ? "no image" : save.reason());
  return ok;
}

}  // namespace kavor
