#include "link/comm_port.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace kavor {
namespace {

// A pseudo-terminal pair opened by the test itself: the port opens the
// slave, the test plays the other end on the master.
class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master_);
    ::unlockpt(master_);
    slave_ = ::ptsname(master_);
    // Keep one slave descriptor so the master never sees a hang-up.
    hold_ = ::open(slave_.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(hold_, &t);
    cfmakeraw(&t);
    ::tcsetattr(hold_, TCSANOW, &t);
  }
  ~Pty() {
    ::close(hold_);
    if (master_ >= 0) ::close(master_);
  }
  const std::string& slave() const { return slave_; }
  // Another descriptor of the terminal the port opens.
  int hold() const { return hold_; }
  // The far end goes away, as an unplugged adapter does.
  void HangUp() {
    ::close(master_);
    master_ = -1;
  }
  void Send(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) done += std::size_t(n);
      else {
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
  }
  // Bytes the port sent, read until `count` arrived or 5 s passed.
  std::vector<std::uint8_t> Receive(std::size_t count) {
    std::vector<std::uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      std::uint8_t buf[256];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) got.insert(got.end(), buf, buf + n);
    }
    return got;
  }

 private:
  int master_ = -1;
  int hold_ = -1;
  std::string slave_;
};

// Takes `count` bytes from the queue, waiting up to 5 s for each.
std::vector<std::uint8_t> Drain(CCommPort& port, std::size_t count) {
  std::vector<std::uint8_t> got;
  while (got.size() < count) {
    std::uint8_t b;
    if (port.mQueue.Get(&b)) {
      got.push_back(b);
      continue;
    }
    if (!port.mQueue.WaitForByte(std::chrono::steady_clock::now() + std::chrono::seconds(5))) break;
  }
  return got;
}

TEST(PortNames, ComNamesMapToSerialDevicesOrTheEnvironment) {
  ::unsetenv("KAVOR_COM1");
  ::unsetenv("KAVOR_COM4");
  EXPECT_EQ(ResolvePortDevice("COM1"), "/dev/ttyS0");
  EXPECT_EQ(ResolvePortDevice("COM4"), "/dev/ttyS3");
  ::setenv("KAVOR_COM4", "/dev/ttyUSB7", 1);
  EXPECT_EQ(ResolvePortDevice("COM4"), "/dev/ttyUSB7");
  ::unsetenv("KAVOR_COM4");
  EXPECT_EQ(ResolvePortDevice("/dev/pts/9"), "/dev/pts/9");
  EXPECT_EQ(ResolvePortDevice("COM5"), "COM5");
}

TEST(PortNames, IndexOutsideTheTableSelectsCom1) {
  const struct { int index; const char* name; } cases[] = {
      {0, "COM1"}, {1, "COM2"}, {3, "COM4"}, {4, "COM1"}, {-1, "COM1"}, {1000, "COM1"}};
  for (const auto& c : cases) EXPECT_EQ(PortNameForIndex(c.index), c.name) << c.index;
}

TEST(CommPort, OpenOnAMissingPortFails) {
  CCommPort port;
  EXPECT_EQ(port.Open("/dev/kavor-no-such-port", 115200), 0);
  EXPECT_FALSE(port.is_open());
  ::setenv("KAVOR_COM3", "/dev/kavor-no-such-port", 1);
  EXPECT_EQ(port.Open("COM3", 115200), 0);
  ::unsetenv("KAVOR_COM3");
  EXPECT_FALSE(port.is_open());
}

TEST(CommPort, OpenOnAFileThatIsNotATerminalFails) {
  CCommPort port;
  EXPECT_EQ(port.Open("/dev/null", 115200), 0);
  EXPECT_FALSE(port.is_open());
}

TEST(CommPort, OpenOnAPortHeldByAnotherPortObjectFails) {
  Pty pty;
  CCommPort first, second;
  ASSERT_EQ(first.Open(pty.slave(), 115200), 1);
  EXPECT_EQ(second.Open(pty.slave(), 115200), 0);
  EXPECT_FALSE(second.is_open());
  first.Close();
  EXPECT_EQ(second.Open(pty.slave(), 115200), 1);
  second.Close();
}

