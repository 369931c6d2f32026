// kavor-cli export as scripts run it: the three headers, "Ok" or "Error" and
// the exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "database/data_file.h"
#include "database/image.h"
#include "database/image_builder.h"
#include "interchange/header_export.h"
#include "support/run_cli.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::RunCli;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

using Result = kavor::testing::CommandResult;

class ExportCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunCli("demo '" + (dir_ / "image.bin").string() + "'").code, 0);
    std::filesystem::create_directory(dir_ / "out");
  }
  std::string File() const { return "'" + (dir_ / "image.bin").string() + "'"; }
  TempDir dir_;
};

TEST_F(ExportCliTest, WritesTheEditorsHeadersIntoDir) {
  const Result r = RunCli("export " + File() + " --dir '" + (dir_ / "out").string() + "'");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Ok\n");
  // The same bytes the core writes for the loaded image.
  Image image;
  BuildDemoImage(image, kKind5);
  TempDir expected;
  ASSERT_TRUE(ExportDefaultTables(image, expected.path()));
  for (const char* name : {"PgDefSat.h", "PgDefTp.h", "PgDefSvc_S.h"}) {
    EXPECT_EQ(ReadFile(dir_ / "out" / name), ReadFile(expected / name)) << name;
    EXPECT_FALSE(ReadFile(expected / name).empty()) << name;
  }
}

TEST_F(ExportCliTest, DefaultsToTheCurrentFolder) {
  const std::string in_out =
      "cd '" + (dir_ / "out").string() + "' && " + KAVOR_CLI_PATH + " export " + File();
  const kavor::testing::CommandResult run = kavor::testing::RunCommand(in_out + " 2>/dev/null");
  EXPECT_EQ(run.out, "Ok\n");
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out" / "PgDefSvc_S.h"));
}

TEST_F(ExportCliTest, FailedWriteSaysErrorAndExitsOne) {
  std::filesystem::create_directory(dir_ / "out" / "PgDefSat.h");
  const Result r = RunCli("export " + File() + " --dir '" + (dir_ / "out").string() + "'");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "Error\n");
  const Result log = RunCli("export " + File() + " --dir '" + (dir_ / "out").string() + "'",
                            " 2>&1 >/dev/null");
  EXPECT_EQ(log.out, "kavor-cli: " + (dir_ / "out").string() + ": Error\n");
  const Result missing = RunCli("export " + File() + " --dir '" + (dir_ / "none").string() + "'");
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.out, "Error\n");
}

TEST_F(ExportCliTest, UnloadableFileExitsTwoAndWritesNothing) {
  WriteFile(dir_ / "bad.bin", "short");
  const Result r = RunCli("export '" + (dir_ / "bad.bin").string() + "' --dir '" +
                          (dir_ / "out").string() + "'");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "out"));
}

TEST_F(ExportCliTest, UsageAndHelp) {
  EXPECT_EQ(RunCli("export").code, 64);
  const Result help = RunCli("export --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("usage: kavor-cli export [OPTIONS] FILE\n"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("--dir DIR"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace kavor
