// kavor-cli read / write: the editor's transfer without a window.
#include "cli/transfer_commands.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#include <io.h>
#include <csignal>
#else
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "cli/command_set.h"
#include "cli/messages.h"
#include "database/data_file.h"
#include "database/file_io.h"
#include "database/image.h"
#include "link/comm_port.h"
#include "link/transfer_protocol.h"

namespace kavor::cli {
namespace {

// On a terminal: one line rewritten in place with a bar; otherwise (logs,
// pipes) one plain line per status change.
class ProgressPrinter : public TransferObserver {
 public:
#ifdef _WIN32
  ProgressPrinter() : tty_(::_isatty(::_fileno(stderr)) != 0) {}
#else
  ProgressPrinter() : tty_(::isatty(STDERR_FILENO) == 1) {}
#endif
  ~ProgressPrinter() override { Finish(); }

  void OnStatus(const std::string& text) override {
    status_ = text;
    if (!tty_) {
      std::fprintf(stderr, "%s\n", text.c_str());
      return;
    }
    Draw();
  }
  void OnProgressShown(bool shown) override {
    bar_ = shown;
    if (tty_) Draw();
  }
  void OnProgress(int percent) override { percent_ = percent; }
  void Finish() {
    if (tty_ && drawn_) std::fputc('\n', stderr);
    drawn_ = false;
  }

 private:
  void Draw() {
    std::string line = "\r" + status_;
    if (bar_) {
      constexpr int kWidth = 40;
      const int filled = percent_ * kWidth / 100;
      line += " [" + std::string(std::size_t(filled), '#') + std::string(std::size_t(kWidth - filled), '.') + "]";
    }
    line += "\x1b[K";  // clear what a longer earlier text left
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = true;
  }

  bool tty_;
  bool drawn_ = false;
  bool bar_ = false;
  int percent_ = 0;
  std::string status_;
};

#ifdef _WIN32
// While alive, Ctrl+C and Ctrl+Break (and closing the console) stop the
// transfer instead of the process, as SIGINT and SIGTERM do on POSIX: the
// protocol still sends the end byte and closes the port. The system runs the
// handler on a thread of its own.
class SignalStop {
 public:
  explicit SignalStop(TransferProtocol& protocol) : protocol_(protocol) {
    active_.store(this);
    ::SetConsoleCtrlHandler(&SignalStop::Handler, TRUE);
  }
  ~SignalStop() {
    ::SetConsoleCtrlHandler(&SignalStop::Handler, FALSE);
    active_.store(nullptr);
  }
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  int signal() const { return signal_.load(); }
  int exit_code() const { return 128 + signal(); }

 private:
  static BOOL WINAPI Handler(DWORD type) {
    SignalStop* self = active_.load();
    if (!self) return FALSE;
    int none = 0;
    self->signal_.compare_exchange_strong(none, type == CTRL_C_EVENT ? SIGINT : SIGTERM);
    self->protocol_.Cancel();
    return TRUE;
  }

