// kavor-cli: the editor's core without a window, for scripts and backups.
#include "cli/command_set.h"
#include "cli/edit_options.h"
#include "cli/export_command.h"
#include "cli/file_commands.h"
#include "cli/import_command.h"
#include "cli/transfer_commands.h"

int main(int argc, char** argv) {
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
