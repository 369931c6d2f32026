// The two settings kept between runs, in Kavor.ini of the directory that was
// current when the form was initialised.
#pragma once

#include <filesystem>
#include <string>

namespace kavor {

inline constexpr const char* kSettingsSection = "Kavor";
inline constexpr const char* kDefaultPathName = ".\\*.bin";

class Settings {
 public:
  // Fixes the file's location; a later change of directory does not move it.
  void Locate(const std::filesystem::path& current_directory);
  const std::filesystem::path& path() const { return path_; }

  std::string ReadPathName() const;
  // 0..3; anything else stored is read as 0.
  int ReadComPort() const;
  void WritePathName(const std::string& path) const;
  void WriteComPort(int index) const;

 private:
  std::filesystem::path path_;
};

}  // namespace kavor
