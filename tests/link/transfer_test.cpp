#include "link/transfer_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "database/document.h"
#include "database/image_builder.h"
#include "link/sim_process.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using testing::SimProcess;
using testing::TempDir;

// Short time-outs keep the failure cases quick.
TransferTiming FastTiming() {
  TransferTiming t;
  t.byte_timeout_ms = 200;
  t.connect_attempts = 3;
  t.sync_pause_ms = 20;
  t.final_waits = 3;
  return t;
}

struct Recorder : TransferObserver {
  void OnStatus(const std::string& text) override { statuses.push_back(text); }
  void OnProgressShown(bool shown) override { shown_changes.push_back(shown); }
  void OnProgress(int percent) override { percents.push_back(percent); }
  std::vector<std::string> statuses;
  std::vector<bool> shown_changes;
  std::vector<int> percents;
};

std::string Bytes(const std::uint8_t* p, std::size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

// An image with a recognisable pattern in the bytes Kavor does not interpret.
void MakeImage(Image& image, int kind, int channels = -1) {
  if (channels < 0) {
    BuildDemoImage(image, kind);
  } else {
    ImageBuilder b(image, kind);
    b.NameSatellite(0, "Sat A", 192);
    b.NameSatellite(1, "Sat B", 130);
    const int tps = 40;
    int tp_numbers[tps];
    for (int t = 0; t < tps; ++t)
      tp_numbers[t] = b.AddTransponder(t < 20 ? 1 : 2, std::uint16_t(10700 + t * 20), 27500, t % 2 == 1);
    for (int c = 0; c < channels; ++c) {
      ChannelSpec fields;
      fields.type = c % 4 == 3 ? kServiceTypeRadio : kServiceTypeTv;
      fields.name = "Ch " + std::to_string(c);
      const int t = c * tps / channels;
      b.AddChannel(t < 20 ? 1 : 2, tp_numbers[t], fields);
    }
    b.Finish();
  }
  // Sector filler bytes near each marker, left alone by the editor.
  for (int s = 0; s < SectorCount(kind); ++s) image.bytes()[std::size_t(s) * kSectorSize + 4090] = std::uint8_t(s + 1);
}

void SaveImage(const Image& image, const std::filesystem::path& path) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.bytes()),
                                              std::streamsize(image.length()));
}

class TransferTest : public ::testing::Test {
 protected:
  CCommPort port;
  TransferProtocol protocol{port, FastTiming()};
  Recorder recorder;
  TempDir dir;
  void SetUp() override { protocol.set_observer(&recorder); }
};

TEST_F(TransferTest, ReadsBothKindsByteForByte) {
  for (int kind : {3, 5}) {
    SCOPED_TRACE(kind);
    Image served;
    MakeImage(served, kind);
    const auto file = dir / ("served" + std::to_string(kind) + ".bin");
    SaveImage(served, file);
    SimProcess sim({"--kind", std::to_string(kind), "--image", file.string(), "--base", "0x80200000", "--sessions", "0"});
    ASSERT_FALSE(sim.pty().empty());
    recorder = {};
    ASSERT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kOk);
    EXPECT_EQ(protocol.staged_kind(), kind);
    EXPECT_EQ(Bytes(protocol.staged(), ImageLength(kind)), Bytes(served.bytes(), ImageLength(kind)));
    EXPECT_TRUE(sim.WaitFor("read 0x80200000 " + std::to_string(ImageLength(kind))));
    // Progress: every whole percent once, in order, 0 to 100.
    std::vector<int> expected(101);
    for (int i = 0; i <= 100; ++i) expected[std::size_t(i)] = i;
    EXPECT_EQ(recorder.percents, expected);
    ASSERT_FALSE(recorder.statuses.empty());
    EXPECT_EQ(recorder.statuses.front(), "Trying to connect ... (3)");
    EXPECT_EQ(recorder.statuses.back(), "100 %");
    EXPECT_EQ(recorder.shown_changes, std::vector<bool>{true});
    EXPECT_EQ(sim.Stop(), 1);
  }
}

TEST_F(TransferTest, ReadingAKind5ReceiverReplacesALoadedKind3Image) {
  Image served;
  MakeImage(served, 5);
  const auto file = dir / "served.bin";
  SaveImage(served, file);
  SimProcess sim({"--kind", "5", "--image", file.string(), "--sessions", "0"});

  Document doc;
  doc.Initialise(dir.path());
  Image kind3;
  MakeImage(kind3, 3);
  doc.image().Install(kind3.bytes(), 3);
  ASSERT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kOk);
  EXPECT_TRUE(sim.WaitFor("read 0x80100000 249856"));
  doc.InstallReceivedImage(protocol.staged(), protocol.staged_kind());
  EXPECT_EQ(doc.image().kind(), 5);
  EXPECT_EQ(Bytes(doc.image().bytes(), 0x3D000), Bytes(served.bytes(), 0x3D000));
  EXPECT_EQ(doc.document_path(), "ReadData.bin");
  EXPECT_EQ(sim.Stop(), 1);
}

