#include "link/byte_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

namespace kavor {
namespace {

TEST(ByteQueue, EmptyGetLeavesOutputUntouched) {
  CByteQueue q;
  std::uint8_t out = 0x5A;
  EXPECT_EQ(q.Get(&out), 0);
  EXPECT_EQ(out, 0x5A);
  EXPECT_EQ(q.GetCount(), 0);
}

TEST(ByteQueue, HoldsAtMost8191AndRefusesMore) {
  CByteQueue q;
  for (int i = 0; i < CByteQueue::kCapacity; ++i) ASSERT_EQ(q.Put(std::uint8_t(i)), 1) << i;
  EXPECT_EQ(q.GetCount(), 8191);
  EXPECT_EQ(q.Put(0xFF), 0);
  EXPECT_EQ(q.GetCount(), 8191);
  // The refused byte was not stored: the bytes come back in order and stop.
  for (int i = 0; i < CByteQueue::kCapacity; ++i) {
    std::uint8_t b = 0;
    ASSERT_EQ(q.Get(&b), 1);
    ASSERT_EQ(b, std::uint8_t(i));
  }
  std::uint8_t b = 0;
  EXPECT_EQ(q.Get(&b), 0);
}

TEST(ByteQueue, WrapsAroundWithCorrectCount) {
  CByteQueue q;
  std::uint8_t b = 0;
  // Move both indices to 8191, then put across the end of the ring.
  for (int i = 0; i < 8191; ++i) {
    ASSERT_EQ(q.Put(1), 1);
    ASSERT_EQ(q.Get(&b), 1);
  }
  EXPECT_EQ(q.GetCount(), 0);
  const std::uint8_t values[] = {0x10, 0x20, 0x30};
  for (std::uint8_t v : values) ASSERT_EQ(q.Put(v), 1);
  EXPECT_EQ(q.GetCount(), 3);
  for (std::uint8_t v : values) {
    ASSERT_EQ(q.Get(&b), 1);
    EXPECT_EQ(b, v);
  }
  EXPECT_EQ(q.GetCount(), 0);
}

TEST(ByteQueue, ClearEmptiesIt) {
  CByteQueue q;
  for (int i = 0; i < 100; ++i) q.Put(7);
  q.Clear();
  EXPECT_EQ(q.GetCount(), 0);
  std::uint8_t b = 0x42;
  EXPECT_EQ(q.Get(&b), 0);
  EXPECT_EQ(b, 0x42);
}

TEST(ByteQueue, ProducerAndConsumerThreadsKeepOrder) {
  CByteQueue q;
  constexpr int kBytes = 200000;
  std::thread producer([&] {
    for (int i = 0; i < kBytes; ++i)
      while (!q.Put(std::uint8_t(i * 7))) std::this_thread::yield();
  });
  int mismatches = 0;
  for (int i = 0; i < kBytes; ++i) {
    std::uint8_t b = 0;
    while (!q.Get(&b)) ASSERT_TRUE(q.WaitForByte(std::chrono::steady_clock::now() + std::chrono::seconds(10)));
    mismatches += b != std::uint8_t(i * 7);
  }
  producer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(q.GetCount(), 0);
}

TEST(ByteQueue, WaitWakesForALateByte) {
  CByteQueue q;
  std::thread producer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    q.Put(0x99);
  });
  EXPECT_TRUE(q.WaitForByte(std::chrono::steady_clock::now() + std::chrono::seconds(10)));
  std::uint8_t b = 0;
  EXPECT_EQ(q.Get(&b), 1);
  EXPECT_EQ(b, 0x99);
  producer.join();
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// A consumer waiting for a byte that never comes must sleep, not spin: a
// busy loop would burn about the whole wait in processor time.
TEST(ByteQueue, WaitingOnAnEmptyQueueUsesNoProcessor) {
  CByteQueue q;
  const double cpu_before = ThreadCpuSeconds();
  EXPECT_FALSE(q.WaitForByte(std::chrono::steady_clock::now() + std::chrono::milliseconds(400)));
  EXPECT_LT(ThreadCpuSeconds() - cpu_before, 0.1);
}

}  // namespace
}  // namespace kavor
