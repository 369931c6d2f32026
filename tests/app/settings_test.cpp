#include "app/settings.h"

#include <gtest/gtest.h>

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

TEST(Settings, LocatedOnceInTheGivenFolder) {
  TempDir a, b, config;
  WriteFile(a / "Kavor.ini", "");
  Settings settings;
  settings.Locate(a.path(), config.path());
  settings.WriteComPort(2);
  settings.WritePathName("/data/x.bin");
  EXPECT_EQ(settings.path(), a / "Kavor.ini");
  EXPECT_EQ(settings.ReadComPort(), 2);
  EXPECT_EQ(settings.ReadPathName(), "/data/x.bin");
  Settings other;
  WriteFile(b / "Kavor.ini", "");
  other.Locate(b.path(), config.path());
  EXPECT_EQ(other.ReadComPort(), 0);
  EXPECT_EQ(other.ReadPathName(), ".\\*.bin");
  EXPECT_FALSE(fs::exists(config / "kavor"));
}

TEST(Settings, PathNameHasNoLengthLimit) {
  TempDir dir;
  WriteFile(dir / "Kavor.ini", "");
  Settings settings;
  settings.Locate(dir.path(), dir.path());
  const std::string path = "/" + std::string(300, 'a') + "/" + std::string(300, 'b') + ".bin";
  settings.WritePathName(path);
  EXPECT_EQ(settings.ReadPathName(), path);
}

}  // namespace
}  // namespace kavor