  static inline std::atomic<SignalStop*> active_{nullptr};
  TransferProtocol& protocol_;
  std::atomic<int> signal_{0};
};
#else
// While alive, SIGINT and SIGTERM stop the transfer instead of the process:
// the protocol still sends the end byte and closes the port, and the output's
// temporary file is removed on the way out. The signals are blocked in every
// thread (the port's watcher inherits the mask) and taken by one thread of
// our own, so nothing runs in a signal handler.
class SignalStop {
 public:
  explicit SignalStop(TransferProtocol& protocol) : protocol_(protocol) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGUSR2);  // our own "done"
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    thread_ = std::thread([this] {
      for (;;) {
        int sig = 0;
        if (sigwait(&set_, &sig) != 0 || sig == SIGUSR2) return;
        int none = 0;
        signal_.compare_exchange_strong(none, sig);
        protocol_.Cancel();
      }
    });
  }
  ~SignalStop() {
    pthread_kill(thread_.native_handle(), SIGUSR2);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  // The first signal taken, 0 if none.
  int signal() const { return signal_.load(); }
  // The shell's convention for a process ended by a signal.
  int exit_code() const { return 128 + signal(); }

 private:
  TransferProtocol& protocol_;
  sigset_t set_{};
  sigset_t previous_{};
  std::atomic<int> signal_{0};
  std::thread thread_;
};
#endif

bool IsComName(const std::string& port) {
  return port.size() == 4 && port.compare(0, 3, "COM") == 0 && port[3] >= '1' && port[3] <= '4';
}

// The failure's line on stderr and the exit code.
int Failure(TransferResult result, const std::string& port_name, const CCommPort& port,
            const TransferProtocol& protocol, const SignalStop& stop) {
  if (result == TransferResult::kCancelled) {
    PrintError(port_name, TransferErrorText(result, 1));
    return stop.exit_code();
  }
  if (result == TransferResult::kOpenError) {
    // Name the device actually tried, so "COM2" shows where it pointed.
    const std::string device = ResolvePortDevice(port_name);
    const std::string text =
        IsComName(port_name) ? TransferErrorText(result, port_name[3] - '0') : "Couldn't open port";
    PrintError(device, text, port.last_error());
    return kExitFailed;
  }
  PrintError(port_name, TransferErrorText(result, 1), protocol.failure_reason());
  return kExitFailed;
}

struct Args {
  std::string port, output, file;
};

int RunRead(const Args& args) {
  CCommPort port;
  TransferProtocol protocol(port);
  ProgressPrinter progress;
  protocol.set_observer(&progress);
  SignalStop stop(protocol);
  // An output that cannot be written is found before the receiver is
  // bothered; the file itself appears only once the image has passed every
  // check, and a failed or interrupted read leaves nothing behind.
  PendingSave save;
  if (!save.Begin(PathFromUtf8(args.output))) {
    PrintError(args.output, kFileSaveError, save.reason());
    return kExitFailed;
  }
  const TransferResult result = protocol.OnOK(TransferDirection::kRead, args.port, nullptr);
  progress.Finish();
  if (result != TransferResult::kOk) return Failure(result, args.port, port, protocol, stop);
  if (stop.signal() != 0) {
    PrintError(args.port, TransferErrorText(TransferResult::kCancelled, 1));
    return stop.exit_code();
  }
  if (!save.Commit(protocol.staged(), ImageLength(protocol.staged_kind()))) {
    PrintError(args.output, kFileSaveError, save.reason());
    return kExitFailed;
  }
  std::printf("Read %u bytes into %s.\n", unsigned(protocol.block_length()), args.output.c_str());
  return kExitOk;
}

int RunWrite(const Args& args) {
  StagedImage staged;
  std::string reason;
  if (const int code = ReadDataFile(PathFromUtf8(args.file), staged, &reason); code != 0) {
    PrintError(args.file, FileOpenErrorText(code), reason);
    return kExitLoad;
  }
  Image image;
  image.Install(staged.bytes.get(), staged.kind);
  CCommPort port;
  TransferProtocol protocol(port);
  ProgressPrinter progress;
  protocol.set_observer(&progress);
  SignalStop stop(protocol);
  const TransferResult result = protocol.OnOK(TransferDirection::kWrite, args.port, &image);
  progress.Finish();
  if (result != TransferResult::kOk) return Failure(result, args.port, port, protocol, stop);
  std::printf("Wrote %u bytes from %s to the receiver.\n", unsigned(protocol.block_length()), args.file.c_str());
  return kExitOk;
}

}  // namespace

void AddTransferCommands(CommandSet& commands) {
  const std::string port_help = "COM1..COM4 (KAVOR_COM1.. name their devices) or a device path";
  {
    auto args = std::make_shared<Args>();
    CLI::App& read = commands.Add("read", "Read the image from the receiver", [=] { return RunRead(*args); });
    commands.Require(read.add_option("--port", args->port, port_help)->type_name("PORT"), "--port is required");
    commands.Require(read.add_option("-o,--output", args->output, "The data file to write, once the image is complete")
                         ->type_name("OUT"),
                     "-o OUT is required");
  }
  {
    auto args = std::make_shared<Args>();
    CLI::App& write = commands.Add("write", "Write the image to the receiver", [=] { return RunWrite(*args); });
    commands.Require(write.add_option("FILE", args->file, "The data file to send"), "write needs the FILE to send");
    commands.Require(write.add_option("--port", args->port, port_help)->type_name("PORT"), "--port is required");
  }
}

}  // namespace kavor::cli
