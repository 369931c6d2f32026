#include "link/transfer_protocol.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace kavor {

using namespace protocol;

std::string TransferErrorText(TransferResult result, int port_number) {
  switch (result) {
    case TransferResult::kOk: return {};
    case TransferResult::kOpenError: return "Couldn't open COM" + std::to_string(port_number) + " port";
    case TransferResult::kConnectError: return "Couldn't connect to receiver";
    case TransferResult::kVersionTableError: return "Version table error";
    case TransferResult::kDataReadError: return "Data read error";
    case TransferResult::kDataFormatError: return "Data format error";
    case TransferResult::kDataWriteError: return "Data write error";
    case TransferResult::kCancelled: return "Transfer interrupted";
  }
  return {};
}

TransferProtocol::TransferProtocol(CCommPort& port, TransferTiming timing)
    : port_(port), timing_(timing), staged_(new std::uint8_t[kMaxImageLength]()) {}

void TransferProtocol::set_observer(TransferObserver* observer) {
  observer_ = observer ? observer : &null_observer_;
}

void TransferProtocol::Cancel() {
  cancelled_.store(true);
  port_.mQueue.Interrupt();
}

// Skipped bytes and repeated attempts would otherwise flood the status line
// with the same text.
void TransferProtocol::Status(const std::string& text) {
  if (text == last_status_) return;
  last_status_ = text;
  observer_->OnStatus(text);
}

void TransferProtocol::Percent(std::uint32_t done, std::uint32_t length, int& last) {
  const int percent = int((100ull * done) / length);
  if (percent == last) return;
  last = percent;
  Status(std::to_string(percent) + " %");
  observer_->OnProgress(percent);
}

TransferProtocol::Clock::duration TransferProtocol::LineTime(std::size_t count) const {
  const long long rate = timing_.line_bytes_per_second > 0 ? timing_.line_bytes_per_second : 11520;
  // Rounded up, so that a single byte still gets its whole time-out.
  return std::chrono::microseconds((static_cast<long long>(count) * 1000000 + rate - 1) / rate);
}

bool TransferProtocol::SendBytes(const std::uint8_t* data, std::size_t count) {
  const auto bound = LineTime(count) + std::chrono::milliseconds(timing_.write_timeout_ms);
  const int ms = int(std::chrono::ceil<std::chrono::milliseconds>(bound).count());
  return port_.Write(data, int(count), ms) == int(count);
}

bool TransferProtocol::SendByte(std::uint8_t byte) { return SendBytes(&byte, 1); }

std::uint8_t TransferProtocol::ReceiveByte() { return ReceiveByteUntil(Clock::time_point::max()); }

std::uint8_t TransferProtocol::ReceiveByteUntil(Clock::time_point limit) {
  mTimeOut = 1;
  auto deadline = Clock::now() + std::chrono::milliseconds(timing_.byte_timeout_ms);
  if (limit < deadline) deadline = limit;
  std::uint8_t byte = 0;
  for (;;) {
    if (cancelled()) return 0;
    if (port_.mQueue.Get(&byte)) {
      mTimeOut = 0;
      return byte;
    }
    if (Clock::now() > deadline) return 0;
    // Sleep until the watcher delivers; one last look happens after the deadline.
    port_.mQueue.WaitForByte(deadline + std::chrono::milliseconds(1));
  }
}

int TransferProtocol::ConnectReceiver() {
  // Silent seconds use up attempts; the limit also ends a line that keeps
  // talking without ever completing the handshake (noise, a wrong device).
  const auto limit = Clock::now() + std::chrono::milliseconds(timing_.connect_limit_ms);
  int attempts = timing_.connect_attempts;
  for (;;) {
    Status("Trying to connect ... (" + std::to_string(attempts) + ")");
    if (cancelled() || Clock::now() >= limit) return 0;
    const std::uint8_t byte = ReceiveByteUntil(limit);
    if (timed_out()) {
      if (cancelled() || Clock::now() >= limit || --attempts <= 0) return 0;
      continue;
    }
    if (byte != kAnnounce) continue;  // start-up chatter, left-overs: skipped
    if (!SendByte(kAnswer)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(timing_.sync_pause_ms));
    if (!SendByte(kSync)) return 0;
    const std::uint8_t reply = ReceiveByteUntil(limit);
    if (!timed_out() && reply == kSync) return 1;
  }
}

