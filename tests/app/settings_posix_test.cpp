// The settings file's place on POSIX: the XDG base-directory rules, the
// private settings folder, symlinks.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "app/ini_file.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

namespace fs = std::filesystem;
using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

// Sets (or, with nullopt, removes) an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Settings, WithoutAFileInTheCurrentFolderTheConfigFolderIsUsed) {
  TempDir home, config;
  const fs::path config_home = config / "not-yet";  // created, with its parents, by the first write
  Settings settings;
  settings.Locate(home.path(), config_home);
  EXPECT_EQ(settings.path(), config_home / "kavor" / "Kavor.ini");
  EXPECT_EQ(settings.ReadPathName(), ".\\*.bin");
  EXPECT_FALSE(fs::exists(config_home));  // reading creates nothing

  settings.WritePathName("/data/x.bin");
  settings.WriteComPort(1);
  EXPECT_EQ(ReadFile(config_home / "kavor" / "Kavor.ini"), "[Kavor]\nPathName=/data/x.bin\nComPort=1\n");
  struct stat st {};
  ASSERT_EQ(::stat((config_home / "kavor").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_FALSE(fs::exists(home / "Kavor.ini"));

  // A file that appears in the current folder later does not move the settings.
  WriteFile(home / "Kavor.ini", "[Kavor]\nComPort=3\n");
  EXPECT_EQ(settings.ReadComPort(), 1);
  // The next start there uses it.
  Settings next;
  next.Locate(home.path(), config_home);
  EXPECT_EQ(next.path(), home / "Kavor.ini");
  EXPECT_EQ(next.ReadComPort(), 3);
}

TEST(Settings, AnythingNamedKavorIniInTheCurrentFolderIsTheFile) {
  TempDir dir, config;
  fs::create_symlink("elsewhere/settings.ini", dir / "Kavor.ini");  // not there yet
  Settings settings;
  settings.Locate(dir.path(), config.path());
  EXPECT_EQ(settings.path(), dir / "Kavor.ini");
}

TEST(Settings, ConfigHomeFollowsTheBaseDirectoryRules) {
  struct Case {
    std::optional<std::string> xdg, home;
    std::string expected;
  } cases[] = {
      {"/cfg", "/home/u", "/cfg"},
      {std::nullopt, "/home/u", "/home/u/.config"},
      {"", "/home/u", "/home/u/.config"},          // empty counts as unset
      {"relative/cfg", "/home/u", "/home/u/.config"},  // only absolute paths count
  };
  for (const auto& c : cases) {
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(ConfigHome(), fs::path(c.expected)) << c.xdg.value_or("(unset)");
  }
  // Without HOME the user's home comes from the password database.
  ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv home("HOME", std::nullopt);
  EXPECT_FALSE(ConfigHome().empty());
  EXPECT_TRUE(ConfigHome().is_absolute());
  EXPECT_EQ(ConfigHome().filename(), ".config");
}

TEST(Settings, LocateWithoutAConfigFolderUsesTheEnvironment) {
  TempDir dir, config;
  ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
  Settings settings;
  settings.Locate(dir.path());
  EXPECT_EQ(settings.path(), config / "kavor" / "Kavor.ini");
}

}  // namespace
}  // namespace kavor
