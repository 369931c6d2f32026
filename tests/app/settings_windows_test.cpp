// Where the settings live on Windows: Kavor.ini in the current folder when
// there is one, else %APPDATA%\Kavor\Kavor.ini.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace kavor {
namespace {

namespace fs = std::filesystem;
using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, std::optional<std::wstring> value) : name_(name) {
    if (const wchar_t* old = ::_wgetenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }

 private:
  void Set(const std::optional<std::wstring>& value) {
    ::_wputenv((name_ + L"=" + value.value_or(L"")).c_str());
  }
  std::wstring name_;
  std::optional<std::wstring> old_;
};

TEST(WindowsSettings, ConfigHomeIsAppDataElseTheProfilesRoamingFolder) {
  {
    ScopedEnv app_data(L"APPDATA", L"C:\\Users\\u\\AppData\\Roaming");
    EXPECT_EQ(ConfigHome(), fs::path(L"C:\\Users\\u\\AppData\\Roaming"));
  }
  {
    ScopedEnv app_data(L"APPDATA", std::nullopt);
    ScopedEnv profile(L"USERPROFILE", L"C:\\Users\\u");
    EXPECT_EQ(ConfigHome(), fs::path(L"C:\\Users\\u") / "AppData" / "Roaming");
  }
  {
    ScopedEnv app_data(L"APPDATA", L"relative");  // only absolute folders count
    ScopedEnv profile(L"USERPROFILE", std::nullopt);
    EXPECT_TRUE(ConfigHome().empty());
  }
}

TEST(WindowsSettings, WithoutAFileInTheCurrentFolderAppDataKavorIsUsed) {
  TempDir here, app_data;
  ScopedEnv env(L"APPDATA", app_data.path().wstring());
  Settings settings;
  settings.Locate(here.path());
  EXPECT_EQ(settings.path(), app_data / "Kavor" / "Kavor.ini");
  EXPECT_EQ(settings.ReadComPort(), 0);
  EXPECT_FALSE(fs::exists(app_data / "Kavor"));  // reading creates nothing
  settings.WriteComPort(3);
  EXPECT_EQ(ReadFile(app_data / "Kavor" / "Kavor.ini"), "[Kavor]\nComPort=3\n");
  EXPECT_FALSE(fs::exists(here / "Kavor.ini"));

  // A Kavor.ini in the current folder wins at the next start.
  WriteFile(here / "Kavor.ini", "[Kavor]\nComPort=1\n");
  Settings next;
  next.Locate(here.path());
  EXPECT_EQ(next.path(), here / "Kavor.ini");
  EXPECT_EQ(next.ReadComPort(), 1);
}

}  // namespace
}  // namespace kavor
