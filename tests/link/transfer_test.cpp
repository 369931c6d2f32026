#include "link/transfer_protocol.h"

#include <sched.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <thread>
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

TEST(TransferTiming, DefaultsAreTheReceiversOwn) {
  const TransferTiming t;
  EXPECT_EQ(t.byte_timeout_ms, 1000);
  EXPECT_EQ(t.connect_attempts, 10);
  EXPECT_EQ(t.connect_limit_ms, 30000);
  EXPECT_EQ(t.sync_pause_ms, 20);
  EXPECT_EQ(t.final_waits, 10);  // the write's confirmation: 10 s
  EXPECT_EQ(t.write_timeout_ms, 1000);
  EXPECT_EQ(t.line_bytes_per_second, 11520);
  EXPECT_EQ(protocol::kBaudRate, 115200u);
  CCommPort port;
  const TransferProtocol p(port);
  EXPECT_EQ(p.timing().byte_timeout_ms, 1000);
  EXPECT_EQ(p.timing().connect_limit_ms, 30000);
}

// Runs the transfer on another thread. One still running after a generous
// limit is a hang, not slowness: the simulator is killed, which frees the
// line, and the test fails.
TransferResult RunGuarded(TransferProtocol& protocol, SimProcess& sim, TransferDirection direction,
                          const Image* image) {
  auto done = std::async(std::launch::async, [&] { return protocol.OnOK(direction, sim.pty(), image); });
  if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    sim.Kill();
    ADD_FAILURE() << "the transfer did not end";
  }
  return done.get();
}

// No end bytes among the data, so that counting them on the line means something.
void WithoutEndBytes(Image& image) {
  for (std::size_t i = 0; i < image.length(); ++i)
    if (image.bytes()[i] == protocol::kEnd) image.bytes()[i] = 0x1C;
}

// The receiver accepts the header, then takes nothing more: the block must
// fail within its line time plus the write time-out (here a fast line), not
// wait one time-out per byte.
TEST_F(TransferTest, AWriteTheReceiverStopsTakingFailsWithinItsLineTime) {
  TransferTiming t = FastTiming();
  t.write_timeout_ms = 200;
  t.line_bytes_per_second = 10000000;
  protocol.set_timing(t);
  Image image;
  MakeImage(image, 3);
  WithoutEndBytes(image);
  SimProcess sim({"--kind", "3", "--fault", "stop-reading", "--sessions", "0"});
  EXPECT_EQ(RunGuarded(protocol, sim, TransferDirection::kWrite, &image), TransferResult::kDataWriteError);
  EXPECT_EQ(protocol.failure_reason(), "the receiver did not take the data in time");
  EXPECT_TRUE(sim.WaitFor("stopped-reading"));
  EXPECT_FALSE(port.is_open());
  ASSERT_FALSE(recorder.percents.empty());
  EXPECT_LT(recorder.percents.back(), 100);
  EXPECT_NE(recorder.statuses.back(), "Wait...");
  // The end byte goes out only where the line still takes a byte: the
  // receiver stopped reading, so whether one byte still fitted depends on
  // how much of the block the line had taken. Never more than one.
  const int ends = sim.Stop();
  EXPECT_GE(ends, 0);
  EXPECT_LE(ends, 1);
}

// A receiver that takes the data, but far slower than the line carries it:
// the bound is the block's, not one time-out per piece.
TEST_F(TransferTest, AWriteTheReceiverTakesTooSlowlyFailsWithinItsLineTime) {
  TransferTiming t = FastTiming();
  t.write_timeout_ms = 200;
  t.line_bytes_per_second = 10000000;  // the block's bound: 0.22 s; the receiver needs 1.6 s
  protocol.set_timing(t);
  Image image;
  MakeImage(image, 3);
  SimProcess sim({"--kind", "3", "--fault", "slow-reading", "--sessions", "0"});
  EXPECT_EQ(RunGuarded(protocol, sim, TransferDirection::kWrite, &image), TransferResult::kDataWriteError);
  EXPECT_EQ(protocol.failure_reason(), "the receiver did not take the data in time");
  EXPECT_EQ(sim.CountLines("stored"), 0);
  EXPECT_FALSE(port.is_open());
}

