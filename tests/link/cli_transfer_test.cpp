// kavor-cli read / write against kavor-sim.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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
  std::string out;
};

// `env` is put before the command, e.g. "KAVOR_COM2=/dev/x".
CliRun Cli(const TempDir& dir, const std::string& args, const std::string& env = {}) {
  const auto err = dir / "stderr.txt";
  const auto out = dir / "stdout.txt";
  const std::string cmd =
      env + " " + std::string(KAVOR_CLI_PATH) + " " + args + " >" + out.string() + " 2>" + err.string();
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFile(err), testing::ReadFile(out)};
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Files the folder holds besides the test's own captures.
std::vector<std::string> Leftovers(const TempDir& dir, const std::vector<std::string>& keep) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    bool kept = name == "stderr.txt" || name == "stdout.txt";
    for (const auto& k : keep) kept = kept || name == k;
    if (!kept) found.push_back(name);
  }
  return found;
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
    EXPECT_EQ(r.out, "Read 249856 bytes into " + out.string() + ".\n");
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
    EXPECT_NE(r.err.find("kavor-cli: " + sim.pty() + ": Data format error: a sector lacks its marker\n"),
              std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(sim.Stop(), 1);
  }
  EXPECT_EQ(Leftovers(dir, {"demo5.bin", "out.bin"}), std::vector<std::string>{});
}

TEST(CliTransfer, WriteSendsTheFile) {
  TempDir dir;
  const std::string file = DemoFile(dir, 3);
  const auto stored = dir / "stored.bin";
  SimProcess sim({"--kind", "3", "--out", stored.string(), "--sessions", "0"});
  const CliRun r = Cli(dir, "write " + file + " --port " + sim.pty());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("Wait..."), std::string::npos);
  EXPECT_EQ(r.out, "Wrote 163840 bytes from " + file + " to the receiver.\n");
  EXPECT_EQ(sim.Stop(), 1);
  EXPECT_EQ(testing::ReadFile(stored), testing::ReadFile(file));
}

TEST(CliTransfer, FailuresAndUsage) {
  TempDir dir;
  const std::string file = DemoFile(dir, 3);
  const auto missing = (dir / "missing.bin").string();
  const auto short_file = (dir / "short.bin").string();
  testing::WriteFile(short_file, std::string(1000, 'x'));
  const struct {
    std::string args;
    std::string env;
    int code;
    std::string text;
  } cases[] = {
      {"write " + missing + " --port /dev/null", "", 2,
       "kavor-cli: " + missing + ": File open error (1): No such file or directory\n"},
      {"write " + short_file + " --port /dev/null", "", 2,
       "kavor-cli: " + short_file + ": File open error (2): 1000 bytes; a data file has 163840 or 249856\n"},
      {"write " + file + " --port /dev/kavor-missing", "", 1,
       "kavor-cli: /dev/kavor-missing: Couldn't open port: No such file or directory\n"},
      {"read --port /dev/kavor-missing -o " + missing, "", 1,
       "kavor-cli: /dev/kavor-missing: Couldn't open port: No such file or directory\n"},
      {"read --port /dev/null -o " + missing, "", 1, "kavor-cli: /dev/null: Couldn't open port: not a serial port\n"},
      {"read --port COM2 -o " + missing, "KAVOR_COM2=/dev/kavor-missing", 1,
       "kavor-cli: /dev/kavor-missing: Couldn't open COM2 port: No such file or directory\n"},
      {"read -o " + missing, "", 64, "--port"},
      {"read --port /dev/null", "", 64, "-o"},
      {"write --port /dev/null", "", 64, "FILE"},
      {"write " + file + " --port /dev/null --bogus", "", 64, "--bogus"},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(dir, c.args, c.env);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.text), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(Leftovers(dir, {"demo3.bin", "short.bin"}), std::vector<std::string>{});
}

// An output that cannot be written ends the command before the receiver is
// bothered: no handshake, no transfer, no end byte.
TEST(CliTransfer, AnUnwritableOutputFailsBeforeConnecting) {
  TempDir dir;
  SimProcess sim({"--kind", "3", "--sessions", "0"});
  const auto out = (dir / "no-folder" / "out.bin").string();
  const CliRun r = Cli(dir, "read --port " + sim.pty() + " -o " + out);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kavor-cli: " + out + ": File save error: No such file or directory\n");
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_EQ(sim.CountLines("connected"), 0);
}

TEST(CliTransfer, AReadOfAnImageOpenWouldRefuseWritesNothing) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 3);
  image.set_mServiceCount(3091);
  const auto served = dir / "served.bin";
  std::ofstream(served, std::ios::binary).write(reinterpret_cast<const char*>(image.bytes()),
                                                std::streamsize(image.length()));
  SimProcess sim({"--kind", "3", "--image", served.string(), "--sessions", "0"});
  const auto out = dir / "out.bin";
  const CliRun r = Cli(dir, "read --port " + sim.pty() + " -o " + out.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Data format error: the header counts more records than a kind-3 image holds"),
            std::string::npos) << r.err;
  EXPECT_EQ(sim.Stop(), 1);
  EXPECT_EQ(Leftovers(dir, {"served.bin"}), std::vector<std::string>{});
}

TEST(CliTransfer, EachStatusLineOnce) {
  TempDir dir;
  SimProcess sim({"--kind", "3", "--fault", "noise", "--noise-ms", "600", "--sessions", "0"});
  const auto out = dir / "out.bin";
  const CliRun r = Cli(dir, "read --port " + sim.pty() + " -o " + out.string());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Count(r.err, "Trying to connect ... (10)\n"), 1) << r.err.substr(0, 400);
  EXPECT_EQ(Count(r.err, "\n50 %\n"), 1);
  EXPECT_EQ(sim.Stop(), 1);
}

// Ctrl+C or SIGTERM in the middle of a read: the end byte still goes out,
// no file (not even a temporary one) is left, and the exit code says which.
TEST(CliTransfer, ASignalEndsTheTransferCleanly) {
  const struct {
    int sig;
    int code;
  } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sig);
    TempDir dir;
    SimProcess sim({"--kind", "3", "--paced", "--sessions", "0"});
    const auto out = dir / "out.bin";
    const auto err = dir / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words{KAVOR_CLI_PATH, "read", "--port", sim.pty(), "-o", out.string()};
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, KAVOR_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const bool started = sim.WaitFor("read 0x80100000");
    ::kill(pid, c.sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), c.code);
    const std::string text = testing::ReadFile(err);
    EXPECT_NE(text.find("kavor-cli: " + sim.pty() + ": Transfer interrupted\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\n100 %\n"), std::string::npos);  // stopped, not finished
    EXPECT_EQ(Leftovers(dir, {}), std::vector<std::string>{});
    EXPECT_EQ(sim.Stop(), 1);
  }
}

}  // namespace
}  // namespace kavor
