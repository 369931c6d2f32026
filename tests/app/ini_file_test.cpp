#include "app/ini_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

TEST(IniText, NamesAreCaseInsensitiveAndValuesTrimmed) {
  const IniText ini(
      "; comment\r\n[Other]\r\nPathName=wrong\r\n[kavor]\r\n  pathname =  C:\\a b.bin  \r\n"
      "comport=2\r\n");
  std::string v;
  ASSERT_TRUE(ini.Get("Kavor", "PathName", v));
  EXPECT_EQ(v, "C:\\a b.bin");
  ASSERT_TRUE(ini.Get("KAVOR", "ComPort", v));
  EXPECT_EQ(v, "2");
  EXPECT_FALSE(ini.Get("Kavor", "Missing", v));
  EXPECT_FALSE(ini.Get("Nope", "PathName", v));
}

TEST(IniText, SetPreservesEverythingElse) {
  struct Case {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"empty file gets the section", "", "[Kavor]\nComPort=1\n"},
      {"replace in place keeps comments and other keys",
       "; keep me\n[other]\ncomport=9\n\n[KAVOR]\nPathName=x\nCOMPORT = 3 \n; tail\n",
       "; keep me\n[other]\ncomport=9\n\n[KAVOR]\nPathName=x\nComPort=1\n; tail\n"},
      {"new key goes into its section, before the next section",
       "[Kavor]\nPathName=x\n\n[Next]\na=b\n", "[Kavor]\nPathName=x\nComPort=1\n\n[Next]\na=b\n"},
      {"missing section is appended", "[Other]\na=b", "[Other]\na=b\n[Kavor]\nComPort=1\n"},
      {"CR LF files stay CR LF", "[Kavor]\r\nComPort=0\r\n", "[Kavor]\r\nComPort=1\r\n"},
  };
  for (const auto& c : cases) {
    IniText ini(c.before);
    ini.Set("Kavor", "ComPort", "1");
    EXPECT_EQ(ini.text(), c.after) << c.what;
  }
}

TEST(PrivateProfile, FileFunctions) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  EXPECT_EQ(GetPrivateProfileString(file, "Kavor", "PathName", ".\\*.bin"), ".\\*.bin");
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "ComPort", 0), 0);
  const std::string long_path(2000, 'p');  // no length limit on the path
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "PathName", long_path));
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "ComPort", "3"));
  EXPECT_EQ(GetPrivateProfileString(file, "kavor", "pathname", ""), long_path);
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "ComPort", 0), 3);
  EXPECT_EQ(ReadFile(file), "[Kavor]\nPathName=" + long_path + "\nComPort=3\n");
  EXPECT_FALSE(WritePrivateProfileString(dir / "no" / "Kavor.ini", "Kavor", "ComPort", "1"));

  WriteFile(file, "[Kavor]\nComPort= 12abc\nA=-7\n");
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "ComPort", 0), 12);
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "A", 0), -7);
}

}  // namespace
}  // namespace kavor
