// kavor-cli read / write: the editor's transfer without a window.
#include "cli/transfer_commands.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "database/data_file.h"
#include "database/image.h"
#include "link/comm_port.h"
#include "link/transfer_protocol.h"

namespace kavor::cli {
namespace {

// On a terminal: one line rewritten in place with a bar; otherwise (logs,
// pipes) one plain line per status change.
class ProgressPrinter : public TransferObserver {
 public:
  ProgressPrinter() : tty_(::isatty(STDERR_FILENO) == 1) {}
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

int UsageError(const std::string& text) {
  std::fprintf(stderr, "kavor-cli: %s (see kavor-cli --help)\n", text.c_str());
  return kExitUsage;
}

bool IsComName(const std::string& port) {
  return port.size() == 4 && port.compare(0, 3, "COM") == 0 && port[3] >= '1' && port[3] <= '4';
}

std::string FailureText(TransferResult result, const std::string& port) {
  if (result == TransferResult::kOpenError && !IsComName(port)) return "Couldn't open port " + port;
  return TransferErrorText(result, IsComName(port) ? port[3] - '0' : 1);
}

struct Args {
  std::string port, output, file;
  std::string error;
};

Args Parse(const std::vector<std::string>& words, bool wants_output) {
  Args a;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= words.size()) {
        a.error = "option " + w + " needs a value";
        return;
      }
      into = words[++i];
    };
    if (w == "--port") {
      value(a.port);
    } else if (wants_output && (w == "-o" || w == "--output")) {
      value(a.output);
    } else if (!w.empty() && w[0] == '-') {
      a.error = "unknown option " + w;
    } else if (!wants_output && a.file.empty()) {
      a.file = w;
    } else {
      a.error = "unexpected argument " + w;
    }
    if (!a.error.empty()) return a;
  }
  if (a.port.empty()) a.error = "--port is required";
  else if (wants_output && a.output.empty()) a.error = "-o OUT is required";
  else if (!wants_output && a.file.empty()) a.error = "write needs the FILE to send";
  return a;
}

int Report(TransferResult result, const std::string& port, ProgressPrinter& progress) {
  progress.Finish();
  if (result == TransferResult::kOk) return kExitOk;
  std::fprintf(stderr, "kavor-cli: %s\n", FailureText(result, port).c_str());
  return kExitFailed;
}

}  // namespace

int RunReadCommand(const std::vector<std::string>& words) {
  const Args args = Parse(words, true);
  if (!args.error.empty()) return UsageError(args.error);
  CCommPort port;
  TransferProtocol protocol(port);
  ProgressPrinter progress;
  protocol.set_observer(&progress);
  const TransferResult result = protocol.OnOK(TransferDirection::kRead, args.port, nullptr);
  if (const int rc = Report(result, args.port, progress); rc != kExitOk) return rc;
  // The transfer checked the sector markers already; only now is OUT written.
  Image image;
  image.Install(protocol.staged(), protocol.staged_kind());
  if (!WriteDataFile(args.output, image)) {
    std::fprintf(stderr, "kavor-cli: %s\n", kFileSaveError);
    return kExitFailed;
  }
  return kExitOk;
}

int RunWriteCommand(const std::vector<std::string>& words) {
  const Args args = Parse(words, false);
  if (!args.error.empty()) return UsageError(args.error);
  StagedImage staged;
  if (const int code = ReadDataFile(args.file, staged); code != 0) {
    std::fprintf(stderr, "kavor-cli: %s\n", FileOpenErrorText(code).c_str());
    return kExitLoad;
  }
  Image image;
  image.Install(staged.bytes.get(), staged.kind);
  CCommPort port;
  TransferProtocol protocol(port);
  ProgressPrinter progress;
  protocol.set_observer(&progress);
  return Report(protocol.OnOK(TransferDirection::kWrite, args.port, &image), args.port, progress);
}

}  // namespace kavor::cli
