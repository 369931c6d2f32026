#include "link/byte_queue.h"

namespace kavor {

CByteQueue::CByteQueue() { Clear(); }

int CByteQueue::Put(std::uint8_t byte) {
  const int w = write_index_.load(std::memory_order_relaxed);
  const int r = read_index_.load(std::memory_order_acquire);
  const int next = (w + 1) % kSize;
  if (next == r) return 0;
  storage_[std::size_t(w)] = byte;
  write_index_.store(next, std::memory_order_release);
  // Pairs with the fence in WaitForByte: either the consumer sees the new
  // index on its re-check, or we see its waiting flag and wake it.
  std::atomic_thread_fence(std::memory_order_seq_cst);
  if (consumer_waiting_.load(std::memory_order_relaxed)) {
    std::lock_guard<std::mutex> lock(wait_mutex_);
    wait_cv_.notify_one();
  }
  return 1;
}

int CByteQueue::Get(std::uint8_t* out) {
  const int r = read_index_.load(std::memory_order_relaxed);
  const int w = write_index_.load(std::memory_order_acquire);
  if (r == w) return 0;
  *out = storage_[std::size_t(r)];
  read_index_.store((r + 1) % kSize, std::memory_order_release);
  return 1;
}

int CByteQueue::GetCount() const {
  const int w = write_index_.load(std::memory_order_acquire);
  const int r = read_index_.load(std::memory_order_acquire);
  return (w - r + kSize) % kSize;
}

void CByteQueue::Clear() {
  storage_.fill(0);
  write_index_.store(0, std::memory_order_release);
  read_index_.store(0, std::memory_order_release);
}

bool CByteQueue::WaitForByte(std::chrono::steady_clock::time_point deadline) {
  auto available = [this] {
    return write_index_.load(std::memory_order_acquire) !=
           read_index_.load(std::memory_order_relaxed);
  };
  if (available()) return true;
  if (interrupted_.load()) return false;
  std::unique_lock<std::mutex> lock(wait_mutex_);
  consumer_waiting_.store(true, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_seq_cst);
  wait_cv_.wait_until(lock, deadline, [&] { return available() || interrupted_.load(); });
  consumer_waiting_.store(false, std::memory_order_relaxed);
  return available();
}

void CByteQueue::Interrupt() {
  interrupted_.store(true);
  std::lock_guard<std::mutex> lock(wait_mutex_);
  wait_cv_.notify_all();
}

}  // namespace kavor
