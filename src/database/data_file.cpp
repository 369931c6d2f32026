#include "database/data_file.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

namespace kavor {

int ReadDataFile(const std::filesystem::path& path, StagedImage& staged) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 1;
  int result = 0;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  int kind = 0;
  if (length == long(ImageLength(kKind3)))
    kind = kKind3;
  else if (length == long(ImageLength(kKind5)))
    kind = kKind5;
  if (kind == 0) {
    result = 2;
  } else {
    auto bytes = std::make_unique<std::uint8_t[]>(kMaxImageLength);
    std::rewind(file);
    const std::size_t got = std::fread(bytes.get(), 1, std::size_t(length), file);
    if (got != std::size_t(length)) {
      result = 3;
    } else if (!CheckSectorMarkers(bytes.get(), kind)) {
      result = 4;
    } else {
      // Counts beyond the capacity would make the index address slots that
      // do not exist; such an image is refused rather than clamped.
      const std::uint8_t* header = bytes.get() + kHeaderOffset;
      if (ReadU16(header + 4) > kTransponderSlots || ReadU16(header + 6) > ChannelCapacity(kind)) {
        result = 5;
      } else {
        staged.bytes = std::move(bytes);
        staged.kind = kind;
      }
    }
  }
  std::fclose(file);
  return result;
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
    if (n == 0) return false;
    data += n;
    length -= std::size_t(n);
  }
  return true;
}
}  // namespace

bool WriteDataFile(const std::filesystem::path& path, const Image& image) {
  const std::size_t length = image.length();
  if (length == 0) return false;
  std::filesystem::path target = path;
  // Replace the file a symlink points at, not the link itself.
  std::error_code ec;
  if (std::filesystem::is_symlink(target, ec)) {
    const auto resolved = std::filesystem::canonical(target, ec);
    if (!ec) target = resolved;
  }
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::random_device random;
  const std::string suffix = ".kavor-" + std::to_string(random()) + ".tmp";
  const std::filesystem::path temp = folder / (target.filename().string() + suffix);

  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, image.bytes(), length) && ::fsync(fd) == 0;
  // Keep the mode of the file being replaced.
  struct stat st {};
  if (ok && ::stat(target.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace kavor