// A line that keeps talking but never completes the handshake.
TEST_F(TransferTest, HandshakeGivesUpAfterItsLimitHoweverManyBytesArrive) {
  TransferTiming t = FastTiming();
  t.connect_limit_ms = 400;
  protocol.set_timing(t);
  const std::vector<std::vector<std::string>> setups = {
      {"--fault", "noise", "--noise-ms", "5000"},
      {"--fault", "bad-sync", "--bad-sync-count", "200"},
  };
  for (const auto& args : setups) {
    SCOPED_TRACE(args[1]);
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--sessions", "0"});
    SimProcess sim(all);
    recorder = {};
    EXPECT_EQ(RunGuarded(protocol, sim, TransferDirection::kRead, nullptr), TransferResult::kConnectError);
    EXPECT_EQ(sim.CountLines("connected"), 0);
    // No silent second passed, so no attempt was used up.
    EXPECT_EQ(recorder.statuses, std::vector<std::string>{"Trying to connect ... (3)"});
    EXPECT_EQ(sim.Stop(), 1);
  }
}

TEST_F(TransferTest, StatusIsReportedOnlyWhenItsTextChanges) {
  SimProcess sim({"--kind", "3", "--fault", "noise", "--noise-ms", "600", "--sessions", "0"});
  ASSERT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kOk);
  ASSERT_GE(recorder.statuses.size(), 2u);
  EXPECT_EQ(recorder.statuses.front(), "Trying to connect ... (3)");
  EXPECT_EQ(recorder.statuses[1], "0 %");
  for (std::size_t i = 1; i < recorder.statuses.size(); ++i)
    EXPECT_NE(recorder.statuses[i], recorder.statuses[i - 1]) << i;
  EXPECT_EQ(sim.Stop(), 1);
}

// An image that Open would refuse ("File open error (5)") is refused by a
// read too, and nothing of it is kept.
TEST_F(TransferTest, ReadRefusesAnImageWhoseCountsExceedItsKind) {
  const struct {
    const char* what;
    std::uint16_t tps, services;
  } cases[] = {{"channels", 10, 3091}, {"transponders", 1021, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Image served;
    MakeImage(served, 3);
    served.set_mTpCount(c.tps);
    served.set_mServiceCount(c.services);
    const auto file = dir / "counts.bin";
    SaveImage(served, file);
    SimProcess sim({"--kind", "3", "--image", file.string(), "--sessions", "0"});
    EXPECT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kDataFormatError);
    EXPECT_EQ(protocol.staged_kind(), 0);
    EXPECT_EQ(protocol.failure_reason(), "the header counts more records than a kind-3 image holds");
    EXPECT_EQ(sim.Stop(), 1);
  }
}

// Keeps the calling thread, and the threads and processes it starts, on one
// processor for its lifetime: the receiver then runs the moment the host's
// end byte wakes it, which is when a host still taking bytes would catch its
// answer.
class OneProcessor {
 public:
  OneProcessor() {
    ::sched_getaffinity(0, sizeof saved_, &saved_);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
      if (CPU_ISSET(cpu, &saved_)) {
        CPU_SET(cpu, &one);
        break;
      }
    ::sched_setaffinity(0, sizeof one, &one);
  }
  ~OneProcessor() { ::sched_setaffinity(0, sizeof saved_, &saved_); }

 private:
  cpu_set_t saved_{};
};

// The receiver announces again right after an end byte. That announcement
// must not wait in the queue for the next transfer, whose handshake would
// answer it and then read the receiver's fresh announcement as its reply.
TEST_F(TransferTest, NothingTheReceiverSendsAfterTheEndByteIsQueued) {
  OneProcessor pinned;
  SimProcess sim({"--kind", "3", "--fault", "bad-id", "--sessions", "0"});
  constexpr int kRounds = 50;
  for (int i = 0; i < kRounds; ++i) {
    ASSERT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kVersionTableError) << i;
    ASSERT_EQ(port.mQueue.GetCount(), 0) << i;
  }
  EXPECT_EQ(sim.Stop(), kRounds);
}

// Announcements every millisecond: the host often answers one while the
// next is already on its way, or reads a later one in place of the echo.
TEST_F(TransferTest, ReadsSucceedWhenTheReceiverAnnouncesEveryMillisecond) {
  SimProcess sim({"--kind", "3", "--announce-ms", "1", "--sessions", "0"});
  constexpr int kRounds = 10;
  for (int i = 0; i < kRounds; ++i)
    ASSERT_EQ(RunGuarded(protocol, sim, TransferDirection::kRead, nullptr), TransferResult::kOk) << i;
  EXPECT_EQ(sim.Stop(), kRounds);
}

// The receiver's side of the handshake, driven step by step.
class HandshakeTest : public TransferTest {
 protected:
  // Waits for an announcement, skipping anything else.
  bool AwaitAnnouncement() {
    for (int i = 0; i < 50; ++i) {
      const std::uint8_t b = protocol.ReceiveByte();
      if (!protocol.timed_out() && b == protocol::kAnnounce) return true;
    }
    return false;
  }
  void Answer() {
    protocol.SendByte(protocol::kAnswer);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    protocol.SendByte(protocol::kSync);
  }
  bool Echoed() {
    const std::uint8_t b = protocol.ReceiveByte();
    return !protocol.timed_out() && b == protocol::kSync;
  }
  void End() {
    protocol.SendByte(protocol::kEnd);
    port.Close();
  }
};

