#include "app/settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace kavor {
namespace {

TEST(Settings, LocatedOnceInTheGivenFolder) {
  kavor::testing::TempDir a, b;
  Settings settings;
  settings.Locate(a.path());
  settings.WriteComPort(2);
  settings.WritePathName("/data/x.bin");
  EXPECT_EQ(settings.path(), a / "Kavor.ini");
  EXPECT_EQ(settings.ReadComPort(), 2);
  EXPECT_EQ(settings.ReadPathName(), "/data/x.bin");
  Settings other;
  other.Locate(b.path());
  EXPECT_EQ(other.ReadComPort(), 0);
  EXPECT_EQ(other.ReadPathName(), ".\\*.bin");
}

}  // namespace
}  // namespace kavor
