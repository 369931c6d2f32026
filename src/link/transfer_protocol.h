// The receiver's loader protocol: power-up handshake, version table, and one
// block read or write of the whole channel image, with a 32-bit byte sum.
// Knows nothing about widgets; status and progress go to a TransferObserver.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "database/image.h"
#include "link/comm_port.h"

namespace kavor {

struct TransferTiming {
  int byte_timeout_ms = 1000;     // ReceiveByte's deadline
  int connect_attempts = 10;      // silent time-outs before giving up the handshake
  int connect_limit_ms = 30000;   // the whole handshake, however many bytes arrive
  int sync_pause_ms = 20;         // between 0xBC and 0x16
  int final_waits = 10;           // time-outs allowed for the write's confirmation
  int write_timeout_ms = 1000;    // what a write may take beyond its line time
  int line_bytes_per_second = 11520;  // 115200 baud at 10 bits a byte
};

enum class TransferDirection { kRead, kWrite };

enum class TransferResult {
  kOk,
  kOpenError,
  kConnectError,
  kVersionTableError,
  kDataReadError,
  kDataFormatError,
  kDataWriteError,
  kCancelled,  // stopped from outside (kavor-cli on a signal)
};

// The message the user sees. `port_number` is the configured index + 1.
std::string TransferErrorText(TransferResult result, int port_number);

// Called on the thread that runs the transfer.
class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  virtual void OnStatus(const std::string& /*text*/) {}
  virtual void OnProgressShown(bool /*shown*/) {}
  virtual void OnProgress(int /*percent*/) {}
};

namespace protocol {
inline constexpr std::uint8_t kAnnounce = 0xCB;
inline constexpr std::uint8_t kAnswer = 0xBC;
inline constexpr std::uint8_t kSync = 0x16;
inline constexpr std::uint8_t kReadCommand = 0x75;
inline constexpr std::uint8_t kWriteCommand = 0x64;
inline constexpr std::uint8_t kAccepted = 0x00;
inline constexpr std::uint8_t kEnd = 0x1B;
inline constexpr std::uint32_t kVersionTableAddress = 0x7FFEF000;
inline constexpr std::uint32_t kVersionTableLength = 64;
inline constexpr std::uint32_t kIdentification = 0x000050C2;
inline constexpr std::size_t kIdOffset = 4;
inline constexpr std::size_t kKindOffset = 0x28;
inline constexpr std::size_t kBaseOffset = 0x2C;
inline constexpr std::uint32_t kBaudRate = 115200;
}  // namespace protocol

class TransferProtocol {
 public:
  explicit TransferProtocol(CCommPort& port, TransferTiming timing = {});

  void set_observer(TransferObserver* observer);
  // Any thread: the running transfer stops at its next step, still sending
  // the end byte and closing the port, and ends with kCancelled; later
  // transfers on this object end so at once.
  void Cancel();
  bool cancelled() const { return cancelled_.load(); }
  void set_timing(const TransferTiming& timing) { timing_ = timing; }
  const TransferTiming& timing() const { return timing_; }

  // One whole transfer: open, handshake, version table, block, end byte,
  // close. A read leaves the received image in staged(); the caller installs
  // it. A write never modifies `image` (the clamped header of a kind 5 to
  // kind 3 conversion is applied to a private copy).
  TransferResult OnOK(TransferDirection direction, const std::string& port_name, const Image* image);

  // The same split in two, for callers that open on one thread and run the
  // rest on another. RunOpened always sends the end byte and closes the port.
  bool OpenPort(const std::string& port_name);
  TransferResult RunOpened(TransferDirection direction, const Image* image);

  // --- the protocol steps
  // False when the line did not take the byte within the write time-out.
  bool SendByte(std::uint8_t byte);
  // The next received byte; on time-out returns 0 with timed_out() true.
  std::uint8_t ReceiveByte();
  bool timed_out() const { return mTimeOut != 0; }
  int ConnectReceiver();
  int CheckVersionTable(TransferDirection direction, int image_kind);
  int ReadBlock(std::uint32_t address, std::uint32_t length, std::uint8_t* destination, bool progress);
  int WriteBlock(const std::uint8_t* data, std::uint32_t length, bool progress);

  // --- results
  const std::uint8_t* staged() const { return staged_.get(); }
  int staged_kind() const { return staged_kind_; }
  const std::array<std::uint8_t, 64>& version_table() const { return mVersionTable; }
  int receiver_kind() const;
  std::uint32_t receiver_base() const;
  bool conversion() const { return mConversion != 0; }
  // Image bytes the last successful transfer moved.
  std::uint32_t block_length() const { return block_length_; }
  // A few words on why the last transfer failed, where more is known than
  // the message says; often empty.
  const std::string& failure_reason() const { return reason_; }

 private:
  using Clock = std::chrono::steady_clock;
  void Status(const std::string& text);
  void Percent(std::uint32_t done, std::uint32_t length, int& last);
  // ReceiveByte whose wait also ends at `limit`.
  std::uint8_t ReceiveByteUntil(Clock::time_point limit);
  // Bytes in order within their line time plus the write time-out.
  bool SendBytes(const std::uint8_t* data, std::size_t count);
  Clock::duration LineTime(std::size_t count) const;
  TransferResult Failed(TransferResult step);
  TransferResult Read();
  TransferResult Write(const Image& image);
  void EndTransfer();

  CCommPort& port_;
  TransferTiming timing_;
  TransferObserver null_observer_;
  TransferObserver* observer_ = &null_observer_;

  int mConversion = 0;
  std::array<std::uint8_t, 64> mVersionTable{};
  int mTimeOut = 0;
  std::unique_ptr<std::uint8_t[]> staged_;
  int staged_kind_ = 0;
  std::uint32_t block_length_ = 0;
  std::string reason_;
  std::string last_status_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace kavor
