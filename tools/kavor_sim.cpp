// kavor-sim: a receiver's start-up loader on a pseudo-terminal, for trying
// and testing the receiver link without hardware.
//
// Prints the slave path on the first line of stdout, then one line per event
// ("connected", "read ADDR LEN", "write ADDR LEN", "stored", "end"). On
// SIGTERM/SIGINT it reads what is still on the line and prints "ends N" with
// every end byte (0x1B) it received.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "database/image.h"
#include "database/image_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kAnnounce = 0xCB, kAnswer = 0xBC, kSync = 0x16, kRead = 0x75, kWrite = 0x64,
                       kEnd = 0x1B;
constexpr std::uint32_t kVersionAddress = 0x7FFEF000;
constexpr double kLineRate = 11520.0;  // 115200 baud, 10 bits a byte

enum class Fault {
  kNone, kSilence, kNoise, kBadSync, kNoEcho, kNoEchoData, kBadId, kKind4, kBadVersionSum,
  kBadSum, kStall, kRefuseWrite, kFinal01, kFinalNone, kBadMarker,
};

struct FaultName { const char* name; Fault fault; };
constexpr FaultName kFaults[] = {
    {"none", Fault::kNone}, {"silence", Fault::kSilence}, {"noise", Fault::kNoise},
    {"bad-sync", Fault::kBadSync}, {"no-echo", Fault::kNoEcho}, {"no-echo-data", Fault::kNoEchoData},
    {"bad-id", Fault::kBadId}, {"kind4", Fault::kKind4}, {"bad-version-sum", Fault::kBadVersionSum},
    {"bad-sum", Fault::kBadSum}, {"stall", Fault::kStall}, {"refuse-write", Fault::kRefuseWrite},
    {"final-01", Fault::kFinal01}, {"final-none", Fault::kFinalNone}, {"bad-marker", Fault::kBadMarker},
};

struct Options {
  int kind = 5;
  std::uint32_t base = 0x80100000;
  std::string image_path;
  std::string out_path;
  bool paced = false;
  int sessions = 1;  // 0: serve until terminated
  Fault fault = Fault::kNone;
  int noise_ms = 1500;
  int bad_sync_count = 3;
  int announce_ms = 100;
};

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

void Usage() {
  std::fprintf(stderr,
               "usage: kavor-sim [--kind 3|5] [--base ADDR] [--image FILE] [--out FILE]\n"
               "                 [--paced] [--sessions N] [--announce-ms MS]\n"
               "                 [--fault MODE] [--noise-ms MS] [--bad-sync-count N]\n"
               "  --image FILE   image served to reads (default: a demo image of the kind)\n"
               "  --out FILE     where written images are stored (default: --image, if given)\n"
               "  --paced        send at the real line rate, 11,520 bytes per second\n"
               "  --sessions N   transfers to serve before exiting; 0 = until SIGTERM\n"
               "  MODE: none silence noise bad-sync no-echo no-echo-data bad-id kind4\n"
               "        bad-version-sum bad-sum stall refuse-write final-01 final-none bad-marker\n");
}

class Sim {
 public:
  Sim(const Options& o, int master) : o_(o), fd_(master), image_(new std::uint8_t[kavor::kMaxImageLength]()) {}

