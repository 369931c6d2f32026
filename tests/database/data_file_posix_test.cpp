// Saves as POSIX sees them: a file-size limit, file modes kept through a
// symlink, and an ordinary user refused a read-only file.
#include "database/data_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>

#include "database/document.h"
#include "database/image_builder.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include <sys/stat.h>

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

std::string ImageBytes(const Image& image) {
  return std::string(reinterpret_cast<const char*>(image.bytes()), image.length());
}

TEST(DataFileSave, FailuresKeepTheOldFile) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 5);
  const auto path = dir / "chan.bin";
  WriteFile(path, "previous image");

  // No such folder.
  EXPECT_FALSE(WriteDataFile(dir / "no-such-folder" / "x.bin", image));
  // Target is a folder.
  std::filesystem::create_directory(dir / "folder.bin");
  EXPECT_FALSE(WriteDataFile(dir / "folder.bin", image));
  // An image of no kind has nothing to write.
  Image unloaded;
  EXPECT_FALSE(WriteDataFile(path, unloaded));
  EXPECT_EQ(ReadFile(path), "previous image");

  // A file-size limit stops the write half-way, as a full disk would.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100000, 100000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(WriteDataFile(path, image) ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write reported success";
  EXPECT_EQ(ReadFile(path), "previous image");
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2);  // chan.bin and folder.bin: no temporary left
}

TEST(DataFileSave, ASymlinkKeepsPointingAtTheSavedFileWhoseModeIsKept) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 5);
  const auto real = dir / "real.bin";
  WriteFile(real, "old");
  ::chmod(real.c_str(), 0640);
  std::filesystem::create_symlink("real.bin", dir / "link.bin");
  ASSERT_TRUE(WriteDataFile(dir / "link.bin", image));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bin"));
  EXPECT_EQ(ReadFile(real), ImageBytes(image));
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// As an ordinary user: a file made read-only is not replaced, though its
// folder is writable (the rename alone would allow it); a writable one is.
TEST(DataFileSave, AReadOnlyTargetIsRefusedForAnOrdinaryUser) {
  TempDir dir;
  const auto folder = dir / "shared";
  std::filesystem::create_directory(folder);
  ::chmod(dir.path().c_str(), 0755);
  ::chmod(folder.c_str(), 0777);
  const auto locked = folder / "locked.bin";
  const auto open = folder / "open.bin";
  for (const auto& p : {locked, open}) {
    WriteFile(p, "previous image");
    ASSERT_EQ(::chown(p.c_str(), kavor::testing::kNobody, kavor::testing::kNobody), 0);
  }
  ::chmod(locked.c_str(), 0444);
  ::chmod(open.c_str(), 0644);
  Image image;
  BuildDemoImage(image, 3);
  const int rc = kavor::testing::RunAsNobody([&] {
    std::string reason;
    if (WriteDataFile(locked, image, &reason)) return 1;
    if (reason != "Permission denied") return 2;
    if (!WriteDataFile(open, image)) return 3;
    return 0;
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(ReadFile(locked), "previous image");
  EXPECT_EQ(ReadFile(open), ImageBytes(image));
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++files;
  EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace kavor
