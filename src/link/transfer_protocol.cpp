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
  }
  return {};
}

TransferProtocol::TransferProtocol(CCommPort& port, TransferTiming timing)
    : port_(port), timing_(timing), staged_(new std::uint8_t[kMaxImageLength]()) {}

void TransferProtocol::set_observer(TransferObserver* observer) {
  observer_ = observer ? observer : &null_observer_;
}

void TransferProtocol::Status(const std::string& text) { observer_->OnStatus(text); }

void TransferProtocol::Percent(std::uint32_t done, std::uint32_t length, int& last) {
  const int percent = int((100ull * done) / length);
  if (percent == last) return;
  last = percent;
  Status(std::to_string(percent) + " %");
  observer_->OnProgress(percent);
}

void TransferProtocol::SendByte(std::uint8_t byte) { port_.Write(&byte, 1); }

std::uint8_t TransferProtocol::ReceiveByte() {
  mTimeOut = 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timing_.byte_timeout_ms);
  std::uint8_t byte = 0;
  for (;;) {
    if (port_.mQueue.Get(&byte)) {
      mTimeOut = 0;
      return byte;
    }
    if (std::chrono::steady_clock::now() > deadline) return 0;
    // Sleep until the watcher delivers; one last look happens after the deadline.
    port_.mQueue.WaitForByte(deadline + std::chrono::milliseconds(1));
  }
}

int TransferProtocol::ConnectReceiver() {
  int attempts = timing_.connect_attempts;
  for (;;) {
    Status("Trying to connect ... (" + std::to_string(attempts) + ")");
    const std::uint8_t byte = ReceiveByte();
    if (timed_out()) {
      if (--attempts <= 0) return 0;
      continue;
    }
    if (byte != kAnnounce) continue;  // start-up chatter, left-overs: skipped
    SendByte(kAnswer);
    std::this_thread::sleep_for(std::chrono::milliseconds(timing_.sync_pause_ms));
    SendByte(kSync);
    const std::uint8_t reply = ReceiveByte();
    if (!timed_out() && reply == kSync) return 1;
  }
}

int TransferProtocol::ReadBlock(std::uint32_t address, std::uint32_t length, std::uint8_t* destination,
                                bool progress) {
  SendByte(kReadCommand);
  const std::uint8_t echo = ReceiveByte();
  if (timed_out() || echo != kReadCommand) return 0;
  std::uint8_t request[8];
  WriteU32(request, address);
  WriteU32(request + 4, length);
  for (std::uint8_t b : request) SendByte(b);

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
  SendByte(kWriteCommand);
  const std::uint8_t echo = ReceiveByte();
  if (timed_out() || echo != kWriteCommand) return 0;
  const std::uint32_t base = receiver_base();
  std::uint8_t header[16];
  WriteU32(header, base);
  WriteU32(header + 4, length);
  WriteU32(header + 8, 0);
  WriteU32(header + 12, base + length);
  for (std::uint8_t b : header) SendByte(b);
  const std::uint8_t accepted = ReceiveByte();
  if (timed_out() || accepted != kAccepted) return 0;

  std::uint32_t sum = 0;
  int last = -1;
  for (std::uint32_t i = 0; i < length; ++i) {
    SendByte(data[i]);
    sum += data[i];
    if (progress) Percent(i + 1, length, last);
  }
  std::uint8_t trailer[4];
  WriteU32(trailer, sum);
  for (std::uint8_t b : trailer) SendByte(b);

  observer_->OnProgressShown(false);
  Status("Wait...");
  for (int i = 0; i < timing_.final_waits; ++i) {
    const std::uint8_t reply = ReceiveByte();
    if (!timed_out()) return reply == kAccepted ? 1 : 0;
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
  return port_.Open(port_name, kBaudRate) == 1;
}

void TransferProtocol::EndTransfer() {
  SendByte(kEnd);
  port_.Close();
}

TransferResult TransferProtocol::OnOK(TransferDirection direction, const std::string& port_name,
                                      const Image* image) {
  if (!OpenPort(port_name)) return TransferResult::kOpenError;
  return RunOpened(direction, image);
}

TransferResult TransferProtocol::RunOpened(TransferDirection direction, const Image* image) {
  mConversion = 0;
  staged_kind_ = 0;
  if (direction == TransferDirection::kWrite && image == nullptr) {
    EndTransfer();
    return TransferResult::kDataWriteError;
  }
  if (!ConnectReceiver()) {
    EndTransfer();
    return TransferResult::kConnectError;
  }
  if (!CheckVersionTable(direction, image ? image->kind() : 0)) {
    EndTransfer();
    return TransferResult::kVersionTableError;
  }
  observer_->OnProgressShown(true);
  return direction == TransferDirection::kRead ? Read() : Write(*image);
}

TransferResult TransferProtocol::Read() {
  const int kind = receiver_kind();
  const std::uint32_t length = std::uint32_t(ImageLength(kind));
  const bool ok = ReadBlock(receiver_base(), length, staged_.get(), true);
  EndTransfer();
  if (!ok) return TransferResult::kDataReadError;
  if (!CheckSectorMarkers(staged_.get(), kind)) return TransferResult::kDataFormatError;
  staged_kind_ = kind;
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
  const bool ok = WriteBlock(data, length, true);
  EndTransfer();
  return ok ? TransferResult::kOk : TransferResult::kDataWriteError;
}

}  // namespace kavor
