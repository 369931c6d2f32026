// kavor-cli: the editor's core without a window, for scripts and backups.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/transfer_commands.h"

namespace {

const char* const kUsage =
    "usage: kavor-cli COMMAND [ARGS]\n"
    "\n"
    "  demo OUT [--kind 3|5]          write a synthetic demo image\n"
    "  info FILE [--json]             summary of a data file\n"
    "  list FILE [--radio] [--satellite N] [--transponders | --satellites] [--csv]\n"
    "                                 the rows of a list, as the editor shows them\n"
    "  check FILE                     check the tables' consistency\n"
    "  read --port PORT -o OUT        read the image from the receiver\n"
    "  write FILE --port PORT         write the image to the receiver\n"
    "\n"
    "PORT is COM1..COM4 or a device path. Exit codes: 0 success, 1 the operation\n"
    "failed, 2 the file could not be loaded, 64 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace kavor::cli;
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (command == "--version") {
    std::printf("kavor-cli %s\n", KAVOR_VERSION);
    return kExitOk;
  }
  if (command == "demo") return RunDemoCommand(args);
  if (command == "info") return RunInfoCommand(args);
  if (command == "list") return RunListCommand(args);
  if (command == "check") return RunCheckCommand(args);
  if (command == "read") return RunReadCommand(args);
  if (command == "write") return RunWriteCommand(args);
  std::fprintf(stderr, "kavor-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
  return kExitUsage;
}
