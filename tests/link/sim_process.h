// Runs kavor-sim as a child process and follows its event lines.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace kavor::testing {

class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> all{KAVOR_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, KAVOR_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
    if (pid_ > 0) NextLine(pty_, 5000);
  }
  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The slave side of the simulator's pseudo-terminal.
  const std::string& pty() const { return pty_; }

  // Waits (at most timeout_ms) for an event line starting with `prefix`;
  // every line read on the way is kept in lines().
  bool WaitFor(const std::string& prefix, int timeout_ms = 10000) {
    std::string line;
    while (NextLine(line, timeout_ms))
      if (line.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }

  // Terminates the simulator and returns the number of end bytes it saw in
  // total (-1 if it did not report).
  int Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int ends = -1;
    std::string line;
    while (NextLine(line, 10000))
      if (line.compare(0, 5, "ends ") == 0) ends = std::stoi(line.substr(5));
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return ends;
  }

  // The receiver vanishes at once, as if unplugged: its end of the line closes.
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  int CountLines(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : lines_) n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
  }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  bool NextLine(std::string& line, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        lines_.push_back(line);
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0 || out_ < 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, int(left)) <= 0) continue;
      char chunk[512];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) return false;
      buffer_.append(chunk, std::size_t(n));
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
  std::string pty_;
  std::vector<std::string> lines_;
};

}  // namespace kavor::testing