TEST_F(TransferTest, WritesBothKindsByteForByteWithoutChangingTheImage) {
  for (int kind : {3, 5}) {
    SCOPED_TRACE(kind);
    Image image;
    MakeImage(image, kind);
    const std::string before = Bytes(image.bytes(), kMaxImageLength);
    const auto out = dir / "written.bin";
    SimProcess sim({"--kind", std::to_string(kind), "--out", out.string(), "--sessions", "0"});
    recorder = {};
    ASSERT_EQ(protocol.OnOK(TransferDirection::kWrite, sim.pty(), &image), TransferResult::kOk);
    ASSERT_TRUE(sim.WaitFor("stored"));
    EXPECT_EQ(sim.Stop(), 1);
    EXPECT_EQ(testing::ReadFile(out), Bytes(image.bytes(), ImageLength(kind)));
    EXPECT_EQ(Bytes(image.bytes(), kMaxImageLength), before);
    EXPECT_FALSE(protocol.conversion());
    // The bar is hidden for the wait and the last status is "Wait...".
    EXPECT_EQ(recorder.shown_changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(recorder.statuses.back(), "Wait...");
    EXPECT_EQ(recorder.percents.size(), 101u);
  }
}

TEST_F(TransferTest, WritingKind3ToAKind5ReceiverSendsFortySectors) {
  Image image;
  MakeImage(image, 3);
  const auto out = dir / "written.bin";
  SimProcess sim({"--kind", "5", "--base", "0x80400000", "--out", out.string(), "--sessions", "0"});
  ASSERT_EQ(protocol.OnOK(TransferDirection::kWrite, sim.pty(), &image), TransferResult::kOk);
  EXPECT_TRUE(protocol.conversion());
  EXPECT_TRUE(sim.WaitFor("write 0x80400000 163840"));
  ASSERT_TRUE(sim.WaitFor("stored 163840"));
  EXPECT_EQ(sim.Stop(), 1);
  EXPECT_EQ(testing::ReadFile(out), Bytes(image.bytes(), 0x28000));
  EXPECT_EQ(image.kind(), 3);
}

TEST_F(TransferTest, WritingKind5With4000ChannelsToAKind3ReceiverClampsOnlyWhatIsSent) {
  Image image;
  MakeImage(image, 5, 4000);
  ASSERT_EQ(image.mServiceCount(), 4000);
  const std::string before = Bytes(image.bytes(), kMaxImageLength);
  const auto out = dir / "written.bin";
  SimProcess sim({"--kind", "3", "--out", out.string(), "--sessions", "0"});
  ASSERT_EQ(protocol.OnOK(TransferDirection::kWrite, sim.pty(), &image), TransferResult::kOk);
  ASSERT_TRUE(sim.WaitFor("stored 163840"));
  EXPECT_EQ(sim.Stop(), 1);

  const std::string sent = testing::ReadFile(out);
  ASSERT_EQ(sent.size(), 0x28000u);
  Image received;
  received.Install(reinterpret_cast<const std::uint8_t*>(sent.data()), 3);
  EXPECT_EQ(received.mServiceCount(), 3090);
  // The satellites-in-use list sent matches the first 3090 channels only.
  Image expected;
  expected.Install(image.bytes(), 5);
  expected.set_mServiceCount(3090);
  RebuildSatellitesInUse(expected);
  expected.set_kind(3);
  EXPECT_EQ(sent, Bytes(expected.bytes(), 0x28000));
  EXPECT_EQ(image.mServiceCount(), 4000);
  EXPECT_EQ(Bytes(image.bytes(), kMaxImageLength), before);
}

// Every failure mode of the simulator: the message, the image unchanged and
// exactly one end byte on the line.
struct FaultCase {
  const char* fault;
  TransferDirection direction;
  TransferResult result;
  const char* message;
};

class FaultTest : public TransferTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, FailsWithItsMessageAndChangesNothing) {
  const FaultCase& c = GetParam();
  Image image;
  MakeImage(image, 5);
  const std::string before = Bytes(image.bytes(), kMaxImageLength);
  SimProcess sim({"--kind", "5", "--fault", c.fault, "--sessions", "0"});
  ASSERT_FALSE(sim.pty().empty());
  const TransferResult r = protocol.OnOK(c.direction, sim.pty(), &image);
  EXPECT_EQ(r, c.result);
  EXPECT_EQ(TransferErrorText(r, 1), c.message);
  EXPECT_EQ(protocol.staged_kind(), 0);
  EXPECT_EQ(Bytes(image.bytes(), kMaxImageLength), before);
  EXPECT_EQ(image.kind(), 5);
  EXPECT_FALSE(port.is_open());
  EXPECT_EQ(sim.Stop(), 1);
}

