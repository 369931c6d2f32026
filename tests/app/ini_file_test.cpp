#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/temp_dir.h"

namespace kavor {
namespace {

namespace fs = std::filesystem;
using kavor::testing::FileNames;
using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

const std::string kBom = "\xEF\xBB\xBF";

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

TEST(IniText, ValuesAsGetPrivateProfileStringGivesThem) {
  struct Case {
    std::string text;
    bool found;
    std::string value;
  } cases[] = {
      {"[Kavor]\nPathName=\"\"\n", true, ""},             // quoted empty value
      {"[Kavor]\nPathName=''\n", true, ""},
      {"[Kavor]\nPathName=\"a b\"\n", true, "a b"},
      {"[Kavor]\nPathName=\"a b'\n", true, "\"a b'"},     // quotes that do not match stay
      {"[Kavor]\nPathName=\"\n", true, "\""},
      {"[Kavor]\nPathName=\n", true, ""},
      {kBom + "[Kavor]\r\nPathName=x.bin\r\n", true, "x.bin"},  // byte-order mark skipped
      {kBom + "PathName=y\n[Kavor]\nPathName=x\n", true, "x"},  // not a key of the section
      {"\xEF\xBB[Kavor]\nPathName=x\n", false, ""},       // only a whole mark is skipped
      {"[Kavor]\n" + kBom + "PathName=x\n", false, ""},   // and only at the very start
  };
  for (const auto& c : cases) {
    const IniText ini(c.text);
    std::string v = "unchanged";
    EXPECT_EQ(ini.Get("Kavor", "PathName", v), c.found) << c.text;
    if (c.found) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
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
      {"a key appended to a CR LF file ends in CR LF", "[Kavor]\r\nPathName=x\r\n",
       "[Kavor]\r\nPathName=x\r\nComPort=1\r\n"},
      {"appended before the next section of a CR LF file", "[Kavor]\r\nPathName=x\r\n[B]\r\na=b\r\n",
       "[Kavor]\r\nPathName=x\r\nComPort=1\r\n[B]\r\na=b\r\n"},
      {"a section appended to a CR LF file", "[B]\r\na=b", "[B]\r\na=b\r\n[Kavor]\r\nComPort=1\r\n"},
      {"the byte-order mark stays and the section is found behind it", kBom + "[Kavor]\nComPort=0\n",
       kBom + "[Kavor]\nComPort=1\n"},
      {"a file holding only the mark gets no blank line", kBom, kBom + "[Kavor]\nComPort=1\n"},
  };
  for (const auto& c : cases) {
    IniText ini(c.before);
    EXPECT_TRUE(ini.Set("Kavor", "ComPort", "1")) << c.what;
    EXPECT_EQ(ini.text(), c.after) << c.what;
  }
}

TEST(IniText, LineBreaksAreNeverWritten) {
  const std::string before = "[Kavor]\nPathName=old.bin\n";
  struct Case {
    std::string section, key, value;
  } cases[] = {
      {"Kavor", "PathName", "a.bin\nComPort=3"},
      {"Kavor", "PathName", "a.bin\r"},
      {"Kavor", "PathName", "\n"},
      {"Kavor", "Path\nName", "a.bin"},
      {"Kav\r\nor", "PathName", "a.bin"},
  };
  for (const auto& c : cases) {
    IniText ini(before);
    EXPECT_FALSE(ini.Set(c.section, c.key, c.value)) << c.value;
    EXPECT_EQ(ini.text(), before);
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
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"Kavor.ini"});  // no temporary file left

  WriteFile(file, "[Kavor]\nComPort= 12abc\nA=-7\n");
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "ComPort", 0), 12);
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "A", 0), -7);
}

TEST(PrivateProfile, ValueWithALineBreakKeepsTheOldValue) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  WriteFile(file, "[Kavor]\nPathName=old.bin\n");
  EXPECT_FALSE(WritePrivateProfileString(file, "Kavor", "PathName", "/tmp/a\nComPort=3"));
  EXPECT_EQ(ReadFile(file), "[Kavor]\nPathName=old.bin\n");
  EXPECT_EQ(GetPrivateProfileInt(file, "Kavor", "ComPort", 0), 0);
}

TEST(PrivateProfile, ByteOrderMarkIsReadAndKept) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  WriteFile(file, kBom + "[Kavor]\r\nPathName=/data/a.bin\r\n");
  EXPECT_EQ(GetPrivateProfileString(file, "Kavor", "PathName", "none"), "/data/a.bin");
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "ComPort", "2"));
  EXPECT_EQ(ReadFile(file), kBom + "[Kavor]\r\nPathName=/data/a.bin\r\nComPort=2\r\n");
}

TEST(PrivateProfile, AFolderNamedLikeTheFileIsLeftAlone) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  fs::create_directory(file);
  WriteFile(file / "inside", "x");
  EXPECT_EQ(GetPrivateProfileString(file, "Kavor", "PathName", "default"), "default");
  EXPECT_FALSE(WritePrivateProfileString(file, "Kavor", "ComPort", "1"));
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(ReadFile(file / "inside"), "x");
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"Kavor.ini"});
}

TEST(PrivateProfile, LongFileNamesGetAShortTemporaryName) {
  TempDir dir;
  const auto file = dir / std::string(254, 'k');  // plus a suffix would pass 255 bytes
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "ComPort", "1"));
  EXPECT_EQ(ReadFile(file), "[Kavor]\nComPort=1\n");
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{std::string(254, 'k')});
}

}  // namespace
}  // namespace kavor
