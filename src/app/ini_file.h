// Private-profile (INI) files: case-insensitive section and key names; a write
// keeps every other section, key, comment and blank line as it was. A leading
// UTF-8 byte-order mark is no part of the first line (and is kept).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kavor {

class IniText {
 public:
  IniText() = default;
  explicit IniText(std::string text) : text_(std::move(text)) {}
  // Value of the first matching key of the first matching section, trimmed.
  bool Get(std::string_view section, std::string_view key, std::string& value) const;
  // Replaces the key's value, or appends the key (and the section if needed).
  // False, and nothing changed, when any of the three holds a CR or LF.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

std::string GetPrivateProfileString(const std::filesystem::path& file, std::string_view section,
                                    std::string_view key, std::string_view fallback);
// Leading decimal digits (with an optional sign) as GetPrivateProfileInt reads them.
int GetPrivateProfileInt(const std::filesystem::path& file, std::string_view section,
                         std::string_view key, int fallback);
// Creates the file or section when missing. A symlink is followed: the file
// it names is replaced, with its mode and owner, and the link stays. Returns
// false, leaving the file as it was, when the file exists but cannot be read
// (its other settings would be lost) or written by this user, when the value
// holds a line break, or when the write failed (the settings never report
// it, but tests do).
bool WritePrivateProfileString(const std::filesystem::path& file, std::string_view section,
                               std::string_view key, std::string_view value);

}  // namespace kavor
