// The serial line to the receiver. Opens one port exclusively at 8N1 without
// flow control and runs a watcher thread (ThreadWatchComm) that moves every
// received byte into the public receive queue. This is the POSIX (termios)
// backend; nothing of it shows in the interface, so another backend can sit
// beside it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "link/byte_queue.h"

namespace kavor {

// "COM1".."COM4" name /dev/ttyS0..3 unless KAVOR_COM1..KAVOR_COM4 is set;
// any other name (a path) is used as it is.
std::string ResolvePortDevice(const std::string& name);
// The configured port index; anything outside 0..3 means the first port.
int NormalisePortIndex(int index);
// "COM1".."COM4" for the (normalised) index.
std::string PortNameForIndex(int index);

class CCommPort {
 public:
  static constexpr int kWriteTimeoutMs = 1000;

  CCommPort() = default;
  // Owners call Close first; as a safety net the destructor closes too.
  virtual ~CCommPort();
  CCommPort(const CCommPort&) = delete;
  CCommPort& operator=(const CCommPort&) = delete;

  // 1 when the port is open, configured and the watcher runs; 0 otherwise
  // (missing, held by another process, not a terminal or not configurable).
  int Open(const std::string& name, std::uint32_t baud);
  // Stops and joins the watcher, lets pending output reach the line (bounded
  // by the write time-out), discards unread input and closes the port.
  void Close();
  // Blocks until all bytes are written or the write time-out passed; returns
  // the number written.
  int Write(const std::uint8_t* data, int count);
  // Returns at once: 0 when nothing is waiting, else up to count bytes.
  int Read(std::uint8_t* buffer, int count);

  bool is_open() const { return fd_ >= 0; }
  const std::string& port_name() const { return name_; }

  CByteQueue mQueue;  // bytes received and not yet taken by the protocol

 private:
  friend unsigned ThreadWatchComm(CCommPort* port);
  void DrainOutput();

  int fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
  std::string name_;
  std::atomic<int> running_{0};
  std::thread watcher_;
};

// The watcher's procedure; 1 after a normal end.
unsigned ThreadWatchComm(CCommPort* port);

}  // namespace kavor