// The host answered an announcement that was already on its way when the
// receiver echoed: that one echo answers both, a second would stand where
// the host expects its command's echo.
TEST_F(HandshakeTest, ASecondAnswerBeforeTheFirstCommandGetsNoSecondEcho) {
  SimProcess sim({"--kind", "3", "--sessions", "0"});
  ASSERT_EQ(port.Open(sim.pty(), 115200), 1);
  ASSERT_TRUE(AwaitAnnouncement());
  Answer();
  Answer();
  EXPECT_TRUE(Echoed());
  EXPECT_EQ(protocol.CheckVersionTable(TransferDirection::kRead, 0), 1);
  End();
  EXPECT_EQ(sim.Stop(), 1);
}

// The host read an older announcement where the echo was and skipped the
// echo: it waits for an announcement, so the receiver must send one.
TEST_F(HandshakeTest, ReceiverAnnouncesAgainWhenTheHostSkippedItsEcho) {
  SimProcess sim({"--kind", "3", "--sessions", "0"});
  ASSERT_EQ(port.Open(sim.pty(), 115200), 1);
  ASSERT_TRUE(AwaitAnnouncement());
  Answer();
  ASSERT_TRUE(Echoed());  // taken as a skipped byte
  ASSERT_TRUE(AwaitAnnouncement());
  Answer();
  EXPECT_TRUE(Echoed());
  EXPECT_EQ(protocol.CheckVersionTable(TransferDirection::kRead, 0), 1);
  End();
  EXPECT_EQ(sim.Stop(), 1);
}

// A fresh answer after commands: the last transfer's end byte never came
// and a new one has begun. The receiver starts over.
TEST_F(HandshakeTest, ReceiverRestartsItsHandshakeWhenAnsweredWhileConnected) {
  SimProcess sim({"--kind", "3", "--sessions", "0"});
  ASSERT_EQ(port.Open(sim.pty(), 115200), 1);
  ASSERT_EQ(protocol.ConnectReceiver(), 1);
  ASSERT_EQ(protocol.CheckVersionTable(TransferDirection::kRead, 0), 1);
  Answer();
  EXPECT_TRUE(Echoed());
  EXPECT_EQ(protocol.CheckVersionTable(TransferDirection::kRead, 0), 1);
  End();
  EXPECT_EQ(sim.Stop(), 1);
}

// The receiver vanishes while the host waits for it: the handshake fails in
// its normal time, with the watcher resting rather than spinning meanwhile.
TEST_F(TransferTest, AHangUpEndsTheHandshakeInItsNormalTime) {
  SimProcess sim({"--fault", "silence", "--sessions", "0"});
  ASSERT_TRUE(protocol.OpenPort(sim.pty()));
  sim.Kill();
  const auto start = std::chrono::steady_clock::now();
  const unsigned long before = port.watcher_wakeups();
  EXPECT_EQ(protocol.RunOpened(TransferDirection::kRead, nullptr), TransferResult::kConnectError);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(recorder.statuses.back(), "Trying to connect ... (1)");
  EXPECT_LE(port.watcher_wakeups() - before,
            static_cast<unsigned long>(elapsed / CCommPort::kIdleBackoffMs + 5));
  EXPECT_FALSE(port.is_open());
}

TEST_F(TransferTest, CancelStopsARunningTransferWhichStillEndsTheLine) {
  SimProcess sim({"--kind", "3", "--paced", "--sessions", "0"});
  std::thread canceller([&] {
    if (sim.WaitFor("read 0x80100000")) protocol.Cancel();
  });
  const TransferResult r = RunGuarded(protocol, sim, TransferDirection::kRead, nullptr);
  canceller.join();
  EXPECT_EQ(r, TransferResult::kCancelled);
  EXPECT_EQ(TransferErrorText(r, 1), "Transfer interrupted");
  // It stopped there, not after the rest of the image.
  EXPECT_TRUE(recorder.percents.empty() || recorder.percents.back() < 100);
  EXPECT_EQ(protocol.staged_kind(), 0);
  EXPECT_FALSE(port.is_open());
  EXPECT_EQ(sim.Stop(), 1);
}

TEST_F(TransferTest, ACancelledProtocolOpensNothing) {
  SimProcess sim({"--kind", "3", "--sessions", "0"});
  protocol.Cancel();
  EXPECT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kCancelled);
  EXPECT_FALSE(port.is_open());
  EXPECT_TRUE(recorder.statuses.empty());
  EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace kavor
