// kavor-cli edit run as a process: exit codes, error lines, --state, what is
// written where, and the same bytes as the engine run in-process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "editing/edit_script.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

struct CliRun {
  int code = -1;
  std::string out, err;
};

// Runs kavor-cli in `dir` with `args`; `input` is its standard input.
CliRun RunCli(const TempDir& dir, const std::string& args, const std::string& input = "") {
  WriteFile(dir / "stdin.txt", input);
  const std::string command = "cd '" + dir.path().string() + "' && XDG_CONFIG_HOME='" + (dir / "xdg").string() +
                              "' " + KAVOR_CLI_PATH + " " + args + " <stdin.txt >stdout.txt 2>stderr.txt";
  CliRun r;
  r.code = kavor::testing::RunCommandStatus(command);
  r.out = ReadFile(dir / "stdout.txt");
  r.err = ReadFile(dir / "stderr.txt");
  return r;
}

// Two satellites, three transponders, five TV channels and one radio channel.
void WriteFixture(const std::filesystem::path& path) {
  Image image;
  ImageBuilder b(image, kKind3);
  b.NameSatellite(0, "One", 192);
  b.AddTransponder(1, 11000, 27500, false);
  b.AddTransponder(1, 11100, 27500, true);
  b.AddTransponder(2, 12000, 22000, false);
  ChannelSpec c;
  for (auto [sat, tp, name] : {std::tuple{1, 1, "Alpha"}, {1, 1, "Beta"}, {1, 2, "Gamma"}, {2, 1, "Delta"},
                               {1, 1, "Epsilon"}}) {
    c.name = name;
    b.AddChannel(sat, tp, c);
  }
  c.type = kServiceTypeRadio;
  c.name = "Radio";
  b.AddChannel(1, 2, c);
  b.Finish();
  ASSERT_TRUE(WriteDataFile(path, image));
}

class EditCli : public ::testing::Test {
 protected:
  void SetUp() override { WriteFixture(dir_ / "in.bin"); }
  TempDir dir_;
};

TEST_F(EditCli, AnEmptyScriptSavesTheFileUnchangedAndReportsTheOpenedView) {
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin --state", "");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "{\"tv\": true, \"all\": true, \"satellite_row\": 1, \"transponder_row\": 1, \"channel_row\": 1, "
            "\"channel_focus_row\": 1, \"channel_rows_selected\": [1], \"channel_rows\": 5, \"transponder_rows\": 2}\n");
  EXPECT_EQ(ReadFile(dir_ / "out.bin"), ReadFile(dir_ / "in.bin"));
}

TEST_F(EditCli, AScriptGivesTheBytesAndStateOfTheSameLinesInProcess) {
  const std::string script = "# rename Gamma\r\n\r\nchannel 5 3\r\nchannel-edit name=\"G \\\"3\\\"\" lock=1\r\nradio\n";
  WriteFile(dir_ / "s.txt", script);
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin s.txt --state");
  ASSERT_EQ(r.code, 0) << r.err;

  Document doc;
  ASSERT_FALSE(doc.Open(dir_ / "in.bin"));
  EditScript engine(doc.view());
  std::istringstream in(script);
  ASSERT_EQ(engine.Run(in).status, ScriptStatus::Ok);
  EXPECT_EQ(r.out, engine.StateJson() + "\n");
  const std::string out = ReadFile(dir_ / "out.bin");
  ASSERT_EQ(out.size(), doc.image().length());
  EXPECT_EQ(0, out.compare(0, out.size(), reinterpret_cast<const char*>(doc.image().bytes()), out.size()));
  EXPECT_NE(out, ReadFile(dir_ / "in.bin"));
}

TEST_F(EditCli, WithoutStateNothingIsPrinted) {
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin", "channel 2\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(EditCli, TheScriptComesFromStandardInputWithoutScriptOrForDash) {
  for (const char* args : {"edit in.bin -o out.bin --state", "edit in.bin -o out.bin --state -"}) {
    const CliRun r = RunCli(dir_, args, "channel 4\n");
    EXPECT_EQ(r.code, 0) << args;
    EXPECT_NE(r.out.find("\"satellite_row\": 2"), std::string::npos) << args << r.out;
  }
}

TEST_F(EditCli, AFailingLineExitsOneAndWritesNothing) {
  WriteFile(dir_ / "out.bin", "old");
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin --state", "channel 2\n\nchannel 9\nchannel 1\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kavor-cli: line 3: no row 9 in the channel list\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(dir_ / "out.bin"), "old");
}

TEST_F(EditCli, ADialogsRefusalIsTheLinesMessage) {
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin", "channel-edit video=12x\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kavor-cli: line 1: Please enter an integer.\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
}

