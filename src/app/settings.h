// The two settings kept between runs, in Kavor.ini. Its place is fixed when
// the form is initialised: the Kavor.ini of the current folder when there is
// one, else $XDG_CONFIG_HOME/kavor/Kavor.ini (a desktop menu starts programs
// in the home folder, which is no place for a stray settings file); on
// Windows %APPDATA%\Kavor\Kavor.ini.
#pragma once

#include <filesystem>
#include <string>

namespace kavor {

inline constexpr const char* kSettingsSection = "Kavor";
inline constexpr const char* kSettingsFileName = "Kavor.ini";
inline constexpr const char* kDefaultPathName = ".\\*.bin";
#ifdef _WIN32
inline constexpr const char* kSettingsFolderName = "Kavor";
#else
inline constexpr const char* kSettingsFolderName = "kavor";
#endif

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config (the home
// folder from $HOME, or from the password database when $HOME is unset);
// empty when no home folder is known. On Windows %APPDATA% (else the
// profile's AppData\Roaming).
std::filesystem::path ConfigHome();

class Settings {
 public:
  // Fixes the file's location; a later change of directory does not move it.
  void Locate(const std::filesystem::path& current_directory);
  void Locate(const std::filesystem::path& current_directory, const std::filesystem::path& config_home);
  const std::filesystem::path& path() const { return path_; }

  // No length limit: a cut path would name another file.
  std::string ReadPathName() const;
  // 0..3; anything else stored is read as 0.
  int ReadComPort() const;
  // A write creates the settings folder when it is missing. Failures are
  // not reported; a value that cannot be stored keeps the old one.
  void WritePathName(const std::string& path) const;
  void WriteComPort(int index) const;

 private:
  void Write(const char* key, const std::string& value) const;

  std::filesystem::path path_;
  bool in_config_home_ = false;
};

}  // namespace kavor
