// kavor-cli: the editor's core without a window, for scripts and backups.
#include "cli/command_set.h"
#include "cli/edit_options.h"
#include "cli/export_command.h"
#include "cli/file_commands.h"
#include "cli/import_command.h"
#include "cli/transfer_commands.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>
#endif

namespace {

int RunCli(int argc, const char* const* argv) {
  using namespace kavor::cli;
  CommandSet commands("kavor-cli: the channel editor's core without a window, for scripts, checks and backups.",
                      "kavor-cli " KAVOR_VERSION);
  AddFileCommands(commands);
  AddTransferCommands(commands);
  AddEditCommand(commands);
  AddExportCommand(commands);
  AddImportCommand(commands);
  commands.SetFooter(
      "PORT is COM1..COM4 or a device path. Exit codes: 0 success, 1 the operation\n"
      "failed, 2 the file could not be loaded, 64 usage error.\n"
      "\n"
      "kavor-cli COMMAND --help describes one command, --help-all every command.");
  return commands.Run(argc, argv);
}

}  // namespace

#ifdef _WIN32
// Windows hands the arguments over as UTF-16; everything after this point
// reads them as UTF-8, as on Linux. The standard streams are binary, so
// files, JSON and rows come out byte for byte without CR LF, and UTF-8 text
// shows right in a console.
int wmain(int argc, wchar_t** wargv) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(std::size_t(n > 0 ? n : 1), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, arg.data(), n, nullptr, nullptr);
    arg.resize(arg.size() - 1);  // the terminator
    args.push_back(std::move(arg));
  }
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return RunCli(argc, argv.data());
}
#else
int main(int argc, char** argv) { return RunCli(argc, argv); }
#endif
