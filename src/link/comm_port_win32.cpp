// The Win32 backend of CCommPort: the port opened without sharing for
// overlapped I/O, 8N1 without flow control through the DCB, a watcher thread
// that waits in WaitCommEvent for EV_RXCHAR or for the stop event that
// StopReceiving sets.
#include "link/comm_port.h"

#include "platform/windows_api.h"

#include <cctype>
#include <cwctype>
#include <chrono>
#include <cstdlib>
#include <system_error>

#include "database/file_io.h"

namespace kavor {
namespace {

constexpr DWORD kQueueSize = 4096;
// How long the watcher lets a stream of bytes gather in the driver before it
// reads again: at the line's rate about 58 bytes, far less than the queue.
constexpr DWORD kStreamRestMs = 5;

HANDLE H(void* p) { return static_cast<HANDLE>(p); }

void CloseIf(void*& h) {
  if (h) ::CloseHandle(H(h));
  h = nullptr;
}

// n for "COMn" (any case, 1..255), else 0.
int ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 6) return 0;
  for (int i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(name[std::size_t(i)])) != "COM"[i]) return 0;
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n >= 1 && n <= 255 && name[3] != '0' ? n : 0;
}

std::string ComDevice(int n) { return "\\\\.\\COM" + std::to_string(n); }

// Waits for an overlapped operation for at most `timeout_ms`; one that does
// not finish is cancelled, and what it did until then is still counted.
DWORD FinishOverlapped(HANDLE port, OVERLAPPED& ov, DWORD timeout_ms) {
  DWORD done = 0;
  if (::WaitForSingleObject(ov.hEvent, timeout_ms) != WAIT_OBJECT_0) ::CancelIoEx(port, &ov);
  if (!::GetOverlappedResult(port, &ov, &done, TRUE)) {
    DWORD errors = 0;
    ::ClearCommError(port, &errors, nullptr);
  }
  return done;
}

}  // namespace

std::string ResolvePortDevice(const std::string& name) {
  const int n = ComNumber(name);
  if (n == 0) return name;
  if (n <= 4) {
    const std::string var = "KAVOR_COM" + std::to_string(n);
    if (const char* dev = std::getenv(var.c_str()); dev && *dev) {
      const int other = ComNumber(dev);
      return other ? ComDevice(other) : std::string(dev);
    }
  }
  return ComDevice(n);
}

int NormalisePortIndex(int index) { return index >= 0 && index <= 3 ? index : 0; }

std::string PortNameForIndex(int index) { return "COM" + std::to_string(NormalisePortIndex(index) + 1); }

CCommPort::~CCommPort() { Close(); }

bool CCommPort::is_open() const { return handle_ != nullptr; }