  bool LoadImage() {
    const std::size_t length = kavor::ImageLength(o_.kind == 4 ? 5 : o_.kind);
    if (!o_.image_path.empty()) {
      std::ifstream in(o_.image_path, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "kavor-sim: cannot read %s\n", o_.image_path.c_str());
        return false;
      }
      in.read(reinterpret_cast<char*>(image_.get()), std::streamsize(kavor::kMaxImageLength));
      if (std::size_t(in.gcount()) < length) {
        std::fprintf(stderr, "kavor-sim: %s is shorter than a kind-%d image\n", o_.image_path.c_str(), o_.kind);
        return false;
      }
    } else {
      kavor::Image demo;
      kavor::BuildDemoImage(demo, o_.kind == 3 ? 3 : 5);
      std::memcpy(image_.get(), demo.bytes(), demo.length());
    }
    if (o_.fault == Fault::kBadMarker) image_[kavor::kSectorSize + kavor::kSectorMarkerOffset] ^= 0x01;
    return true;
  }

  int Run() {
    int served = 0;
    while (!g_stop && (o_.sessions == 0 || served < o_.sessions)) {
      Session();
      if (g_stop) break;
      ++served;
    }
    if (g_stop) {
      // Count what is still arriving (an end byte in flight) before leaving.
      std::uint8_t b;
      while (ReadByte(b, 200)) Note(b);
    }
    Event("ends " + std::to_string(ends_));
    return 0;
  }

 private:
  static void Event(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }

  void Note(std::uint8_t b) {
    if (b == kEnd) {
      ++ends_;
      Event("end");
    }
  }

  // One byte within timeout_ms (-1: wait until a signal).
  bool ReadByte(std::uint8_t& b, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
      const ssize_t n = ::read(fd_, &b, 1);
      if (n == 1) return true;
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        // The slave is held open by us, so this only means it is not
        // readable yet; avoid spinning.
        ::usleep(1000);
      }
      if (g_stop && timeout_ms < 0) return false;
      int wait = 100;
      if (timeout_ms >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        wait = int(left < 100 ? left : 100);
      }
      pollfd p{fd_, POLLIN, 0};
      ::poll(&p, 1, wait);
      if (g_stop && timeout_ms < 0) return false;
    }
  }

  // Reads n bytes; 0x1B among command-position bytes is not expected here.
  bool ReadBytes(std::uint8_t* out, std::size_t n, int timeout_ms) {
    for (std::size_t i = 0; i < n; ++i)
      if (!ReadByte(out[i], timeout_ms)) return false;
    return true;
  }

  void WriteAll(const std::uint8_t* p, std::size_t n) {
    std::size_t done = 0;
    const auto start = Clock::now();
    while (done < n && !g_stop) {
      std::size_t chunk = n - done;
      if (o_.paced) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const std::size_t due = std::size_t(elapsed * kLineRate) + 1;
        if (due <= done) {
          ::usleep(2000);
          continue;
        }
        chunk = std::min(chunk, due - done);
      }
      const ssize_t w = ::write(fd_, p + done, chunk);
      if (w > 0) {
        done += std::size_t(w);
        continue;
      }
      pollfd pf{fd_, POLLOUT, 0};
      ::poll(&pf, 1, 100);
    }
  }
  void WriteByte(std::uint8_t b) { WriteAll(&b, 1); }
  void WriteU32(std::uint32_t v) {
    std::uint8_t b[4];
    kavor::WriteU32(b, v);
    WriteAll(b, 4);
  }

  // Announces until answered. False when the host ended the session (0x1B).
  bool Handshake() {
    auto noise_until = Clock::now() + std::chrono::milliseconds(o_.fault == Fault::kNoise ? o_.noise_ms : 0);
    std::uint8_t noise = 0x20;
    for (;;) {
      if (g_stop) return false;
      if (o_.fault == Fault::kSilence) {
        std::uint8_t b;
        if (ReadByte(b, -1)) {
          Note(b);
          if (b == kEnd) return false;
        }
        continue;
      }
      // Announcements nobody reads are dropped rather than waited for.
      const std::uint8_t out = Clock::now() < noise_until ? noise : kAnnounce;
      if (out == noise) noise = std::uint8_t(noise == 0x7E ? 0x20 : noise + 1);  // never 0xCB
      [[maybe_unused]] ssize_t w = ::write(fd_, &out, 1);
      std::uint8_t b;
      if (!ReadByte(b, o_.announce_ms)) continue;
      Note(b);
      if (b == kEnd) return false;
      if (b != kAnswer) continue;
      if (!ReadByte(b, 1000)) continue;
      Note(b);
      if (b == kEnd) return false;
      if (b != kSync) continue;
      if (o_.fault == Fault::kBadSync && bad_syncs_ < o_.bad_sync_count) {
        ++bad_syncs_;
        WriteByte(0x17);
        continue;
      }
      WriteByte(kSync);
      Event("connected");
      return true;
    }
  }

  void Session() {
    bad_syncs_ = 0;
    commands_ = 0;
    if (!Handshake()) return;
    for (;;) {
      std::uint8_t cmd;
      if (!ReadByte(cmd, -1)) return;
      if (cmd == kEnd) {
        Note(cmd);
        return;
      }
      if (cmd == kRead) {
        if (ServeRead()) continue;
      } else if (cmd == kWrite) {
        if (ServeWrite()) continue;
      }
    }
  }

  // The first command of a session reads the version table; later ones move data.
  bool DropEcho() {
    const bool first = commands_++ == 0;
    return (first && o_.fault == Fault::kNoEcho) || (!first && o_.fault == Fault::kNoEchoData);
  }

  void VersionTable(std::uint8_t* t) const {
    std::memset(t, 0, 64);
    kavor::WriteU32(t + 0, 0x20240101);
    kavor::WriteU32(t + 4, o_.fault == Fault::kBadId ? 0x000050C3 : 0x000050C2);
    std::memcpy(t + 8, "KAVOR-SIM LOADER", 16);
    kavor::WriteU32(t + 0x28, o_.fault == Fault::kKind4 ? 4 : std::uint32_t(o_.kind));
    kavor::WriteU32(t + 0x2C, o_.base);
  }

  bool ServeRead() {
    if (DropEcho()) return true;
    WriteByte(kRead);
    std::uint8_t req[8];
    if (!ReadBytes(req, 8, 2000)) return true;
    const std::uint32_t addr = kavor::ReadU32(req), len = kavor::ReadU32(req + 4);
    Event("read 0x" + Hex(addr) + " " + std::to_string(len));
    std::uint8_t table[64];
    const std::uint8_t* src = nullptr;
    bool version = false;
    if (addr == kVersionAddress && len == 64) {
      VersionTable(table);
      src = table;
      version = true;
    } else if (addr >= o_.base && std::uint64_t(addr - o_.base) + len <= kavor::ImageLength(o_.kind)) {
      src = image_.get() + (addr - o_.base);
    } else {
      Event("bad-request");
      return true;  // a real loader would hang; the host times out
    }
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < len; ++i) sum += src[i];
    if (!version && o_.fault == Fault::kStall) {
      WriteAll(src, len / 2);
      Event("stalled");
      return true;
    }
    WriteAll(src, len);
    if (version && o_.fault == Fault::kBadVersionSum) sum += 1;
    if (!version && o_.fault == Fault::kBadSum) sum += 1;
    WriteU32(sum);
    return true;
  }

  bool ServeWrite() {
    if (DropEcho()) return true;
    WriteByte(kWrite);
    std::uint8_t hdr[16];
    if (!ReadBytes(hdr, 16, 2000)) return true;
    const std::uint32_t addr = kavor::ReadU32(hdr), len = kavor::ReadU32(hdr + 4),
                        zero = kavor::ReadU32(hdr + 8), end = kavor::ReadU32(hdr + 12);
    Event("write 0x" + Hex(addr) + " " + std::to_string(len));
    const bool sane = addr == o_.base && zero == 0 && end == addr + len && len <= kavor::ImageLength(o_.kind);
    if (!sane || o_.fault == Fault::kRefuseWrite) {
      WriteByte(0x01);
      return true;
    }
    WriteByte(0x00);
    std::vector<std::uint8_t> data(len);
    std::uint8_t trailer[4];
    if (!ReadBytes(data.data(), len, 2000) || !ReadBytes(trailer, 4, 2000)) {
      Event("write-timeout");
      return true;
    }
    std::uint32_t sum = 0;
    for (std::uint8_t b : data) sum += b;
    if (sum != kavor::ReadU32(trailer)) {
      Event("write-checksum");
      WriteByte(0x01);
      return true;
    }
    if (o_.fault == Fault::kFinalNone) return true;
    if (o_.fault == Fault::kFinal01) {
      WriteByte(0x01);
      return true;
    }
    std::memcpy(image_.get(), data.data(), len);
    const std::string out = !o_.out_path.empty() ? o_.out_path : o_.image_path;
    if (!out.empty()) {
      std::ofstream f(out, std::ios::binary | std::ios::trunc);
      f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(len));
    }
    Event("stored " + std::to_string(len));
    WriteByte(0x00);
    return true;
  }

  static std::string Hex(std::uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%08X", unsigned(v));
    return b;
  }

  Options o_;
  int fd_;
  std::unique_ptr<std::uint8_t[]> image_;
  int ends_ = 0;
  int bad_syncs_ = 0;
  int commands_ = 0;
};

