#include "link/comm_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace kavor {
namespace {

speed_t BaudConstant(std::uint32_t baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

std::string ResolvePortDevice(const std::string& name) {
  if (name.size() == 4 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '4') {
    const std::string var = "KAVOR_" + name;
    if (const char* dev = std::getenv(var.c_str()); dev && *dev) return dev;
    return std::string("/dev/ttyS") + char('0' + (name[3] - '1'));
  }
  return name;
}

int NormalisePortIndex(int index) { return index >= 0 && index <= 3 ? index : 0; }

std::string PortNameForIndex(int index) {
  return "COM" + std::to_string(NormalisePortIndex(index) + 1);
}

CCommPort::~CCommPort() { Close(); }

bool CCommPort::is_open() const { return fd_ >= 0; }

int CCommPort::Fail(int& fd, const std::string& reason) {
  last_error_ = reason;
  CloseFd(fd);
  return 0;
}

int CCommPort::Open(const std::string& name, std::uint32_t baud) {
  if (is_open()) {
    last_error_ = "already open";
    return 0;
  }
  running_.store(0);
  name_ = name;
  last_error_.clear();
  const speed_t speed = BaudConstant(baud);
  if (speed == B0) {
    last_error_ = "unsupported baud rate " + std::to_string(baud);
    return 0;
  }

  const std::string device = ResolvePortDevice(name);
  int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(fd, std::strerror(errno));
  if (!::isatty(fd)) return Fail(fd, "not a serial port");
  // "No sharing": TIOCEXCL keeps other (non-root) openers out, the lock
  // catches a second Kavor or kavor-cli even when run as root.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    return Fail(fd, errno == EWOULDBLOCK ? "in use by another program" : std::strerror(errno));
  ::ioctl(fd, TIOCEXCL);
  // The exclusive mode belongs to the terminal, not to this descriptor: it
  // outlives our close while anything else holds the line open (the far end
  // of a pty, an adapter's helper), and would lock every ordinary user out
  // of the next transfer. Every way out of here gives it up again.
  auto fail_exclusive = [&](const std::string& reason) {
    ::ioctl(fd, TIOCNXCL);
    return Fail(fd, reason);
  };

  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return fail_exclusive(std::strerror(errno));
  cfmakeraw(&tio);
  tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 ||
      ::tcsetattr(fd, TCSANOW, &tio) != 0)
    return fail_exclusive(std::strerror(errno));
  // Only the input side: our own output was drained by the last Close, and
  // discarding output here could drop an end byte the receiver has not yet
  // taken (on a pty it flushes the other end's unread input).
  ::tcflush(fd, TCIFLUSH);

  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return fail_exclusive(std::strerror(errno));
  fd_ = fd;
  wake_read_ = wake[0];
  wake_write_ = wake[1];
  running_.store(1);
  try {
    watcher_ = std::thread([this] { ThreadWatchComm(this); });
  } catch (const std::system_error& e) {
    Close();
    last_error_ = e.what();
    return 0;
  }
  return 1;
}

void CCommPort::StopReceiving() {
  running_.store(0);
  if (wake_write_ >= 0) {
    const char b = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_write_, &b, 1);
  }
  // The descriptor is released only after the watcher has left poll().
  if (watcher_.joinable()) watcher_.join();
}

void CCommPort::Close() {
  StopReceiving();
  if (fd_ >= 0) {
    DrainOutput();
    ::tcflush(fd_, TCIFLUSH);
    ::ioctl(fd_, TIOCNXCL);
  }
  CloseFd(fd_);
  CloseFd(wake_read_);
  CloseFd(wake_write_);
}

void CCommPort::DrainOutput() {
  // tcdrain() has no time-out; wait on the output count instead, bounded by
  // the write time-out, so a stuck line cannot hang Close.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(write_timeout_ms_);
  for (;;) {
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) != 0) break;
    if (pending <= 0) {
      ::tcdrain(fd_);  // only the transmitter itself is left
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) return;
    ::usleep(1000);
  }
}

int CCommPort::Write(const std::uint8_t* data, int count) { return Write(data, count, write_timeout_ms_); }

int CCommPort::Write(const std::uint8_t* data, int count, int timeout_ms) {
  if (fd_ < 0 || count <= 0) return 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int written = 0;
  while (written < count) {
    const ssize_t n = ::write(fd_, data + written, std::size_t(count - written));
    if (n > 0) {
      written += int(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, int(left));
  }
  return written;
}

int CCommPort::Read(std::uint8_t* buffer, int count) {
  if (fd_ < 0 || count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, std::size_t(count));
    if (n > 0) return int(n);
    if (n < 0 && errno == EINTR) continue;
    return 0;
  }
}

unsigned ThreadWatchComm(CCommPort* port) {
  std::uint8_t chunk[256];
  while (port->running_.load() == 1) {
    const int room = CByteQueue::kCapacity - port->mQueue.GetCount();
    pollfd fds[2] = {{port->wake_read_, POLLIN, 0}, {port->fd_, POLLIN, 0}};
    // With the queue full the bytes stay in the driver until the protocol
    // catches up, instead of being thrown away.
    const nfds_t nfds = room > 0 ? 2 : 1;
    const int rc = ::poll(fds, nfds, room > 0 ? -1 : 1);
    port->wakeups_.fetch_add(1, std::memory_order_relaxed);
    if (rc < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0) break;
    if (nfds < 2 || fds[1].revents == 0) continue;
    bool received = false;
    if (fds[1].revents & POLLIN) {
      for (;;) {
        const int free_space = CByteQueue::kCapacity - port->mQueue.GetCount();
        if (free_space <= 0) break;
        const int n = port->Read(chunk, free_space < int(sizeof chunk) ? free_space : int(sizeof chunk));
        if (n <= 0) break;
        received = true;
        for (int i = 0; i < n; ++i) port->mQueue.Put(chunk[i]);
      }
    }
    if (!received) {
      // A hang-up (the device went away, the far end closed) keeps poll()
      // reporting input that read() answers with nothing: not data, so rest
      // before looking again unless Close wakes us first.
      pollfd wake{port->wake_read_, POLLIN, 0};
      if (::poll(&wake, 1, CCommPort::kIdleBackoffMs) > 0) break;
    }
  }
  return 1;
}

}  // namespace kavor
