#include "app/settings.h"

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>

#include "app/ini_file.h"

namespace kavor {

namespace {

#ifdef _WIN32
// The variable's value as the system keeps it (UTF-16), so a profile folder
// outside the ANSI code page still works.
std::filesystem::path AbsoluteFromEnv(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  if (!value || !*value) return {};
  std::filesystem::path p(value);
  return p.is_absolute() ? p : std::filesystem::path();
}

// The profile's folders inherit the user's security; nothing to set.
void MakeFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
}
#else
std::filesystem::path AbsoluteFromEnv(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return {};
  std::filesystem::path p(value);
  return p.is_absolute() ? p : std::filesystem::path();
}

// Creates the folder and any missing parents, private to the user as the
// base-directory rules ask for.
void MakeFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return;
  MakeFolders(folder.parent_path());
  (void)::mkdir(folder.c_str(), 0700);
}
#endif

}  // namespace

#ifdef _WIN32
std::filesystem::path ConfigHome() {
  if (auto app_data = AbsoluteFromEnv(L"APPDATA"); !app_data.empty()) return app_data;
  if (auto profile = AbsoluteFromEnv(L"USERPROFILE"); !profile.empty()) return profile / "AppData" / "Roaming";
  return {};
}
#else
std::filesystem::path ConfigHome() {
  if (auto xdg = AbsoluteFromEnv("XDG_CONFIG_HOME"); !xdg.empty()) return xdg;
  std::filesystem::path home = AbsoluteFromEnv("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) home = pw->pw_dir;
  }
  if (home.empty() || !home.is_absolute()) return {};
  return home / ".config";
}
#endif

void Settings::Locate(const std::filesystem::path& current_directory) {
  Locate(current_directory, ConfigHome());
}

void Settings::Locate(const std::filesystem::path& current_directory, const std::filesystem::path& config_home) {
  const std::filesystem::path here = current_directory / kSettingsFileName;
  // Anything of that name counts, even a link to a file not yet there or a
  // folder: the user put it there for this program.
  std::error_code ec;
  const auto type = std::filesystem::symlink_status(here, ec).type();
  const bool exists_here = !ec && type != std::filesystem::file_type::not_found;
  in_config_home_ = !exists_here && !config_home.empty();
  path_ = in_config_home_ ? config_home / kSettingsFolderName / kSettingsFileName : here;
}

std::string Settings::ReadPathName() const {
  return GetPrivateProfileString(path_, kSettingsSection, "PathName", kDefaultPathName);
}

int Settings::ReadComPort() const {
  const int index = GetPrivateProfileInt(path_, kSettingsSection, "ComPort", 0);
  return index >= 0 && index <= 3 ? index : 0;
}

void Settings::Write(const char* key, const std::string& value) const {
  if (path_.empty()) return;
  if (in_config_home_) MakeFolders(path_.parent_path());
  WritePrivateProfileString(path_, kSettingsSection, key, value);
}

void Settings::WritePathName(const std::string& path) const { Write("PathName", path); }

void Settings::WriteComPort(int index) const { Write("ComPort", std::to_string(index)); }

}  // namespace kavor
