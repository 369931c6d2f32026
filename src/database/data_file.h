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
// 1 cannot open, 2 wrong length, 3 short read, 4 sector marker, 5 header
// counts beyond the capacity.
int ReadDataFile(const std::filesystem::path& path, StagedImage& staged);
std::string FileOpenErrorText(int code);

// Writes the image's length bytes through a temporary file in the same folder
// that replaces the target only once it is completely written and flushed.
bool WriteDataFile(const std::filesystem::path& path, const Image& image);
inline constexpr const char* kFileSaveError = "File save error";

}  // namespace kavor
