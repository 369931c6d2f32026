#include "app/settings.h"

#include "app/ini_file.h"

namespace kavor {

void Settings::Locate(const std::filesystem::path& current_directory) {
  path_ = current_directory / "Kavor.ini";
}

std::string Settings::ReadPathName() const {
  return GetPrivateProfileString(path_, kSettingsSection, "PathName", kDefaultPathName);
}

int Settings::ReadComPort() const {
  const int index = GetPrivateProfileInt(path_, kSettingsSection, "ComPort", 0);
  return index >= 0 && index <= 3 ? index : 0;
}

void Settings::WritePathName(const std::string& path) const {
  if (!path_.empty()) WritePrivateProfileString(path_, kSettingsSection, "PathName", path);
}

void Settings::WriteComPort(int index) const {
  if (!path_.empty())
    WritePrivateProfileString(path_, kSettingsSection, "ComPort", std::to_string(index));
}

}  // namespace kavor