TEST(CommPort, OpenOnAPortHeldByAnotherProcessFails) {
  Pty pty;
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only async-signal-safe calls in the child.
    const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
    const char ok = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
    [[maybe_unused]] ssize_t w = ::write(ready[1], &ok, 1);
    char c;
    [[maybe_unused]] ssize_t r = ::read(release[0], &c, 1);
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  CCommPort port;
  EXPECT_EQ(port.Open(pty.slave(), 115200), 0);
  EXPECT_FALSE(port.is_open());
  [[maybe_unused]] ssize_t w = ::write(release[1], "x", 1);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(port.Open(pty.slave(), 115200), 1);
  port.Close();
  for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
}

TEST(CommPort, ReadReturnsZeroAtOnceWhenNothingArrived) {
  Pty pty;
  CCommPort port;
  std::uint8_t b = 0;
  EXPECT_EQ(port.Read(&b, 1), 0);  // closed
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  EXPECT_EQ(port.Read(&b, 1), 0);
  port.Close();
}

TEST(CommPort, WriteReachesTheLineInOrder) {
  Pty pty;
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  std::vector<std::uint8_t> data(3000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 13 + 1);
  EXPECT_EQ(port.Write(data.data(), int(data.size())), int(data.size()));
  EXPECT_EQ(pty.Receive(data.size()), data);
  port.Close();
}

