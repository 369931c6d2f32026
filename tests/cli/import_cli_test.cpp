// kavor-cli import-sdx as scripts run it: the count message, "File open
// error", the exit codes, and the same result as the edit script it
// stands for.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "database/data_file.h"
#include "database/image.h"
#include "database/image_builder.h"
#include "support/run_cli.h"
#include "support/satcodx_record.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::RunCli;
using kavor::testing::Sdx;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

using Result = kavor::testing::CommandResult;

class ImportCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Image image;
    ImageBuilder b(image, kKind3);
    b.NameSatellite(0, "Astra", 192);
    b.NameSatellite(1, "Hot", 130);
    b.AddTransponder(1, 11494, 27500, false);
    b.AddTransponder(2, 10992, 27500, false);
    b.AddChannel(1, 1, {kServiceTypeTv, "Old", false, false, 1, 2, 3, 4, 5});
    b.Finish();
    ASSERT_TRUE(WriteDataFile(dir_ / "image.bin", image));
    Sdx hot, astra;
    hot.position = "0130";
    hot.frequency = "011000";
    astra.frequency = "012000";
    WriteFile(dir_ / "list.sdx", hot.Line() + astra.Line());
  }
  std::string Path(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }
  TempDir dir_;
};

TEST_F(ImportCliTest, PrintsTheCountsAndSavesWhatTheEditScriptSaves) {
  const Result r = RunCli("import-sdx " + Path("image.bin") + " " + Path("list.sdx") + " --satellite 2 -o " +
                          Path("out.bin"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "1-Transponder, 1-Channel imported.\n");
  WriteFile(dir_ / "script", "satellite 2\nimport-sdx \"" + (dir_ / "list.sdx").string() + "\"\n");
  ASSERT_EQ(RunCli("edit " + Path("image.bin") + " -o " + Path("edited.bin") + " " + Path("script")).code, 0);
  EXPECT_EQ(ReadFile(dir_ / "out.bin"), ReadFile(dir_ / "edited.bin"));
  EXPECT_NE(ReadFile(dir_ / "out.bin"), ReadFile(dir_ / "image.bin"));
}

TEST_F(ImportCliTest, AnUnreadableListIsAFileOpenErrorAndWritesNothing) {
  for (const std::string sdx : {"missing.sdx", ""}) {
    const Result r = RunCli("import-sdx " + Path("image.bin") + " " + Path(sdx) + " --satellite 1 -o " +
                                Path("out.bin"),
                            " 2>&1 >/dev/null");
    EXPECT_EQ(r.code, 1) << sdx;
    EXPECT_NE(r.out.find("File open error"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
  }
}

TEST_F(ImportCliTest, ExitCodes) {
  const struct {
    std::string args;
    int code;
  } cases[] = {
      {"import-sdx " + Path("missing.bin") + " " + Path("list.sdx") + " --satellite 1 -o " + Path("out.bin"), 2},
      {"import-sdx " + Path("image.bin") + " " + Path("list.sdx") + " --satellite 51 -o " + Path("out.bin"), 1},
      {"import-sdx " + Path("image.bin") + " " + Path("list.sdx") + " --satellite x -o " + Path("out.bin"), 64},
      {"import-sdx " + Path("image.bin") + " " + Path("list.sdx") + " -o " + Path("out.bin"), 64},
      {"import-sdx " + Path("image.bin") + " " + Path("list.sdx") + " --satellite 1", 64},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunCli(c.args).code, c.code) << c.args;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin")) << c.args;
  }
}

}  // namespace
}  // namespace kavor
