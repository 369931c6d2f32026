// Private-profile writes as POSIX sees them: a FIFO, a file-size limit,
// modes and owners, symlinks, and an ordinary user's permissions.
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
using kavor::testing::FileNames;
using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

const std::string kBom = "\xEF\xBB\xBF";

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

TEST(PrivateProfile, AFifoNamedLikeTheFileIsNeitherWaitedForNorReplaced) {
  TempDir dir;
  const auto file = dir / "Kavor.ini";
  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  EXPECT_EQ(GetPrivateProfileString(file, "Kavor", "PathName", "default"), "default");
  EXPECT_FALSE(WritePrivateProfileString(file, "Kavor", "ComPort", "1"));
  EXPECT_EQ(fs::status(file).type(), fs::file_type::fifo);
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"Kavor.ini"});
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
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"Kavor.ini"});
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
  EXPECT_EQ(FileNames(dir / "real"), std::vector<std::string>{"settings.ini"});  // temporary file beside the target, gone

  // A link to a file not yet there creates that file.
  fs::create_symlink("real/new.ini", dir / "dangling.ini");
  ASSERT_TRUE(WritePrivateProfileString(dir / "dangling.ini", "Kavor", "ComPort", "3"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.ini"));
  EXPECT_EQ(ReadFile(dir / "real" / "new.ini"), "[Kavor]\nComPort=3\n");
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
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"Kavor.ini"}) << c.what;
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
