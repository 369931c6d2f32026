// kavor-cli run as users run it: exit codes, the exact JSON and row texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "database/data_file.h"
#include "database/image_builder.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::TempDir;
using kavor::testing::WriteFile;

struct Result {
  int code;
  std::string out;
};

Result RunCli(const std::string& args, bool merge_stderr = false) {
  const std::string command =
      std::string(KAVOR_CLI_PATH) + " " + args + (merge_stderr ? " 2>&1" : " 2>/dev/null");
  const kavor::testing::CommandResult run = kavor::testing::RunCommand(command);
  return Result{run.code, run.out};
}

// Only what the program writes to stderr.
std::string RunCliErrors(const std::string& args, int* code) {
  const std::string command = std::string(KAVOR_CLI_PATH) + " " + args + " 2>&1 >/dev/null";
  const kavor::testing::CommandResult run = kavor::testing::RunCommand(command);
  *code = run.code;
  return run.out;
}

// 1200 channels, 800 of them TV, on satellites 1, 2 and 7 of a kind-3 image.
void WriteFixture(const std::filesystem::path& path) {
  Image image;
  ImageBuilder b(image, 3);
  b.NameSatellite(0, "Astra", 192);
  const int sats[] = {1, 2, 7};
  for (int sat : sats)
    for (int t = 0; t < 4; ++t) b.AddTransponder(sat, std::uint16_t(11000 + 10 * t), 27500, t % 2);
  for (int n = 0; n < 1200; ++n) {
    ChannelSpec fields;
    fields.type = n % 3 == 2 ? kServiceTypeRadio : kServiceTypeTv;
    fields.name = n == 0 ? "News, \"live\"" : "Ch" + std::to_string(n);
    fields.scrambled = n == 0;
    b.AddChannel(sats[n % 3], 1 + n % 4, fields);
  }
  b.Finish();
  ASSERT_TRUE(WriteDataFile(path, image));
}

TEST(KavorCli, InfoJsonHasExactlyTheDocumentedShape) {
  TempDir dir;
  WriteFixture(dir / "f.bin");
  const Result r = RunCli("info " + (dir / "f.bin").string() + " --json");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "{\"kind\":3,\"image_length\":163840,\"service_count\":1200,\"service_capacity\":3090,"
            "\"tv_channels\":800,\"radio_channels\":400,\"tp_count\":12,\"tp_capacity\":1020,"
            "\"sat_used\":[1,2,7]}\n");
}

TEST(KavorCli, ListPrintsTheFormsRowsAndCsv) {
  TempDir dir;
  const std::string f = (dir / "f.bin").string();
  WriteFixture(dir / "f.bin");
  Result r = RunCli("list " + f);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "   1 $ News, \"live\"    ");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 800);

  r = RunCli("list " + f + " --radio --satellite 2");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 0);  // every third channel is radio: all on satellite 7
  r = RunCli("list " + f + " --radio --satellite 7");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 400);

  r = RunCli("list " + f + " --transponders --satellite 7");
  EXPECT_EQ(r.out, "   1 11000 H 27500\n   2 11010 V 27500\n   3 11020 H 27500\n   4 11030 V 27500\n");
  r = RunCli("list " + f + " --satellites");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 50);
  EXPECT_EQ(r.out.substr(0, 9), " 1 Astra\n");

  r = RunCli("list " + f + " --csv");
  const std::string header =
      "slot,number,type,name,sat_id,tp_number,frequency,polarity,symbol_rate,video_pid,"
      "audio_pid,pcr_pid,service_id,network_id,scrambled,locked\n";
  ASSERT_EQ(r.out.substr(0, header.size()), header);
  EXPECT_EQ(r.out.substr(header.size(), r.out.find('\n', header.size()) - header.size()),
            "0,1,TV,\"News, \"\"live\"\"\",1,1,11000,H,27500,0,0,0,0,0,1,0");
}

TEST(KavorCli, CheckFindsBrokenReferences) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 5);
  ASSERT_TRUE(WriteDataFile(dir / "ok.bin", image));
  EXPECT_EQ(RunCli("check " + (dir / "ok.bin").string()).code, 0);
  image.Channel(5).set_mTpNumber(99);           // no such transponder
  image.Transponder(1).set_mTpNumber(7);        // numbering gap
  image.sat_used_list()[0] = 9;                 // list no longer matches
  ASSERT_TRUE(WriteDataFile(dir / "bad.bin", image));
  const Result r = RunCli("check " + (dir / "bad.bin").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("channel slot 5"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("transponder slot 1: mTpNumber 7, expected 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("satellites-in-use"), std::string::npos) << r.out;
}

// Deleting channels compacts the table and leaves the freed slots at its end
// as they were: numbered records beyond mServiceCount are normal.
TEST(KavorCli, CheckAcceptsOldRecordsBeyondTheCount) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 5);
  const int count = image.mServiceCount();
  for (int k = 0; k < 3; ++k) {  // delete slot 0 three times, as the editor does
    for (int n = 0; n + 1 < count - k; ++n)
      std::memcpy(image.Channel(n).data(), image.Channel(n + 1).data(), 44);
  }
  image.set_mServiceCount(std::uint16_t(count - 3));
  RenumberChannels(image);
  RebuildSatellitesInUse(image);
  ASSERT_NE(image.Channel(count - 1).mChannelNo(), 0);
  ASSERT_TRUE(WriteDataFile(dir / "deleted.bin", image));
  Result r = RunCli("check " + (dir / "deleted.bin").string(), true);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "ok\n");

  // Inside the count an empty record still breaks the packing.
  image.Channel(count - 4).set_mChannelNo(0);
  ASSERT_TRUE(WriteDataFile(dir / "hole.bin", image));
  r = RunCli("check " + (dir / "hole.bin").string(), true);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "channel slot " + std::to_string(count - 4) + ": empty record inside the table (not packed)\n");
}

