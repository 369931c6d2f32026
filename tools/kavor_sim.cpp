// kavor-sim: a receiver's start-up loader on a pseudo-terminal, for trying
// and testing the receiver link without hardware.
//
// Prints the slave path on the first line of stdout, then one line per event
// ("connected", "read ADDR LEN", "write ADDR LEN", "stored LEN",
// "store-failed REASON", "end"). On SIGTERM/SIGINT it reads what is still on
// the line and prints "ends N" with every end byte (0x1B) it received.
//
// Written images stay in memory, so the next read serves them as a receiver
// would; --out also stores each one in a file.
#include <fcntl.h>
#include <sys/ioctl.h>
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
  kBadSum, kStall, kRefuseWrite, kFinal01, kFinalNone, kBadMarker, kStopReading,
  kSlowReading,
};

struct FaultName { const char* name; Fault fault; };
constexpr FaultName kFaults[] = {
    {"none", Fault::kNone}, {"silence", Fault::kSilence}, {"noise", Fault::kNoise},
    {"bad-sync", Fault::kBadSync}, {"no-echo", Fault::kNoEcho}, {"no-echo-data", Fault::kNoEchoData},
    {"bad-id", Fault::kBadId}, {"kind4", Fault::kKind4}, {"bad-version-sum", Fault::kBadVersionSum},
    {"bad-sum", Fault::kBadSum}, {"stall", Fault::kStall}, {"refuse-write", Fault::kRefuseWrite},
    {"final-01", Fault::kFinal01}, {"final-none", Fault::kFinalNone}, {"bad-marker", Fault::kBadMarker},
    {"stop-reading", Fault::kStopReading}, {"slow-reading", Fault::kSlowReading},
};

// How long a fresh connection waits for the host's first command. A host
// that took our echo sends it at once; silence means the host read an older
// announcement in the echo's place and is waiting for the next one.
constexpr int kFirstCommandWaitMs = 250;

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

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: kavor-sim [--kind 3|5] [--base ADDR] [--image FILE] [--out FILE]\n"
               "                 [--paced] [--sessions N] [--announce-ms MS]\n"
               "                 [--fault MODE] [--noise-ms MS] [--bad-sync-count N]\n"
               "       kavor-sim --help | --version\n"
               "\n"
               "Plays a receiver's start-up loader on a pseudo-terminal; prints its path on\n"
               "the first line, then one line per event.\n"
               "\n"
               "  --kind 3|5        the receiver's capacity kind (default 5)\n"
               "  --base ADDR       where the image lies in the receiver's memory\n"
               "  --image FILE      image served to reads (default: a demo image of the kind)\n"
               "  --out FILE        also store every written image in FILE; written images\n"
               "                    always replace the one in memory, which later reads serve\n"
               "  --paced           send at the real line rate, 11,520 bytes per second\n"
               "  --sessions N      transfers to serve before exiting; 0 = until SIGTERM\n"
               "  --announce-ms MS  wait for an answer between announcements (default 100)\n"
               "  --noise-ms MS     how long the noise fault talks before announcing\n"
               "  --bad-sync-count N  how many handshakes the bad-sync fault spoils\n"
               "  --fault MODE      none silence noise bad-sync no-echo no-echo-data bad-id\n"
               "                    kind4 bad-version-sum bad-sum stall refuse-write final-01\n"
               "                    final-none bad-marker stop-reading slow-reading\n"
               "                    (stop-reading: takes no more bytes once it has accepted\n"
               "                    a write's header, until terminated; slow-reading: takes\n"
               "                    a write's data at about 100,000 bytes a second)\n");
}

[[noreturn]] void UsageError(const std::string& text) {
  std::fprintf(stderr, "kavor-sim: %s (see kavor-sim --help)\n", text.c_str());
  std::exit(64);
}

class Sim {
 public:
  // `slave` is our own descriptor of the terminal's far end, held open so the
  // line never hangs up; it also tells whether the host took what we sent.
  Sim(const Options& o, int master, int slave)
      : o_(o), fd_(master), slave_(slave), image_(new std::uint8_t[kavor::kMaxImageLength]()) {}

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
        // Rounded up: a truncated wait would make short time-outs end at once.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
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

  // Bytes we sent that nobody has read yet.
  int Unread() const {
    int n = 0;
    return ::ioctl(slave_, FIONREAD, &n) == 0 ? n : 0;
  }

  enum class Answer { kConnected, kEnded, kRetry };

  // After the host's 0xBC: its 0x16, then our echo.
  Answer Answered() {
    std::uint8_t b;
    if (!ReadByte(b, 1000)) return g_stop ? Answer::kEnded : Answer::kRetry;
    Note(b);
    if (b == kEnd) return Answer::kEnded;
    if (b != kSync) return Answer::kRetry;
    if (o_.fault == Fault::kBadSync && bad_syncs_ < o_.bad_sync_count) {
      ++bad_syncs_;
      WriteByte(0x17);
      return Answer::kRetry;
    }
    WriteByte(kSync);
    commands_ = 0;
    reported_ = false;
    return Answer::kConnected;
  }