int CCommPort::Fail(const std::string& reason) {
  last_error_ = reason;
  CloseIf(handle_);
  CloseIf(claim_);
  CloseIf(read_event_);
  CloseIf(write_event_);
  CloseIf(wait_event_);
  CloseIf(stop_event_);
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
  if (baud == 0) {
    last_error_ = "unsupported baud rate 0";
    return 0;
  }
  for (void** event : {&read_event_, &write_event_, &wait_event_, &stop_event_}) {
    *event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!*event) return Fail(Win32ErrorText(::GetLastError()));
  }

  const std::filesystem::path device = PathFromUtf8(ResolvePortDevice(name));
  // No sharing: a second opener, in this program or another, is refused.
  const HANDLE port = ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return Fail(error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? "in use by another program"
                                                                                  : Win32ErrorText(error));
  }
  handle_ = port;
  // Not every driver refuses a second opener (wine's mapping to a Linux
  // device shares it): a named mutex per device keeps out a second Kavor or
  // kavor-cli in any case, as the POSIX backend's lock does.
  std::wstring claim = L"Local\\kavor-port-";
  for (wchar_t c : device.native()) claim += (c == L'\\' || c == L'/') ? L'_' : wchar_t(std::towupper(c));
  claim_ = ::CreateMutexW(nullptr, FALSE, claim.c_str());
  if (!claim_ || ::GetLastError() == ERROR_ALREADY_EXISTS) return Fail("in use by another program");

  ::SetCommMask(port, EV_RXCHAR);
  ::SetupComm(port, kQueueSize, kQueueSize);
  // Only the input side: discarding output could drop an end byte that the
  // receiver has not taken yet (on wine over a pty it flushes the far end).
  ::PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR);

  // Read returns at once with what the driver holds (it asks only for that
  // much); writes have no driver time-out, Write bounds its own wait.
  COMMTIMEOUTS timeouts{};
  ::GetCommTimeouts(port, &timeouts);
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = 0;
  ::SetCommTimeouts(port, &timeouts);

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(port, &dcb)) return Fail("not a serial port (" + Win32ErrorText(::GetLastError()) + ")");
  dcb.BaudRate = baud;
  dcb.fBinary = TRUE;
  dcb.XonLim = 100;
  dcb.XoffLim = 100;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.fParity = FALSE;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  if (!::SetCommState(port, &dcb)) return Fail(Win32ErrorText(::GetLastError()));

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
  if (stop_event_) ::SetEvent(H(stop_event_));
  // The handle is released only after the watcher has left its wait.
  if (watcher_.joinable()) watcher_.join();
}

void CCommPort::Close() {
  StopReceiving();
  if (handle_) {
    DrainOutput();
    ::SetCommMask(H(handle_), 0);
    ::PurgeComm(H(handle_), PURGE_RXABORT | PURGE_RXCLEAR);
  }
  CloseIf(handle_);
  CloseIf(claim_);
  CloseIf(read_event_);
  CloseIf(write_event_);
  CloseIf(wait_event_);
  CloseIf(stop_event_);
}

void CCommPort::DrainOutput() {
  // FlushFileBuffers has no time-out: wait for the driver's output queue to
  // empty, bounded by the write time-out, so a stuck line cannot hang Close.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(write_timeout_ms_);
  for (;;) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(H(handle_), &errors, &status)) return;
    if (status.cbOutQue == 0) {
      ::FlushFileBuffers(H(handle_));  // only the transmitter itself is left
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) return;
    ::Sleep(1);
  }
}

int CCommPort::Write(const std::uint8_t* data, int count) { return Write(data, count, write_timeout_ms_); }

int CCommPort::Write(const std::uint8_t* data, int count, int timeout_ms) {
  if (!handle_ || count <= 0) return 0;
  OVERLAPPED ov{};
  ov.hEvent = H(write_event_);
  ::ResetEvent(ov.hEvent);
  DWORD written = 0;
  if (::WriteFile(H(handle_), data, DWORD(count), &written, &ov)) return int(written);
  if (::GetLastError() != ERROR_IO_PENDING) {
    DWORD errors = 0;
    ::ClearCommError(H(handle_), &errors, nullptr);
    return 0;
  }
  return int(FinishOverlapped(H(handle_), ov, DWORD(timeout_ms > 0 ? timeout_ms : 0)));
}

int CCommPort::Read(std::uint8_t* buffer, int count) {
  if (!handle_ || count <= 0) return 0;
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(H(handle_), &errors, &status) || status.cbInQue == 0) return 0;
  const DWORD want = status.cbInQue < DWORD(count) ? status.cbInQue : DWORD(count);
  OVERLAPPED ov{};
  ov.hEvent = H(read_event_);
  ::ResetEvent(ov.hEvent);
  DWORD got = 0;
  if (::ReadFile(H(handle_), buffer, want, &got, &ov)) return int(got);
  if (::GetLastError() != ERROR_IO_PENDING) {
    ::ClearCommError(H(handle_), &errors, nullptr);
    return 0;
  }
  // The driver holds the bytes: this completes at once.
  return int(FinishOverlapped(H(handle_), ov, INFINITE));
}

