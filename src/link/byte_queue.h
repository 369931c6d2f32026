// The receive queue between the port's watcher thread (producer) and the
// transfer protocol (consumer). Lock-free ring for the bytes themselves; a
// condition variable only parks the consumer while the ring is empty, so a
// transfer waiting for the receiver does not keep a core busy.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kavor {

class CByteQueue {
 public:
  static constexpr int kSize = 8192;
  static constexpr int kCapacity = kSize - 1;  // one slot stays free

  CByteQueue();
  virtual ~CByteQueue() = default;
  CByteQueue(const CByteQueue&) = delete;
  CByteQueue& operator=(const CByteQueue&) = delete;

  // Producer side. 0 when the queue already holds kCapacity bytes.
  int Put(std::uint8_t byte);
  // Consumer side. 0 when empty; `out` is left untouched then.
  int Get(std::uint8_t* out);
  int GetCount() const;
  // Not safe while either side is running.
  void Clear();

  // Consumer side: returns once a byte is available (true) or the deadline
  // has passed or the wait was interrupted (false). Sleeps rather than polls.
  bool WaitForByte(std::chrono::steady_clock::time_point deadline);
  // Any thread: ends the consumer's current and every later wait at once,
  // until ClearInterrupt. Used to stop a transfer from outside.
  void Interrupt();
  void ClearInterrupt() { interrupted_.store(false); }
  bool interrupted() const { return interrupted_.load(); }

 private:
  std::array<std::uint8_t, kSize> storage_{};
  std::atomic<int> write_index_{0};
  std::atomic<int> read_index_{0};

  std::atomic<bool> consumer_waiting_{false};
  std::atomic<bool> interrupted_{false};
  std::mutex wait_mutex_;
  std::condition_variable wait_cv_;
};

}  // namespace kavor