int TransferProtocol::ReadBlock(std::uint32_t address, std::uint32_t length, std::uint8_t* destination,
                                bool progress) {
  if (!SendByte(kReadCommand)) return 0;
  const std::uint8_t echo = ReceiveByte();
  if (timed_out() || echo != kReadCommand) return 0;
  std::uint8_t request[8];
  WriteU32(request, address);
  WriteU32(request + 4, length);
  if (!SendBytes(request, sizeof request)) return 0;

  std::uint32_t sum = 0;
  int last = -1;
  for (std::uint32_t i = 0; i < length; ++i) {
    destination[i] = ReceiveByte();
    if (timed_out()) return 0;
    sum += destination[i];
    if (progress) Percent(i + 1, length, last);
  }
  std::uint8_t received[4];
  for (std::uint8_t& b : received) {
    b = ReceiveByte();
    if (timed_out()) return 0;
  }
  return ReadU32(received) == sum ? 1 : 0;
}

int TransferProtocol::WriteBlock(const std::uint8_t* data, std::uint32_t length, bool progress) {
  if (!SendByte(kWriteCommand)) return 0;
  const std::uint8_t echo = ReceiveByte();
  if (timed_out() || echo != kWriteCommand) return 0;
  const std::uint32_t base = receiver_base();
  std::uint8_t header[16];
  WriteU32(header, base);
  WriteU32(header + 4, length);
  WriteU32(header + 8, 0);
  WriteU32(header + 12, base + length);
  if (!SendBytes(header, sizeof header)) return 0;
  const std::uint8_t accepted = ReceiveByte();
  if (timed_out() || accepted != kAccepted) return 0;

  // The same bytes in the same order as one at a time, handed over in
  // pieces; the whole block and its checksum must be taken within their
  // line time plus one write time-out, or a receiver that stopped reading
  // would hold the transfer for as long as the line stays open.
  constexpr std::uint32_t kPiece = 256;
  const auto deadline = Clock::now() + LineTime(std::size_t(length) + 4) +
                        std::chrono::milliseconds(timing_.write_timeout_ms);
  auto left_ms = [&] {
    return int(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
  };
  auto stuck = [&] {
    reason_ = "the receiver did not take the data in time";
    return 0;
  };
  std::uint32_t sum = 0;
  int last = -1;
  for (std::uint32_t i = 0; i < length;) {
    if (cancelled()) return 0;
    const int left = left_ms();
    if (left <= 0) return stuck();
    const std::uint32_t n = length - i < kPiece ? length - i : kPiece;
    const int written = port_.Write(data + i, int(n), left);
    for (int j = 0; j < written; ++j) {
      sum += data[i + std::uint32_t(j)];
      if (progress) Percent(i + std::uint32_t(j) + 1, length, last);
    }
    if (written < int(n)) return stuck();
    i += n;
  }
  std::uint8_t trailer[4];
  WriteU32(trailer, sum);
  const int left = left_ms();
  if (left <= 0 || port_.Write(trailer, 4, left) != 4) return stuck();

  observer_->OnProgressShown(false);
  Status("Wait...");
  for (int i = 0; i < timing_.final_waits; ++i) {
    const std::uint8_t reply = ReceiveByte();
    if (!timed_out()) return reply == kAccepted ? 1 : 0;
    if (cancelled()) return 0;
  }
  return 0;
}

int TransferProtocol::receiver_kind() const { return int(ReadU32(mVersionTable.data() + kKindOffset)); }
std::uint32_t TransferProtocol::receiver_base() const { return ReadU32(mVersionTable.data() + kBaseOffset); }

int TransferProtocol::CheckVersionTable(TransferDirection direction, int image_kind) {
  mVersionTable.fill(0);
  if (!ReadBlock(kVersionTableAddress, kVersionTableLength, mVersionTable.data(), false)) return 0;
  if (ReadU32(mVersionTable.data() + kIdOffset) != kIdentification) return 0;
  const std::uint32_t kind = ReadU32(mVersionTable.data() + kKindOffset);
  if (kind != std::uint32_t(kKind3) && kind != std::uint32_t(kKind5)) return 0;
  if (direction == TransferDirection::kRead) return 1;
  if (int(kind) == image_kind) {
    mConversion = 0;
    return 1;
  }
  if (image_kind == kKind3 || image_kind == kKind5) {
    mConversion = 1;
    return 1;
  }
  return 0;
}

bool TransferProtocol::OpenPort(const std::string& port_name) {
  if (cancelled()) return false;
  port_.set_write_timeout_ms(timing_.write_timeout_ms);
  return port_.Open(port_name, kBaudRate) == 1;
}

void TransferProtocol::EndTransfer() {
  // Whatever the receiver sends after the end byte belongs to no transfer:
  // stop taking bytes first, so that none of it waits in the queue for the
  // next handshake (a fresh announcement there would be answered).
  port_.StopReceiving();
  SendByte(kEnd);
  port_.Close();
}

TransferResult TransferProtocol::Failed(TransferResult step) {
  EndTransfer();
  return cancelled() ? TransferResult::kCancelled : step;
}

TransferResult TransferProtocol::OnOK(TransferDirection direction, const std::string& port_name,
                                      const Image* image) {
  if (cancelled()) return TransferResult::kCancelled;
  if (!OpenPort(port_name)) return TransferResult::kOpenError;
  return RunOpened(direction, image);
}

TransferResult TransferProtocol::RunOpened(TransferDirection direction, const Image* image) {
  mConversion = 0;
  staged_kind_ = 0;
  block_length_ = 0;
  reason_.clear();
  last_status_.clear();
  if (direction == TransferDirection::kWrite && image == nullptr) return Failed(TransferResult::kDataWriteError);
  if (!ConnectReceiver()) return Failed(TransferResult::kConnectError);
  if (!CheckVersionTable(direction, image ? image->kind() : 0)) return Failed(TransferResult::kVersionTableError);
  observer_->OnProgressShown(true);
  return direction == TransferDirection::kRead ? Read() : Write(*image);
}

TransferResult TransferProtocol::Read() {
  const int kind = receiver_kind();
  const std::uint32_t length = std::uint32_t(ImageLength(kind));
  if (!ReadBlock(receiver_base(), length, staged_.get(), true)) return Failed(TransferResult::kDataReadError);
  EndTransfer();
  if (cancelled()) return TransferResult::kCancelled;
  // The same checks as opening a data file: an image the editor would refuse
  // from a file is refused from the line too.
  if (!CheckSectorMarkers(staged_.get(), kind)) {
    reason_ = "a sector lacks its marker";
    return TransferResult::kDataFormatError;
  }
  if (!HeaderCountsFit(staged_.get(), kind)) {
    reason_ = "the header counts more records than a kind-" + std::to_string(kind) + " image holds";
    return TransferResult::kDataFormatError;
  }
  staged_kind_ = kind;
  block_length_ = length;
  return TransferResult::kOk;
}

TransferResult TransferProtocol::Write(const Image& image) {
  const std::uint32_t length = std::uint32_t(mConversion ? ImageLength(kKind3) : ImageLength(image.kind()));
  const std::uint8_t* data = image.bytes();

  // A kind-3 receiver addresses only 3090 channel slots: send a copy whose
  // header and satellites-in-use list cover just those. The image itself,
  // which keeps all its channels, is never touched.
  std::unique_ptr<Image> clamped;
  if (mConversion && receiver_kind() == kKind3 && image.mServiceCount() > ChannelCapacity(kKind3)) {
    clamped = std::make_unique<Image>();
    clamped->Install(image.bytes(), image.kind());
    clamped->set_mServiceCount(std::uint16_t(ChannelCapacity(kKind3)));
    RebuildSatellitesInUse(*clamped);
    data = clamped->bytes();
  }
  if (!WriteBlock(data, length, true)) return Failed(TransferResult::kDataWriteError);
  EndTransfer();
  block_length_ = length;
  return TransferResult::kOk;
}

}  // namespace kavor