TEST_F(EditCli, UsageErrorsExitSixtyFour) {
  const std::pair<std::string, std::string> cases[] = {
      {"tv\nfrobnicate 1\n", "kavor-cli: line 2: unknown command \"frobnicate\"\n"},
      {"channel-edit colour=red\n", "kavor-cli: line 1: unknown field \"colour\" for channel-edit\n"},
      {"find \"open\n", "kavor-cli: line 1: unclosed quote\n"},
      {"tv\n\xC3(\n", "kavor-cli: line 2: the line is not UTF-8\n"},
      {"undo 2\n", "kavor-cli: line 1: undo takes no arguments\n"},
  };
  for (const auto& [script, err] : cases) {
    const CliRun r = RunCli(dir_, "edit in.bin -o out.bin --state", script);
    EXPECT_EQ(r.code, 64) << script;
    EXPECT_EQ(r.err, err) << script;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
  }
}

TEST_F(EditCli, UndoAndRedoLinesReachTheHistory) {
  // Undone, the image is written back byte for byte as it was read.
  CliRun r = RunCli(dir_, "edit in.bin -o out.bin", "channel 1 2\nscramble\nchannel-delete\nundo\nundo\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "out.bin"), ReadFile(dir_ / "in.bin"));
  // Redone, it is what the lines without the undo give.
  r = RunCli(dir_, "edit in.bin -o redone.bin --state", "channel 1 2\nscramble\nundo\nredo\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const CliRun direct = RunCli(dir_, "edit in.bin -o direct.bin --state", "channel 1 2\nscramble\n");
  EXPECT_EQ(ReadFile(dir_ / "redone.bin"), ReadFile(dir_ / "direct.bin"));
  EXPECT_NE(ReadFile(dir_ / "redone.bin"), ReadFile(dir_ / "in.bin"));
  EXPECT_EQ(r.out, direct.out);

  const std::pair<std::string, std::string> failing[] = {
      {"channel 2\nundo\n", "kavor-cli: line 2: nothing to undo\n"},
      {"channel 1\nlock\nredo\n", "kavor-cli: line 3: nothing to redo\n"},
  };
  for (const auto& [script, err] : failing) {
    r = RunCli(dir_, "edit in.bin -o failed.bin", script);
    EXPECT_EQ(r.code, 1) << script;
    EXPECT_EQ(r.err, err) << script;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "failed.bin"));
  }
}

TEST_F(EditCli, TransponderAndSatelliteLinesGiveTheBytesAndStateOfTheEngine) {
  const std::string script =
      "transponder 2\ntransponder-edit frequency=11150 polarity=horizontal symbolrate=22000 fec=5/6\n"
      "transponder-insert frequency=11200\ntransponder-new frequency=11300 fec=1\ntransponder 1\n"
      "transponder-move 4\ntransponder 2\ntransponder-delete\n"
      "satellite-edit name=\"Astra 1\" side=west degree=19.25 lnb=\"user defined\" input=65000 switch=SW4 "
      "toneburst=sa lnbpower=1 22khz=1 12v=1 scramble=1\n"
      "satellite-move 3\n";
  WriteFile(dir_ / "s.txt", script);
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin s.txt --state");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");

  Document doc;
  ASSERT_FALSE(doc.Open(dir_ / "in.bin"));
  EditScript engine(doc.view());
  std::istringstream in(script);
  ASSERT_EQ(engine.Run(in).status, ScriptStatus::Ok);
  EXPECT_EQ(r.out, engine.StateJson() + "\n");
  const std::string out = ReadFile(dir_ / "out.bin");
  ASSERT_EQ(out.size(), doc.image().length());
  EXPECT_EQ(0, out.compare(0, out.size(), reinterpret_cast<const char*>(doc.image().bytes()), out.size()));
  // The edited satellite moved to slot 3 with its settings.
  const SatelliteRecord moved = doc.image().Satellite(2);
  EXPECT_EQ(moved.mSatName(), "Astra 1");
  EXPECT_EQ(moved.mSatId(), 3);
  EXPECT_EQ(moved.mDegree(), 3600 - 192);
  EXPECT_EQ(moved.mAntenaType(), 11);
  EXPECT_EQ(moved.mLnbFrequency(), 60000);
  EXPECT_EQ(moved.mSwitcher(), 3);
  EXPECT_EQ(moved.mFlag() & 0x9D, 0x80 | 0x10 | 0x04 | 0x01);
  EXPECT_EQ(moved.mSatFlag2() & 0x02, 0x02);
  EXPECT_NE(r.out.find("\"satellite_row\": 3"), std::string::npos) << r.out;
}

