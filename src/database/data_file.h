// Data files: the image stored raw, 0x28000 (kind 3) or 0x3D000 (kind 5) bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "database/image.h"

namespace kavor {

// A file read and checked in full, not yet installed.
struct StagedImage {
  std::unique_ptr<std::uint8_t[]> bytes;  // kMaxImageLength bytes
  int kind = 0;
};

// 0 when accepted, else the number of the "File open error (N)" message:
// 1 cannot be opened as a file, 2 wrong length, 3 short read, 4 sector marker,
// 5 header counts beyond the capacity. `reason`, when given, receives a short
// explanation for messages that name it (the system's error, the length).
int ReadDataFile(const std::filesystem::path& path, StagedImage& staged, std::string* reason = nullptr);
std::string FileOpenErrorText(int code);

inline constexpr const char* kFileSaveError = "File save error";

// A save in two steps, so that callers can find an unwritable target before
// doing any work: Begin creates a temporary file in the target's folder,
// Commit writes the bytes, flushes them and renames the temporary file over
// the target. The target is never touched before Commit succeeds; destroyed
// or abandoned without a commit, the temporary file is removed.
class PendingSave {
 public:
  PendingSave() = default;
  ~PendingSave();
  PendingSave(const PendingSave&) = delete;
  PendingSave& operator=(const PendingSave&) = delete;

  // False when the target cannot be written: an existing target that is not
  // writable by this user (as writing it in place would be refused) or not a
  // regular file, or a folder where no file can be created. A symlink is
  // followed, so its target is replaced and the link stays.
  bool Begin(const std::filesystem::path& path);
  bool Commit(const std::uint8_t* bytes, std::size_t length);
  void Abandon();
  // The system's reason for the last failure ("Permission denied", ...).
  const std::string& reason() const { return reason_; }
  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temporary() const { return temp_; }

 private:
  bool Fail(int error);

  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
  std::string reason_;
};

// Begin + Commit with the image's length bytes.
bool WriteDataFile(const std::filesystem::path& path, const Image& image, std::string* reason = nullptr);

// The same with the path as UTF-8 text (a document path, an argument): on
// Windows the plain conversion to a path would read the ANSI code page.
int ReadDataFile(const std::string& utf8_path, StagedImage& staged, std::string* reason = nullptr);
int ReadDataFile(const char* utf8_path, StagedImage& staged, std::string* reason = nullptr);
bool WriteDataFile(const std::string& utf8_path, const Image& image, std::string* reason = nullptr);
bool WriteDataFile(const char* utf8_path, const Image& image, std::string* reason = nullptr);

}  // namespace kavor
