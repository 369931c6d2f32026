// File access that takes std::filesystem::path on every platform. On Windows
// a path goes to the system as UTF-16 (so folder names outside the ANSI code
// page work), and text that names a file is UTF-8 in both directions.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kavor {

// A path from UTF-8 text (a command-line argument, a setting). On POSIX the
// bytes are the name; on Windows they are decoded, where the plain
// std::filesystem::path(std::string) conversion would read the ANSI code page.
std::filesystem::path PathFromUtf8(std::string_view text);
// The path as UTF-8 text.
std::string PathToUtf8(const std::filesystem::path& path);

// std::fopen with the path as the system takes it (_wfopen on Windows).
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

#ifdef _WIN32
// The Windows side of a save through a temporary file: whether an existing
// target may be replaced by this user (not read-only, writable, not held
// without sharing), and the replacement itself, which keeps the target's
// attributes and security (ReplaceFileW) or moves the new file into place.
bool CanReplaceExisting(const std::filesystem::path& target, std::string& reason);
bool ReplaceWithTemporary(const std::filesystem::path& temporary, const std::filesystem::path& target,
                          std::string& reason);
// The system's text for a Win32 error code.
std::string Win32ErrorText(unsigned long code);
#endif

}  // namespace kavor
