// The Win32 port against kavor-sim on the far end of a pseudo-terminal that
// wine maps to a COM port. KAVOR_TEST_ANNOUNCING_PORT names a port whose
// receiver announces itself (0xCB) every 100 ms, KAVOR_TEST_SILENT_PORT one
// whose receiver never says anything; tests/windows/run-wine-tests sets both.
#include "link/comm_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace kavor {
namespace {

using namespace std::chrono_literals;

std::string PortFromEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

class Win32PortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    announcing_ = PortFromEnv("KAVOR_TEST_ANNOUNCING_PORT");
    silent_ = PortFromEnv("KAVOR_TEST_SILENT_PORT");
    if (announcing_.empty() || silent_.empty()) GTEST_SKIP() << "no simulated receivers on COM ports";
  }
  std::string announcing_, silent_;
};

TEST(Win32PortNames, ComNamesAreWindowsDevicesUnlessTheEnvironmentNamesAnother) {
  ::_putenv("KAVOR_COM2=");
  ::_putenv("KAVOR_COM3=\\\\.\\pipe\\elsewhere");
  ::_putenv("KAVOR_COM4=COM12");
  EXPECT_EQ(ResolvePortDevice("COM1"), "\\\\.\\COM1");
  EXPECT_EQ(ResolvePortDevice("COM2"), "\\\\.\\COM2");  // empty counts as unset
  EXPECT_EQ(ResolvePortDevice("COM3"), "\\\\.\\pipe\\elsewhere");
  EXPECT_EQ(ResolvePortDevice("COM4"), "\\\\.\\COM12");
  EXPECT_EQ(ResolvePortDevice("com7"), "\\\\.\\COM7");
  EXPECT_EQ(ResolvePortDevice("COM10"), "\\\\.\\COM10");
  EXPECT_EQ(ResolvePortDevice("COM0"), "COM0");
  EXPECT_EQ(ResolvePortDevice("COM256"), "COM256");
  EXPECT_EQ(ResolvePortDevice("COMX"), "COMX");
  EXPECT_EQ(ResolvePortDevice("\\\\.\\COM9"), "\\\\.\\COM9");
  ::_putenv("KAVOR_COM3=");
  ::_putenv("KAVOR_COM4=");
}

TEST(Win32Port, AMissingPortIsRefusedAndLeavesNothingOpen) {
  CCommPort port;
  EXPECT_EQ(port.Open("COM199", CCommPort::kBaudRate), 0);
  EXPECT_FALSE(port.is_open());
  EXPECT_FALSE(port.last_error().empty());
  std::uint8_t byte = 0;
  EXPECT_EQ(port.Read(&byte, 1), 0);
  EXPECT_EQ(port.Write(&byte, 1), 0);
  port.Close();  // closing what never opened is harmless
}

TEST_F(Win32PortTest, ASecondOpenerIsRefusedUntilTheFirstCloses) {
  CCommPort first, second;
  ASSERT_EQ(first.Open(announcing_, CCommPort::kBaudRate), 1) << first.last_error();
  EXPECT_EQ(first.Open(announcing_, CCommPort::kBaudRate), 0);  // the same object: already open
  EXPECT_EQ(second.Open(announcing_, CCommPort::kBaudRate), 0);
  EXPECT_FALSE(second.is_open());
  EXPECT_EQ(second.last_error(), "in use by another program");
  first.Close();
  ASSERT_EQ(second.Open(announcing_, CCommPort::kBaudRate), 1) << second.last_error();
  second.Close();
}

TEST_F(Win32PortTest, ReceivedBytesReachTheQueueInOrder) {
  CCommPort port;
  ASSERT_EQ(port.Open(announcing_, CCommPort::kBaudRate), 1) << port.last_error();
  ASSERT_TRUE(port.mQueue.WaitForByte(std::chrono::steady_clock::now() + 3s));
  std::uint8_t byte = 0;
  ASSERT_EQ(port.mQueue.Get(&byte), 1);
  EXPECT_EQ(byte, 0xCB);
  port.Close();
}

TEST_F(Win32PortTest, CloseEndsTheWatchersWaitAndTheWaitDoesNotSpin) {
  CCommPort port;
  ASSERT_EQ(port.Open(silent_, CCommPort::kBaudRate), 1) << port.last_error();
  const unsigned long before = port.watcher_wakeups();
  std::this_thread::sleep_for(300ms);
  // Nothing arrived: the watcher waits instead of polling. (Under wine every
  // wait on a pseudo-terminal ends when its modem lines cannot be read; the
  // watcher then rests 20 ms each time, 15 in 300 ms. A spinning one would
  // wake thousands of times.)
  EXPECT_LE(port.watcher_wakeups() - before, 300u / CCommPort::kIdleBackoffMs + 3);
  std::uint8_t byte = 0;
  EXPECT_EQ(port.Read(&byte, 1), 0);  // nothing waiting: returns at once
  port.Close();  // joins the watcher, which was waiting for an event
  EXPECT_FALSE(port.is_open());
  EXPECT_EQ(port.mQueue.GetCount(), 0);
  // The port is free again for the next transfer.
  ASSERT_EQ(port.Open(silent_, CCommPort::kBaudRate), 1) << port.last_error();
  port.Close();
}

TEST_F(Win32PortTest, CloseAndOpenDiscardWhatTheWatcherDidNotTake) {
  CCommPort port;
  ASSERT_EQ(port.Open(announcing_, CCommPort::kBaudRate), 1) << port.last_error();
  ASSERT_TRUE(port.mQueue.WaitForByte(std::chrono::steady_clock::now() + 3s));
  // With the watcher stopped the announcements pile up in the driver, five
  // of them in half a second.
  port.StopReceiving();
  const int queued = port.mQueue.GetCount();
  std::this_thread::sleep_for(500ms);
  port.Close();
  // The queue keeps what it held; the driver's bytes are gone.
  EXPECT_EQ(port.mQueue.GetCount(), queued);
  std::this_thread::sleep_for(500ms);  // and five more while the port is closed
  ASSERT_EQ(port.Open(announcing_, CCommPort::kBaudRate), 1) << port.last_error();
  port.StopReceiving();
  std::uint8_t buffer[64];
  int pending = 0;
  for (int n; (n = port.Read(buffer, int(sizeof buffer))) > 0;) pending += n;
  // At most the one announcement that can have come since the purge.
  EXPECT_LE(pending, 1);
  EXPECT_LE(port.mQueue.GetCount(), queued + 1);
  port.Close();
}

TEST_F(Win32PortTest, WritesCompleteAndCount) {
  CCommPort port;
  ASSERT_EQ(port.Open(silent_, CCommPort::kBaudRate), 1) << port.last_error();
  const std::uint8_t bytes[3] = {0x00, 0x1B, 0xFF};
  EXPECT_EQ(port.Write(bytes, 3), 3);
  EXPECT_EQ(port.Write(bytes, 0), 0);
  port.Close();
}

}  // namespace
}  // namespace kavor