bool ParseInt(const char* s, long long& v) {
  char* end = nullptr;
  errno = 0;
  v = std::strtoll(s, &end, 0);
  return errno == 0 && end && *end == '\0' && end != s;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](long long& v) {
      if (i + 1 >= argc || !ParseInt(argv[i + 1], v)) {
        Usage();
        std::exit(64);
      }
      ++i;
    };
    long long v = 0;
    if (a == "--kind") {
      value(v);
      if (v != 3 && v != 5) {
        Usage();
        return 64;
      }
      o.kind = int(v);
    } else if (a == "--base") {
      value(v);
      o.base = std::uint32_t(v);
    } else if (a == "--image" && i + 1 < argc) {
      o.image_path = argv[++i];
    } else if (a == "--out" && i + 1 < argc) {
      o.out_path = argv[++i];
    } else if (a == "--paced") {
      o.paced = true;
    } else if (a == "--sessions") {
      value(v);
      o.sessions = int(v);
    } else if (a == "--noise-ms") {
      value(v);
      o.noise_ms = int(v);
    } else if (a == "--bad-sync-count") {
      value(v);
      o.bad_sync_count = int(v);
    } else if (a == "--announce-ms") {
      value(v);
      o.announce_ms = int(v) > 0 ? int(v) : 1;
    } else if (a == "--fault" && i + 1 < argc) {
      const std::string name = argv[++i];
      bool found = false;
      for (const FaultName& f : kFaults)
        if (name == f.name) {
          o.fault = f.fault;
          found = true;
        }
      if (!found) {
        std::fprintf(stderr, "kavor-sim: unknown fault mode %s\n", name.c_str());
        Usage();
        return 64;
      }
    } else if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    } else {
      Usage();
      return 64;
    }
  }

  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    std::perror("kavor-sim: posix_openpt");
    return 1;
  }
  const char* slave_path = ::ptsname(master);
  if (!slave_path) {
    std::perror("kavor-sim: ptsname");
    return 1;
  }
  const std::string slave_name = slave_path;
  // Held open for the simulator's whole life, so the line does not hang up
  // between the host's transfers; raw, so nothing is echoed or translated.
  const int slave = ::open(slave_name.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0) {
    std::perror("kavor-sim: open slave");
    return 1;
  }
  termios tio{};
  ::tcgetattr(slave, &tio);
  cfmakeraw(&tio);
  cfsetspeed(&tio, B115200);
  ::tcsetattr(slave, TCSANOW, &tio);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

  struct sigaction sa{};
  sa.sa_handler = OnSignal;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  Sim sim(o, master);
  if (!sim.LoadImage()) return 1;
  std::printf("%s\n", slave_name.c_str());
  std::fflush(stdout);
  const int rc = sim.Run();
  ::close(slave);
  ::close(master);
  return rc;
}