constexpr auto R = TransferDirection::kRead;
constexpr auto W = TransferDirection::kWrite;
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"silence", R, TransferResult::kConnectError, "Couldn't connect to receiver"},
        FaultCase{"silence", W, TransferResult::kConnectError, "Couldn't connect to receiver"},
        FaultCase{"no-echo", R, TransferResult::kVersionTableError, "Version table error"},
        FaultCase{"bad-id", R, TransferResult::kVersionTableError, "Version table error"},
        FaultCase{"bad-id", W, TransferResult::kVersionTableError, "Version table error"},
        FaultCase{"kind4", R, TransferResult::kVersionTableError, "Version table error"},
        FaultCase{"kind4", W, TransferResult::kVersionTableError, "Version table error"},
        FaultCase{"bad-version-sum", R, TransferResult::kVersionTableError, "Version table error"},
        FaultCase{"no-echo-data", R, TransferResult::kDataReadError, "Data read error"},
        FaultCase{"bad-sum", R, TransferResult::kDataReadError, "Data read error"},
        FaultCase{"stall", R, TransferResult::kDataReadError, "Data read error"},
        FaultCase{"bad-marker", R, TransferResult::kDataFormatError, "Data format error"},
        FaultCase{"no-echo-data", W, TransferResult::kDataWriteError, "Data write error"},
        FaultCase{"refuse-write", W, TransferResult::kDataWriteError, "Data write error"},
        FaultCase{"final-01", W, TransferResult::kDataWriteError, "Data write error"},
        FaultCase{"final-none", W, TransferResult::kDataWriteError, "Data write error"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
      std::string name = std::string(info.param.fault) + (info.param.direction == R ? "_read" : "_write");
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

TEST_F(TransferTest, SilenceCountsDownEveryAttempt) {
  SimProcess sim({"--fault", "silence", "--sessions", "0"});
  EXPECT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kConnectError);
  EXPECT_EQ(recorder.statuses, (std::vector<std::string>{"Trying to connect ... (3)", "Trying to connect ... (2)",
                                                         "Trying to connect ... (1)"}));
  EXPECT_TRUE(recorder.shown_changes.empty());
  EXPECT_EQ(sim.Stop(), 1);
}

// Noise for far longer than all attempts' time-outs together must not
// use up an attempt; neither must wrong answers to the sync byte.
TEST_F(TransferTest, NoiseAndWrongSyncAnswersNeverUseUpAnAttempt) {
  TransferTiming t = FastTiming();
  t.connect_attempts = 1;
  protocol.set_timing(t);
  const std::vector<std::vector<std::string>> setups = {
      {"--fault", "noise", "--noise-ms", "1000"},
      {"--fault", "bad-sync", "--bad-sync-count", "4"},
  };
  for (const auto& args : setups) {
    SCOPED_TRACE(args[1]);
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--kind", "3", "--sessions", "0"});
    SimProcess sim(all);
    EXPECT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kOk);
    EXPECT_EQ(sim.Stop(), 1);
  }
}

TEST_F(TransferTest, OpenFailureSendsNothingAndNamesThePort) {
  EXPECT_EQ(protocol.OnOK(TransferDirection::kRead, "/dev/kavor-missing", nullptr), TransferResult::kOpenError);
  EXPECT_EQ(TransferErrorText(TransferResult::kOpenError, 2), "Couldn't open COM2 port");
  EXPECT_TRUE(recorder.statuses.empty());
}

// The end byte of one transfer must reach the receiver even when the next
// transfer opens the port right away.
TEST_F(TransferTest, BackToBackTransfersEachEndWithExactlyOneEndByte) {
  Image image;
  MakeImage(image, 3);
  SimProcess sim({"--kind", "3", "--sessions", "0"});
  constexpr int kRounds = 12;
  for (int i = 0; i < kRounds; ++i) {
    const auto direction = i % 2 == 0 ? TransferDirection::kRead : TransferDirection::kWrite;
    ASSERT_EQ(protocol.OnOK(direction, sim.pty(), &image), TransferResult::kOk) << i;
  }
  EXPECT_EQ(sim.Stop(), kRounds);
  EXPECT_EQ(sim.CountLines("connected"), kRounds);
}

TEST_F(TransferTest, ReceiveByteTimesOutOnSilence) {
  SimProcess sim({"--fault", "silence", "--sessions", "0"});
  ASSERT_EQ(port.Open(sim.pty(), 115200), 1);
  EXPECT_EQ(protocol.ReceiveByte(), 0);
  EXPECT_TRUE(protocol.timed_out());
  protocol.SendByte(protocol::kEnd);
  port.Close();
  EXPECT_EQ(sim.Stop(), 1);
}

}  // namespace
}  // namespace kavor
