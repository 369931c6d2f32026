// kavor-cli edit run as a process: exit codes, error lines, --state, what is
// written where, and the same bytes as the engine run in-process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "editing/edit_script.h"
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
  const int status = std::system(command.c_str());
  CliRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
      {"undo\n", "kavor-cli: line 1: undo is not supported yet\n"},
  };
  for (const auto& [script, err] : cases) {
    const CliRun r = RunCli(dir_, "edit in.bin -o out.bin --state", script);
    EXPECT_EQ(r.code, 64) << script;
    EXPECT_EQ(r.err, err) << script;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
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