TEST_F(EditCli, TransponderAndSatelliteRefusalsExitOneWithTheDialogsMessage) {
  const std::pair<std::string, std::string> cases[] = {
      {"transponder-edit frequency=70000\n", "kavor-cli: line 1: Frequency Error\n"},
      {"transponder-edit symbolrate=65536\n", "kavor-cli: line 1: Please enter an integer between 0 and 65535.\n"},
      {"transponder-new\n", "kavor-cli: line 1: Frequency Error\n"},
      {"transponder-edit fec=9\n", "kavor-cli: line 1: fec: no entry \"9\"\n"},
      {"transponder-move 3\n", "kavor-cli: line 1: the number must be between 1 and 2\n"},
      {"satellite 3\ntransponder-delete\n", "kavor-cli: line 2: \"Delete\" is not available\n"},
      {"satellite 3\ntransponder-insert\n", "kavor-cli: line 2: \"Insert\" is not available\n"},
      {"satellite-edit degree=180.1\n", "kavor-cli: line 1: Please enter a number of degree between 0.0 and 180.0\n"},
      {"satellite-edit input=60a\n", "kavor-cli: line 1: input: \"60a\" is not digits only\n"},
      {"satellite-edit name=1234567890123456\n",
       "kavor-cli: line 1: name: \"1234567890123456\" is longer than the box's 15 characters\n"},
      {"satellite-edit side=up\n", "kavor-cli: line 1: side: takes east or west, not \"up\"\n"},
      {"satellite-move 51\n", "kavor-cli: line 1: the number must be between 1 and 50\n"},
  };
  for (const auto& [script, err] : cases) {
    const CliRun r = RunCli(dir_, "edit in.bin -o out.bin --state", script);
    EXPECT_EQ(r.code, 1) << script;
    EXPECT_EQ(r.err, err) << script;
    EXPECT_EQ(r.out, "") << script;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin")) << script;
  }
}

TEST_F(EditCli, UnknownTransponderAndSatelliteFieldsAreUsageErrors) {
  const std::pair<std::string, std::string> cases[] = {
      {"transponder-edit name=x\n", "kavor-cli: line 1: unknown field \"name\" for transponder-edit\n"},
      {"satellite 3\ntransponder-insert colour=1\n",
       "kavor-cli: line 2: unknown field \"colour\" for transponder-insert\n"},
      {"satellite-edit fec=1\n", "kavor-cli: line 1: unknown field \"fec\" for satellite-edit\n"},
      {"satellite-move\n", "kavor-cli: line 1: satellite-move takes one number\n"},
      {"transponder-delete now\n", "kavor-cli: line 1: transponder-delete takes no arguments\n"},
  };
  for (const auto& [script, err] : cases) {
    const CliRun r = RunCli(dir_, "edit in.bin -o out.bin", script);
    EXPECT_EQ(r.code, 64) << script;
    EXPECT_EQ(r.err, err) << script;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin")) << script;
  }
}

TEST_F(EditCli, AScriptThatCannotBeReadIsAUsageError) {
  std::filesystem::create_directory(dir_ / "folder");
  for (const char* script : {"missing.txt", "folder"}) {
    const CliRun r = RunCli(dir_, std::string("edit in.bin -o out.bin ") + script);
    EXPECT_EQ(r.code, 64) << script;
    EXPECT_NE(r.err.find(std::string("kavor-cli: ") + script + ": the script cannot be read"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
  }
}

TEST_F(EditCli, AFileThatCannotBeLoadedExitsTwoWithTheMessageOfEveryCommand) {
  WriteFile(dir_ / "short.bin", std::string(1000, '\0'));
  for (const char* file : {"short.bin", "missing.bin"}) {
    const CliRun edit = RunCli(dir_, std::string("edit ") + file + " -o out.bin", "tv\n");
    const CliRun info = RunCli(dir_, std::string("info ") + file);
    EXPECT_EQ(edit.code, 2) << file;
    EXPECT_EQ(info.code, 2);
    EXPECT_EQ(edit.err, info.err);
    EXPECT_NE(edit.err.find("File open error"), std::string::npos) << edit.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
  }
}

TEST_F(EditCli, AnOutThatCannotBeWrittenExitsOneWithoutState) {
  std::filesystem::create_directory(dir_ / "taken");
  const CliRun r = RunCli(dir_, "edit in.bin -o taken --state", "channel 2\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("kavor-cli: taken: File save error", 0), 0u) << r.err;
}

TEST_F(EditCli, OutMayBeTheFileItself) {
  const std::string before = ReadFile(dir_ / "in.bin");
  const CliRun r = RunCli(dir_, "edit in.bin -o in.bin", "channel 1\nchannel-edit name=Renamed\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string after = ReadFile(dir_ / "in.bin");
  EXPECT_EQ(after.size(), before.size());
  EXPECT_NE(after, before);
  EXPECT_NE(after.find("Renamed"), std::string::npos);
}

TEST_F(EditCli, KavorIniIsNeitherReadNorWritten) {
  // A Kavor.ini that names another file and a port; edit must not care.
  const std::string ini = "[Settings]\r\nPathName=elsewhere.bin\r\nComPort=2\r\n";
  WriteFile(dir_ / "Kavor.ini", ini);
  const CliRun r = RunCli(dir_, "edit in.bin -o out.bin", "channel 2\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "Kavor.ini"), ini);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "xdg"));
  std::filesystem::remove(dir_ / "Kavor.ini");
  ASSERT_EQ(RunCli(dir_, "edit in.bin -o out.bin", "channel 2\n").code, 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Kavor.ini"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "xdg"));
}

}  // namespace
}  // namespace kavor