  // Announces until answered. False when the host ended the session (0x1B).
  bool Handshake() {
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
      // One announcement on the line at a time: while the last one is
      // unread (no host has the port open) another would only pile up, and
      // a host that does not purge its input would answer every one of them.
      if (Unread() == 0) {
        const std::uint8_t out = Clock::now() < noise_until_ ? noise_ : kAnnounce;
        if (out == noise_) noise_ = std::uint8_t(noise_ == 0x7E ? 0x20 : noise_ + 1);  // never 0xCB
        [[maybe_unused]] ssize_t w = ::write(fd_, &out, 1);
      }
      std::uint8_t b;
      if (!ReadByte(b, o_.announce_ms)) continue;
      Note(b);
      if (b == kEnd) return false;
      if (b != kAnswer) continue;
      switch (Answered()) {
        case Answer::kConnected: return true;
        case Answer::kEnded: return false;
        case Answer::kRetry: continue;
      }
    }
  }

  // A host answers every announcement it reads while waiting for one, so an
  // announcement still on its way when we echoed gets an answer of its own.
  // Our echo travels behind it and answers that one too; only a host that
  // skipped the echo (it read an older announcement in its place) waits for
  // a new announcement, and it says so by sending nothing.
  void Session() {
    bad_syncs_ = 0;
    commands_ = 0;
    // The noise fault talks once per session, before the first announcement.
    noise_until_ = Clock::now() + std::chrono::milliseconds(o_.fault == Fault::kNoise ? o_.noise_ms : 0);
    if (!Handshake()) return;
    for (;;) {
      if (g_stop) return;
      std::uint8_t cmd;
      if (!ReadByte(cmd, commands_ == 0 ? kFirstCommandWaitMs : -1)) {
        if (g_stop || !Handshake()) return;
        continue;
      }
      if (cmd == kEnd) {
        Note(cmd);
        return;
      }
      if (cmd == kAnswer) {
        if (commands_ == 0) {
          // Its 0x16 follows; our echo, already queued, is the reply.
          std::uint8_t b;
          if (ReadByte(b, 1000)) {
            Note(b);
            if (b == kEnd) return;
          }
          continue;
        }
        // A new handshake while we thought a transfer still ran (its end
        // byte never came): start over with this answer.
        const Answer a = Answered();
        if (a == Answer::kEnded || (a == Answer::kRetry && !Handshake())) return;
        continue;
      }
      if (cmd == kRead || cmd == kWrite) {
        if (!reported_) Event("connected");
        reported_ = true;
        if (cmd == kRead) ServeRead();
        else ServeWrite();
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

  void ServeRead() {
    if (DropEcho()) return;
    WriteByte(kRead);
    std::uint8_t req[8];
    if (!ReadBytes(req, 8, 2000)) return;
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
      return;  // a real loader would hang; the host times out
    }
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < len; ++i) sum += src[i];
    if (!version && o_.fault == Fault::kStall) {
      WriteAll(src, len / 2);
      Event("stalled");
      return;
    }
    WriteAll(src, len);
    if (version && o_.fault == Fault::kBadVersionSum) sum += 1;
    if (!version && o_.fault == Fault::kBadSum) sum += 1;
    WriteU32(sum);
  }

  // A write's data; the slow-reading fault takes it at about 100,000 bytes a
  // second (well below an unpaced host, above the real line), in pieces
  // small enough that the host is never blocked for long.
  bool ReadData(std::uint8_t* out, std::size_t n) {
    if (o_.fault != Fault::kSlowReading) return ReadBytes(out, n, 2000);
    for (std::size_t done = 0; done < n; done += 1024) {
      if (!ReadBytes(out + done, std::min<std::size_t>(1024, n - done), 2000)) return false;
      ::usleep(10000);
    }
    return true;
  }

  void ServeWrite() {
    if (DropEcho()) return;
    WriteByte(kWrite);
    std::uint8_t hdr[16];
    if (!ReadBytes(hdr, 16, 2000)) return;
    const std::uint32_t addr = kavor::ReadU32(hdr), len = kavor::ReadU32(hdr + 4),
                        zero = kavor::ReadU32(hdr + 8), end = kavor::ReadU32(hdr + 12);
    Event("write 0x" + Hex(addr) + " " + std::to_string(len));
    const bool sane = addr == o_.base && zero == 0 && end == addr + len && len <= kavor::ImageLength(o_.kind);
    if (!sane || o_.fault == Fault::kRefuseWrite) {
      WriteByte(0x01);
      return;
    }
    WriteByte(0x00);
    if (o_.fault == Fault::kStopReading) {
      Event("stopped-reading");
      while (!g_stop) ::usleep(10000);
      return;
    }
    std::vector<std::uint8_t> data(len);
    std::uint8_t trailer[4];
    if (!ReadData(data.data(), len) || !ReadBytes(trailer, 4, 2000)) {
      Event("write-timeout");
      return;
    }
    std::uint32_t sum = 0;
    for (std::uint8_t b : data) sum += b;
    if (sum != kavor::ReadU32(trailer)) {
      Event("write-checksum");
      WriteByte(0x01);
      return;
    }
    if (o_.fault == Fault::kFinalNone) return;
    if (o_.fault == Fault::kFinal01) {
      WriteByte(0x01);
      return;
    }
    if (!o_.out_path.empty()) {
      std::string why;
      if (!StoreFile(o_.out_path, data.data(), len, why)) {
        // A receiver that cannot keep the image must not confirm it.
        std::fprintf(stderr, "kavor-sim: cannot store the written image in %s: %s\n", o_.out_path.c_str(),
                     why.c_str());
        Event("store-failed " + why);
        WriteByte(0x01);
        return;
      }
    }
    std::memcpy(image_.get(), data.data(), len);
    Event("stored " + std::to_string(len));
    WriteByte(0x00);
  }

  static bool StoreFile(const std::string& path, const std::uint8_t* p, std::size_t n, std::string& why) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      why = std::strerror(errno);
      return false;
    }
    std::size_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(fd, p + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        why = w < 0 ? std::strerror(errno) : "nothing written";
        ::close(fd);
        return false;
      }
      done += std::size_t(w);
    }
    if (::close(fd) != 0) {
      why = std::strerror(errno);
      return false;
    }
    return true;
  }

  static std::string Hex(std::uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%08X", unsigned(v));
    return b;
  }

  Options o_;
  int fd_;
  int slave_;
  std::unique_ptr<std::uint8_t[]> image_;
  int ends_ = 0;
  int bad_syncs_ = 0;
  int commands_ = 0;
  bool reported_ = false;  // "connected" printed for this connection
  Clock::time_point noise_until_{};
  std::uint8_t noise_ = 0x20;
};