// One WaitCommEvent: true when it reported an event (or failed, after a rest)
// and the watcher should look at the port again; false once stopped.
bool CCommPort::WaitForEvent() {
  const HANDLE port = H(handle_);
  const HANDLE stop = H(stop_event_);
  DWORD mask = 0;
  OVERLAPPED ov{};
  ov.hEvent = H(wait_event_);
  ::ResetEvent(ov.hEvent);
  if (::WaitCommEvent(port, &mask, &ov)) {
    wakeups_.fetch_add(1, std::memory_order_relaxed);
    return running_.load() == 1;
  }
  if (::GetLastError() != ERROR_IO_PENDING) {
    // A port that cannot wait (gone, or in an error state) is no data: rest
    // before looking again unless StopReceiving ends the rest first.
    wakeups_.fetch_add(1, std::memory_order_relaxed);
    DWORD errors = 0;
    ::ClearCommError(port, &errors, nullptr);
    return ::WaitForSingleObject(stop, CCommPort::kIdleBackoffMs) != WAIT_OBJECT_0 && running_.load() == 1;
  }
  const HANDLE both[2] = {ov.hEvent, stop};
  const DWORD which = ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
  wakeups_.fetch_add(1, std::memory_order_relaxed);
  DWORD ignored = 0;
  if (which == WAIT_OBJECT_0) {
    const bool completed = ::GetOverlappedResult(port, &ov, &ignored, FALSE);
    DWORD errors = 0;
    COMSTAT status{};
    ::ClearCommError(port, &errors, &status);
    // A wait that ended without a byte (wine ends it whenever it cannot read
    // a pseudo-terminal's modem lines) is no data: rest before waiting again
    // instead of spinning, unless StopReceiving ends the rest first.
    if ((!completed || !(mask & EV_RXCHAR)) && status.cbInQue == 0)
      return ::WaitForSingleObject(stop, CCommPort::kIdleBackoffMs) != WAIT_OBJECT_0 && running_.load() == 1;
    return running_.load() == 1;
  }
  // Stopped: the pending wait must end before `ov` and `mask` go away.
  ::CancelIoEx(port, &ov);
  ::GetOverlappedResult(port, &ov, &ignored, TRUE);
  return false;
}

unsigned ThreadWatchComm(CCommPort* port) {
  if (!::SetCommMask(H(port->handle_), EV_RXCHAR)) return 0;
  std::uint8_t chunk[256];
  while (port->running_.load() == 1) {
    bool full = false;
    int got = 0;
    for (;;) {
      const int free_space = CByteQueue::kCapacity - port->mQueue.GetCount();
      if (free_space <= 0) {
        full = true;
        break;
      }
      const int n = port->Read(chunk, free_space < int(sizeof chunk) ? free_space : int(sizeof chunk));
      if (n <= 0) break;
      for (int i = 0; i < n; ++i) port->mQueue.Put(chunk[i]);
      got += n;
    }
    if (full) {
      // With the queue full the bytes stay in the driver until the protocol
      // catches up, instead of being thrown away.
      port->wakeups_.fetch_add(1, std::memory_order_relaxed);
      if (::WaitForSingleObject(H(port->stop_event_), 1) == WAIT_OBJECT_0) break;
      continue;
    }
    if (got > 0) {
      // Bytes are coming in: what arrived is in the queue already, and the
      // next ones gather in the driver for a moment instead of a
      // WaitCommEvent for every few of them. Under wine that wait and its
      // server calls took a third of a processor or more at the line's rate.
      port->wakeups_.fetch_add(1, std::memory_order_relaxed);
      if (::WaitForSingleObject(H(port->stop_event_), kStreamRestMs) == WAIT_OBJECT_0) break;
      continue;
    }
    if (!port->WaitForEvent()) break;
  }
  return 1;
}

}  // namespace kavor