// More than the queue holds arrives at once: nothing may be lost or
// reordered while the protocol catches up.
TEST(CommPort, WatcherDeliversEveryByteInOrderEvenBeyondTheQueueSize) {
  Pty pty;
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  std::vector<std::uint8_t> data(40000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t((i * 31) ^ (i >> 8));
  std::thread sender([&] { pty.Send(data); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the queue fill up
  EXPECT_EQ(Drain(port, data.size()), data);
  sender.join();
  port.Close();
}

TEST(CommPort, QueueContentSurvivesCloseAndReopen) {
  Pty pty;
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  pty.Send({1, 2, 3});
  // Wait until the watcher has moved all three (WaitForByte would return at
  // once as soon as the first one is there).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (port.mQueue.GetCount() < 3 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(port.mQueue.GetCount(), 3);
  port.Close();
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  EXPECT_EQ(port.mQueue.GetCount(), 3);
  pty.Send({4});
  EXPECT_EQ(Drain(port, 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
  port.Close();
}

// After Close no watcher touches the port: bytes arriving later stay out of
// the queue, and the descriptor is free for the next Open.
TEST(CommPort, CloseStopsTheWatcher) {
  Pty pty;
  CCommPort port;
  for (int round = 0; round < 20; ++round) {
    ASSERT_EQ(port.Open(pty.slave(), 115200), 1) << round;
    pty.Send({std::uint8_t(round)});
    ASSERT_EQ(Drain(port, 1), std::vector<std::uint8_t>{std::uint8_t(round)});
    port.Close();
    EXPECT_FALSE(port.is_open());
  }
  pty.Send({0xEE, 0xEF});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(port.mQueue.GetCount(), 0);
}

TEST(CommPort, InputArrivingWhileClosedIsDiscardedByTheNextOpen) {
  Pty pty;
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  port.Close();
  pty.Send({0x55, 0x56});  // arrives while closed: the next Open discards it
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  pty.Send({0x57});
  EXPECT_EQ(Drain(port, 1), std::vector<std::uint8_t>{0x57});
  port.Close();
}

TEST(CommPort, DefaultsAreTheLinksOwn) {
  EXPECT_EQ(CCommPort::kBaudRate, 115200u);
  EXPECT_EQ(CCommPort::kWriteTimeoutMs, 1000);
  CCommPort port;
  EXPECT_EQ(port.write_timeout_ms(), 1000);
  EXPECT_EQ(CCommPort::kIdleBackoffMs, 20);
}

int ExclusiveFlag(int fd) {
  int excl = -1;
  return ::ioctl(fd, TIOCGEXCL, &excl) == 0 ? excl : -1;
}

// The exclusive mode is the terminal's: it outlives our descriptor while
// anything else holds the line (here the test's own descriptor).
TEST(CommPort, CloseGivesUpTheExclusiveMode) {
  Pty pty;
  CCommPort port;
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
    EXPECT_EQ(ExclusiveFlag(pty.hold()), 1) << round;
    port.Close();
    EXPECT_EQ(ExclusiveFlag(pty.hold()), 0) << round;
  }
}

TEST(CommPort, AFailedOpenLeavesTheModeAsItWas) {
  Pty pty;
  CCommPort first, second;
  ASSERT_EQ(first.Open(pty.slave(), 115200), 1);
  EXPECT_EQ(second.Open(pty.slave(), 115200), 0);
  EXPECT_EQ(ExclusiveFlag(pty.hold()), 1);  // still the first one's
  first.Close();
  EXPECT_EQ(ExclusiveFlag(pty.hold()), 0);
}

// What an ordinary user sees: a child drops to nobody and opens the line.
// Exit 0 opened, 1 refused as busy, 2 refused otherwise, 3 could not drop.
int OpenAsNobody(const std::string& device) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ::_exit(fd >= 0 ? 0 : errno == EBUSY ? 1 : 2);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CommPort, AnOrdinaryUserCanOpenTheLineAgainAfterATransfer) {
  Pty pty;
  ASSERT_EQ(::chmod(pty.slave().c_str(), 0666), 0);
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  EXPECT_EQ(OpenAsNobody(pty.slave()), 1);  // kept out while we hold it
  port.Close();
  EXPECT_EQ(OpenAsNobody(pty.slave()), 0);
}

TEST(CommPort, LastErrorSaysWhyOpenFailed) {
  Pty pty;
  CCommPort holder;
  ASSERT_EQ(holder.Open(pty.slave(), 115200), 1);
  const struct {
    std::string device;
    const char* reason;
  } cases[] = {
      {"/dev/kavor-no-such-port", "No such file or directory"},
      {"/dev/null", "not a serial port"},
      {pty.slave(), "in use by another program"},
  };
  for (const auto& c : cases) {
    CCommPort port;
    EXPECT_EQ(port.Open(c.device, 115200), 0) << c.device;
    EXPECT_EQ(port.last_error(), c.reason) << c.device;
  }
  holder.Close();
  CCommPort port;
  ASSERT_EQ(port.Open("/dev/null", 115200), 0);
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  EXPECT_EQ(port.last_error(), "");
  port.Close();
}

// After a hang-up poll() keeps reporting input that read() answers with
// nothing; the watcher must rest between looks instead of spinning.
TEST(CommPort, WatcherRestsAfterTheLineHangsUp) {
  Pty pty;
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  pty.Send({0x42});
  ASSERT_EQ(Drain(port, 1), std::vector<std::uint8_t>{0x42});
  pty.HangUp();
  const auto start = std::chrono::steady_clock::now();
  const unsigned long before = port.watcher_wakeups();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const unsigned long woke = port.watcher_wakeups() - before;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start).count();
  // Resting: about one look per back-off. Spinning: thousands.
  EXPECT_LE(woke, static_cast<unsigned long>(elapsed / CCommPort::kIdleBackoffMs + 5)) << elapsed << " ms";
  EXPECT_GE(woke, 1u);
  port.Close();
  EXPECT_FALSE(port.is_open());
}

TEST(CommPort, StopReceivingKeepsLaterBytesOutOfTheQueueButStillWrites) {
  Pty pty;
  CCommPort port;
  ASSERT_EQ(port.Open(pty.slave(), 115200), 1);
  pty.Send({0x01});
  ASSERT_EQ(Drain(port, 1), std::vector<std::uint8_t>{0x01});
  port.StopReceiving();
  pty.Send({0x02, 0x03});
  const std::uint8_t end = 0x1B;
  EXPECT_EQ(port.Write(&end, 1), 1);
  EXPECT_EQ(pty.Receive(1), std::vector<std::uint8_t>{0x1B});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(port.mQueue.GetCount(), 0);
  port.Close();
  EXPECT_EQ(port.mQueue.GetCount(), 0);
}

}  // namespace
}  // namespace kavor
