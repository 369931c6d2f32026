// kavor-sim as a tool: its command line, and what happens to written images.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "database/image.h"
#include "database/image_builder.h"
#include "link/sim_process.h"
#include "link/transfer_protocol.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using testing::SimProcess;
using testing::TempDir;

struct SimRun {
  int code;
  std::string out, err;
};

SimRun Sim(const TempDir& dir, const std::string& args) {
  const auto out = dir / "out.txt";
  const auto err = dir / "err.txt";
  const std::string cmd = std::string(KAVOR_SIM_PATH) + " " + args + " >" + out.string() + " 2>" + err.string() +
                          " </dev/null";
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFile(out), testing::ReadFile(err)};
}

TEST(SimTool, UsageErrorsSayWhatIsWrong) {
  TempDir dir;
  const struct {
    const char* args;
    const char* text;
  } cases[] = {
      {"--kind 4", "kavor-sim: --kind must be 3 or 5, not 4"},
      {"--kind", "kavor-sim: --kind needs 3 or 5"},
      {"--sessions -1", "kavor-sim: --sessions must be 0 (until terminated) or more, not -1"},
      {"--sessions two", "kavor-sim: --sessions: 'two' is not a number"},
      {"--announce-ms 0", "kavor-sim: --announce-ms must be at least 1, not 0"},
      {"--noise-ms -5", "kavor-sim: --noise-ms must be 0 or more, not -5"},
      {"--base 0x100000000", "kavor-sim: --base must be an address from 0 to 0xFFFFFFFF, not 0x100000000"},
      {"--image", "kavor-sim: --image needs a FILE"},
      {"--out", "kavor-sim: --out needs a FILE"},
      {"--fault", "kavor-sim: --fault needs a MODE"},
      {"--fault nope", "kavor-sim: unknown fault mode nope"},
      {"--bogus", "kavor-sim: unknown option --bogus"},
      {"extra", "kavor-sim: unexpected argument extra"},
  };
  for (const auto& c : cases) {
    const SimRun r = Sim(dir, c.args);
    EXPECT_EQ(r.code, 64) << c.args;
    EXPECT_EQ(r.err, std::string(c.text) + " (see kavor-sim --help)\n") << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

TEST(SimTool, HelpAndVersionGoToStandardOutput) {
  TempDir dir;
  const SimRun help = Sim(dir, "--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("usage: kavor-sim", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("stop-reading"), std::string::npos);
  EXPECT_EQ(help.err, "");
  const SimRun version = Sim(dir, "--version");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("kavor-sim ") + KAVOR_VERSION + "\n");
  EXPECT_EQ(version.err, "");
}

std::string Bytes(const Image& image) {
  return std::string(reinterpret_cast<const char*>(image.bytes()), image.length());
}

// A written image replaces the one in memory, so the next read serves it;
// the file the simulator was started with is left alone.
TEST(SimTool, WrittenImagesStayInMemoryAndNeverOverwriteTheServedFile) {
  TempDir dir;
  Image first, second;
  BuildDemoImage(first, 3);
  BuildDemoImage(second, 3);
  second.set_mServiceCount(std::uint16_t(second.mServiceCount() - 1));
  ASSERT_NE(Bytes(first), Bytes(second));
  const auto served = dir / "served.bin";
  testing::WriteFile(served, Bytes(first));
  SimProcess sim({"--kind", "3", "--image", served.string(), "--sessions", "0"});
  CCommPort port;
  TransferProtocol protocol(port);
  ASSERT_EQ(protocol.OnOK(TransferDirection::kWrite, sim.pty(), &second), TransferResult::kOk);
  ASSERT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kOk);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(protocol.staged()), 0x28000), Bytes(second));
  EXPECT_EQ(testing::ReadFile(served), Bytes(first));
  EXPECT_EQ(sim.Stop(), 2);
}

// A receiver that cannot keep the image must not confirm it.
TEST(SimTool, AWriteItCannotStoreFails) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 3);
  const auto out = dir / "no-folder" / "stored.bin";
  SimProcess sim({"--kind", "3", "--out", out.string(), "--sessions", "0"});
  CCommPort port;
  TransferProtocol protocol(port);
  EXPECT_EQ(protocol.OnOK(TransferDirection::kWrite, sim.pty(), &image), TransferResult::kDataWriteError);
  EXPECT_TRUE(sim.WaitFor("store-failed No such file or directory"));
  // Nothing was taken into memory either: a read serves the demo image.
  ASSERT_EQ(protocol.OnOK(TransferDirection::kRead, sim.pty(), nullptr), TransferResult::kOk);
  Image demo;
  BuildDemoImage(demo, 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(protocol.staged()), 0x28000), Bytes(demo));
  EXPECT_EQ(sim.Stop(), 2);
}

}  // namespace
}  // namespace kavor
