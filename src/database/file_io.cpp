#include "database/file_io.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#endif

#include <system_error>

namespace kavor {

#ifdef _WIN32

std::filesystem::path PathFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) return std::filesystem::path(std::string(text));  // not UTF-8: as the code page reads it
  std::wstring wide(std::size_t(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), n);
  return std::filesystem::path(wide);
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(std::size_t(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), n, nullptr, nullptr);
  return text;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
  std::wstring wide_mode;
  for (const char* m = mode; *m; ++m) wide_mode += wchar_t(static_cast<unsigned char>(*m));
  return ::_wfopen(path.c_str(), wide_mode.c_str());
}

std::string Win32ErrorText(unsigned long code) {
  std::string text = std::system_category().message(int(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}

bool CanReplaceExisting(const std::filesystem::path& target, std::string& reason) {
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    // The replacement would go through; writing the file in place would not.
    reason = Win32ErrorText(ERROR_ACCESS_DENIED);
    return false;
  }
  // Opening for writing asks the file's security and any program that holds
  // it without sharing, the same questions the replacement will ask.
  const HANDLE h = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    reason = Win32ErrorText(::GetLastError());
    return false;
  }
  ::CloseHandle(h);
  return true;
}

bool ReplaceWithTemporary(const std::filesystem::path& temporary_path, const std::filesystem::path& target_path,
                          std::string& reason) {
  // ReplaceFileW works out the folder from the names: give it full ones.
  std::error_code ec;
  std::filesystem::path temporary = std::filesystem::absolute(temporary_path, ec);
  if (ec) temporary = temporary_path;
  std::filesystem::path target = std::filesystem::absolute(target_path, ec);
  if (ec) target = target_path;
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // What the user set on the file stays, whichever way it is replaced
    // (not every ReplaceFileW carries the attributes over).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    ::SetFileAttributesW(temporary.c_str(), (attributes & kKept) ? (attributes & kKept) : FILE_ATTRIBUTE_NORMAL);
    if (::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr))
      return true;
    const DWORD error = ::GetLastError();
    // The target is untouched after these two; anything else is reported.
    if (error != ERROR_UNABLE_TO_REMOVE_REPLACED && error != ERROR_FILE_NOT_FOUND) {
      reason = Win32ErrorText(error);
      return false;
    }
  }
  if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  reason = Win32ErrorText(::GetLastError());
  return false;
}

#else

std::filesystem::path PathFromUtf8(std::string_view text) { return std::filesystem::path(std::string(text)); }

std::string PathToUtf8(const std::filesystem::path& path) { return path.string(); }

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

#endif

}  // namespace kavor