bool ParseInt(const char* s, long long& v) {
  char* end = nullptr;
  errno = 0;
  v = std::strtoll(s, &end, 0);
  return errno == 0 && end && *end == '\0' && end != s;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto text = [&](const char* what) -> std::string {
      if (i + 1 >= argc) UsageError(a + " needs " + what);
      return argv[++i];
    };
    auto number = [&](long long low, long long high, const std::string& range) -> long long {
      const std::string value = text("a number");
      long long v = 0;
      if (!ParseInt(value.c_str(), v)) UsageError(a + ": '" + value + "' is not a number");
      if (v < low || v > high) UsageError(a + " must be " + range + ", not " + value);
      return v;
    };
    if (a == "--kind") {
      const std::string value = text("3 or 5");
      if (value != "3" && value != "5") UsageError("--kind must be 3 or 5, not " + value);
      o.kind = value[0] - '0';
    } else if (a == "--base") {
      o.base = std::uint32_t(number(0, 0xFFFFFFFFll, "an address from 0 to 0xFFFFFFFF"));
    } else if (a == "--image") {
      o.image_path = text("a FILE");
    } else if (a == "--out") {
      o.out_path = text("a FILE");
    } else if (a == "--paced") {
      o.paced = true;
    } else if (a == "--sessions") {
      o.sessions = int(number(0, 1000000000, "0 (until terminated) or more"));
    } else if (a == "--noise-ms") {
      o.noise_ms = int(number(0, 1000000000, "0 or more"));
    } else if (a == "--bad-sync-count") {
      o.bad_sync_count = int(number(0, 1000000000, "0 or more"));
    } else if (a == "--announce-ms") {
      o.announce_ms = int(number(1, 1000000, "at least 1"));
    } else if (a == "--fault") {
      const std::string name = text("a MODE");
      bool found = false;
      for (const FaultName& f : kFaults)
        if (name == f.name) {
          o.fault = f.fault;
          found = true;
        }
      if (!found) UsageError("unknown fault mode " + name);
    } else if (a == "--help" || a == "-h") {
      Usage(stdout);
      std::exit(0);
    } else if (a == "--version") {
      std::printf("kavor-sim %s\n", KAVOR_VERSION);
      std::exit(0);
    } else if (!a.empty() && a[0] == '-') {
      UsageError("unknown option " + a);
    } else {
      UsageError("unexpected argument " + a);
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);

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

  Sim sim(o, master, slave);
  if (!sim.LoadImage()) return 1;
  std::printf("%s\n", slave_name.c_str());
  std::fflush(stdout);
  const int rc = sim.Run();
  ::close(slave);
  ::close(master);
  return rc;
}
