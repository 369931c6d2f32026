// kavor-cli read / write against kavor-sim.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "database/image.h"
#include "database/image_builder.h"
#include "link/sim_process.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using testing::SimProcess;
using testing::TempDir;

struct CliRun {
  int code;
  std::string err;
};

CliRun Cli(const TempDir& dir, const std::string& args) {
  const auto err = dir / "stderr.txt";
  const std::string cmd = std::string(KAVOR_CLI_PATH) + " " + args + " 2>" + err.string();
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFile(err)};
}

std::string DemoFile(const TempDir& dir, int kind) {
  Image image;
  BuildDemoImage(image, kind);
  const auto path = dir / ("demo" + std::to_string(kind) + ".bin");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.bytes()),
                                              std::streamsize(image.length()));
  return path.string();
}

TEST(CliTransfer, ReadWritesOutOnlyAfterASuccessfulTransfer) {
  TempDir dir;
  const std::string served = DemoFile(dir, 5);
  {
    SimProcess sim({"--kind", "5", "--image", served, "--sessions", "0"});
    const auto out = dir / "out.bin";
    const CliRun r = Cli(dir, "read --port " + sim.pty() + " -o " + out.string());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(testing::ReadFile(out), testing::ReadFile(served));
    // stderr is not a terminal here: plain lines, ending with the last percent.
    EXPECT_NE(r.err.find("Trying to connect ... (10)\n"), std::string::npos);
    EXPECT_NE(r.err.find("\n100 %\n"), std::string::npos);
    EXPECT_EQ(sim.Stop(), 1);
  }
  {
    SimProcess sim({"--kind", "5", "--image", served, "--fault", "bad-marker", "--sessions", "0"});
    const auto out = dir / "bad.bin";
    const CliRun r = Cli(dir, "read --port " + sim.pty() + " -o " + out.string());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Data format error"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(sim.Stop(), 1);
  }
}

TEST(CliTransfer, WriteSendsTheFile) {
  TempDir dir;
  const std::string file = DemoFile(dir, 3);
  const auto stored = dir / "stored.bin";
  SimProcess sim({"--kind", "3", "--out", stored.string(), "--sessions", "0"});
  const CliRun r = Cli(dir, "write " + file + " --port " + sim.pty());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("Wait..."), std::string::npos);
  EXPECT_EQ(sim.Stop(), 1);
  EXPECT_EQ(testing::ReadFile(stored), testing::ReadFile(file));
}

TEST(CliTransfer, FailuresAndUsage) {
  TempDir dir;
  const std::string file = DemoFile(dir, 3);
  const auto missing = (dir / "missing.bin").string();
  const struct {
    std::string args;
    int code;
    const char* text;
  } cases[] = {
      {"write " + missing + " --port /dev/null", 2, "File open error (1)"},
      {"write " + file + " --port /dev/kavor-missing", 1, "Couldn't open port /dev/kavor-missing"},
      {"read --port /dev/kavor-missing -o " + missing, 1, "Couldn't open port /dev/kavor-missing"},
      {"read -o " + missing, 64, "--port"},
      {"read --port /dev/null", 64, "-o"},
      {"write --port /dev/null", 64, "FILE"},
      {"write " + file + " --port /dev/null --bogus", 64, "--bogus"},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(dir, c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.text), std::string::npos) << c.args << "\n" << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace kavor
