// The serial line to the receiver. Opens one port exclusively at 8N1 without
// flow control and runs a watcher thread (ThreadWatchComm) that moves every
// received byte into the public receive queue. Two backends sit behind this
// one interface, chosen by the build: POSIX termios (comm_port_posix.cpp) and
// Win32 overlapped I/O (comm_port_win32.cpp).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "link/byte_queue.h"

namespace kavor {

// "COM1".."COM4" name /dev/ttyS0..3 unless KAVOR_COM1..KAVOR_COM4 is set;
// any other name (a path) is used as it is. On Windows every "COMn" names the
// device \\.\COMn (which also reaches COM10 and up), again unless
// KAVOR_COM1..KAVOR_COM4 names another port.
std::string ResolvePortDevice(const std::string& name);
// The configured port index; anything outside 0..3 means the first port.
int NormalisePortIndex(int index);
// "COM1".."COM4" for the (normalised) index.
std::string PortNameForIndex(int index);

class CCommPort {
 public:
  static constexpr std::uint32_t kBaudRate = 115200;
  static constexpr int kWriteTimeoutMs = 1000;
  // How long the watcher rests when the line reports a hang-up or an error
  // without data, before it looks again (unless Close wakes it first).
  static constexpr int kIdleBackoffMs = 20;

  CCommPort() = default;
  // Owners call Close first; as a safety net the destructor closes too.
  virtual ~CCommPort();
  CCommPort(const CCommPort&) = delete;
  CCommPort& operator=(const CCommPort&) = delete;

  // 1 when the port is open, configured and the watcher runs; 0 otherwise
  // (missing, held by another process, not a terminal or not configurable).
  int Open(const std::string& name, std::uint32_t baud);
  // Stops and joins the watcher, lets pending output reach the line (bounded
  // by the write time-out), discards unread input, gives up the exclusive
  // claim and closes the port.
  void Close();
  // Stops and joins the watcher but keeps the port open for writing: what
  // arrives from now on stays out of the receive queue (Close discards it).
  void StopReceiving();
  // Blocks until all bytes are written or the write time-out passed; returns
  // the number written.
  int Write(const std::uint8_t* data, int count);
  // The same with its own time-out for the whole call.
  int Write(const std::uint8_t* data, int count, int timeout_ms);
  // Returns at once: 0 when nothing is waiting, else up to count bytes.
  int Read(std::uint8_t* buffer, int count);

  bool is_open() const;
  const std::string& port_name() const { return name_; }
  // Why the last Open failed, in the system's words ("No such file or
  // directory", ...); empty after a successful Open.
  const std::string& last_error() const { return last_error_; }
  // The time-out of Write without one, also the bound of Close's drain.
  void set_write_timeout_ms(int ms) { write_timeout_ms_ = ms > 0 ? ms : kWriteTimeoutMs; }
  int write_timeout_ms() const { return write_timeout_ms_; }
  // How often the watcher has woken up since construction; lets tests see
  // that it waits rather than spins.
  unsigned long watcher_wakeups() const { return wakeups_.load(std::memory_order_relaxed); }

  CByteQueue mQueue;  // bytes received and not yet taken by the protocol

 private:
  friend unsigned ThreadWatchComm(CCommPort* port);
  void DrainOutput();
#ifdef _WIN32
  int Fail(const std::string& reason);
  bool WaitForEvent();

  // Win32 handles, kept as void* so that <windows.h> stays out of here.
  void* handle_ = nullptr;       // the port, opened for overlapped I/O
  void* read_event_ = nullptr;   // ReadFile's OVERLAPPED event
  void* write_event_ = nullptr;  // WriteFile's OVERLAPPED event
  void* wait_event_ = nullptr;   // WaitCommEvent's OVERLAPPED event
  void* stop_event_ = nullptr;   // set by StopReceiving to end the watcher's wait
  void* claim_ = nullptr;        // named mutex: this device is ours
#else
  int Fail(int& fd, const std::string& reason);

  int fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
#endif
  std::string name_;
  std::string last_error_;
  int write_timeout_ms_ = kWriteTimeoutMs;
  std::atomic<unsigned long> wakeups_{0};
  std::atomic<int> running_{0};
  std::thread watcher_;
};

// The watcher's procedure; 1 after a normal end.
unsigned ThreadWatchComm(CCommPort* port);

}  // namespace kavor