TEST(KavorCli, InfoCountsOnlyTheSatellitesItLists) {
  TempDir dir;
  WriteFixture(dir / "f.bin");
  StagedImage staged;
  ASSERT_EQ(ReadDataFile(dir / "f.bin", staged), 0);
  Image image;
  image.Install(staged.bytes.get(), staged.kind);
  const std::uint8_t ids[] = {1, 0, 2, 77, 7, 50, 51};
  std::memcpy(image.sat_used_list(), ids, sizeof ids);
  image.set_mSatUsedCount(sizeof ids);
  ASSERT_TRUE(WriteDataFile(dir / "odd.bin", image));
  const std::string f = (dir / "odd.bin").string();
  Result r = RunCli("info " + f);
  ASSERT_EQ(r.code, 0);
  const auto heading = r.out.find("Satellites in use");
  ASSERT_NE(heading, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(heading), "Satellites in use (4):\n   1 Astra\n   2 \n   7 \n  50 \n") << r.out;
  r = RunCli("info " + f + " --json");
  EXPECT_NE(r.out.find("\"sat_used\":[1,2,7,50]}"), std::string::npos) << r.out;
}

TEST(KavorCli, ErrorLinesNameTheFileAndTheReason) {
  TempDir dir;
  WriteFile(dir / "short.bin", std::string(1000, 'x'));
  std::filesystem::create_directory(dir / "folder.bin");
  Image demo;
  BuildDemoImage(demo, 3);
  std::string marker(reinterpret_cast<const char*>(demo.bytes()), demo.length());
  marker[kSectorSize * 2 + kSectorMarkerOffset] = 0;
  WriteFile(dir / "marker.bin", marker);
  const std::string missing = (dir / "missing.bin").string();
  const std::string short_file = (dir / "short.bin").string();
  const std::string folder = (dir / "folder.bin").string();
  const std::string marker_file = (dir / "marker.bin").string();
  const std::string unwritable = (dir / "no" / "out.bin").string();
  struct Case {
    std::string args;
    int code;
    std::string line;
  } cases[] = {
      {"info " + missing, 2, missing + ": File open error (1): No such file or directory"},
      {"info " + short_file + " --json", 2,
       short_file + ": File open error (2): 1000 bytes; a data file has 163840 or 249856"},
      {"list " + folder, 2, folder + ": File open error (1): Is a directory"},
      {"list " + short_file + " --csv", 2,
       short_file + ": File open error (2): 1000 bytes; a data file has 163840 or 249856"},
      {"check " + marker_file, 2, marker_file + ": File open error (4): sector 2 lacks its marker"},
      {"demo " + unwritable, 1, unwritable + ": File save error: No such file or directory"},
      {"demo " + folder + " --kind 3", 1, folder + ": File save error: Is a directory"},
  };
  for (const auto& c : cases) {
    int code = -1;
    EXPECT_EQ(RunCliErrors(c.args, &code), "kavor-cli: " + c.line + "\n") << c.args;
    EXPECT_EQ(code, c.code) << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(KavorCli, ExitCodes) {
  TempDir dir;
  WriteFile(dir / "short.bin", "abc");
  const std::string demo = (dir / "demo.bin").string();
  struct Case {
    std::string args;
    int code;
    std::string output_contains;
  } cases[] = {
      {"", 64, "usage"},
      {"--help", 0, "usage"},
      {"--version", 0, "kavor-cli"},
      {"frobnicate", 64, "unknown command"},
      {"info", 64, "exactly one file"},
      {"info " + (dir / "missing.bin").string(), 2, "File open error (1)"},
      {"info " + (dir / "short.bin").string(), 2, "File open error (2)"},
      {"demo " + demo + " --kind 4", 64, "--kind"},
      {"demo " + demo + " --kind 3", 0, ""},
      {"check " + demo, 0, "ok"},
      {"list " + demo + " --satellite 51", 64, "1..50"},
      {"list " + demo + " --bogus", 64, "unknown option"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(c.args, true);
    EXPECT_EQ(r.code, c.code) << c.args;
    EXPECT_NE(r.out.find(c.output_contains), std::string::npos) << c.args << ": " << r.out;
  }
  EXPECT_EQ(std::filesystem::file_size(demo), 0x28000u);
}

}  // namespace
}  // namespace kavor
