#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "support/temp_dir.h"

namespace kavor {
namespace {

namespace fs = std::filesystem;
using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

const std::string kBom = "\xEF\xBB\xBF";

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mode & 07777;
}

// Runs `body` in a child that has dropped to uid/gid 65534 (root passes every
// permission check, an ordinary user does not); its result is the exit code.
int RunAsNobody(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

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
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Kavor.ini"});  // no temporary file left

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
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Kavor.ini"});
}

TEST(PrivateProfile, AFifoNamedLikeTheFileIsNeitherWaitedForNorReplaced) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  EXPECT_EQ(GetPrivateProfileString(file, "Kavor", "PathName", "default"), "default");
  EXPECT_FALSE(WritePrivateProfileString(file, "Kavor", "ComPort", "1"));
  EXPECT_EQ(fs::status(file).type(), fs::file_type::fifo);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Kavor.ini"});
}

// A write that fails half-way (here: the file-size limit) leaves the old file
// whole and no temporary file behind.
TEST(PrivateProfile, AFailedWriteKeepsTheOldFile) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  const std::string before = "[Kavor]\nComPort=1\n";
  WriteFile(file, before);
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(100);
    ::_exit(WritePrivateProfileString(file, "Kavor", "PathName", std::string(500, 'p')) ? 1 : 0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Kavor.ini"});
}

TEST(PrivateProfile, AWriteKeepsModeAndOwner) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  WriteFile(file, "[Kavor]\nPathName=a.bin\n");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "ComPort", "1"));
  EXPECT_EQ(ReadFile(file), "[Kavor]\nPathName=a.bin\nComPort=1\n");
  EXPECT_EQ(ModeOf(file), 0640u);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
}

TEST(PrivateProfile, ASymlinkIsFollowedAndStays) {
  TempDir dir;
  fs::create_directory(dir / "real");
  WriteFile(dir / "real" / "settings.ini", "[Kavor]\nPathName=a.bin\n");
  fs::create_symlink("real/settings.ini", dir / "hop");  // relative, through a second link
  fs::create_symlink("hop", dir / "Kavor.ini");
  const auto file = dir / "Kavor.ini";
  EXPECT_EQ(GetPrivateProfileString(file, "Kavor", "PathName", ""), "a.bin");
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "ComPort", "2"));
  EXPECT_TRUE(fs::is_symlink(dir / "Kavor.ini"));
  EXPECT_TRUE(fs::is_symlink(dir / "hop"));
  EXPECT_EQ(ReadFile(dir / "real" / "settings.ini"), "[Kavor]\nPathName=a.bin\nComPort=2\n");
  EXPECT_EQ(Names(dir / "real"), std::vector<std::string>{"settings.ini"});  // temporary file beside the target, gone

  // A link to a file not yet there creates that file.
  fs::create_symlink("real/new.ini", dir / "dangling.ini");
  ASSERT_TRUE(WritePrivateProfileString(dir / "dangling.ini", "Kavor", "ComPort", "3"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.ini"));
  EXPECT_EQ(ReadFile(dir / "real" / "new.ini"), "[Kavor]\nComPort=3\n");
}

TEST(PrivateProfile, LongFileNamesGetAShortTemporaryName) {
  TempDir dir;
  const auto file = dir / std::string(254, 'k');  // plus a suffix would pass 255 bytes
  ASSERT_TRUE(WritePrivateProfileString(file, "Kavor", "ComPort", "1"));
  EXPECT_EQ(ReadFile(file), "[Kavor]\nComPort=1\n");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{std::string(254, 'k')});
}

// What an ordinary user cannot read or cannot write is never replaced.
TEST(PrivateProfile, AUserNeverReplacesWhatTheyCannotReadOrWrite) {
  struct Case {
    const char* what;
    mode_t mode;
  } cases[] = {{"unreadable", 0600}, {"write-only", 0622}, {"read-only", 0644}, {"neither", 0000}};
  for (const auto& c : cases) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);  // the folder itself lets the user write
    const auto file = dir / "Kavor.ini";
    const std::string before = "[Kavor]\nPathName=/data/mine.bin\n";
    WriteFile(file, before);
    ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
    const int code = RunAsNobody([&] {
      return WritePrivateProfileString(file, "Kavor", "ComPort", "1") ? 1 : 0;
    });
    EXPECT_EQ(code, 0) << c.what << ": the write was reported as done";
    EXPECT_EQ(ReadFile(file), before) << c.what;
    EXPECT_EQ(ModeOf(file), c.mode) << c.what;
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Kavor.ini"}) << c.what;
  }
  // The same user may write their own file.
  TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  const auto file = dir / "Kavor.ini";
  WriteFile(file, "[Kavor]\n");
  ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  EXPECT_EQ(RunAsNobody([&] { return WritePrivateProfileString(file, "Kavor", "ComPort", "1") ? 0 : 1; }), 0);
  EXPECT_EQ(ReadFile(file), "[Kavor]\nComPort=1\n");
  EXPECT_EQ(ModeOf(file), 0600u);
}

}  // namespace
}  // namespace kavor
