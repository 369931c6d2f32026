#include "cli/edit_options.h"

#include <memory>
#include <string>

#include "cli/command_set.h"
#include "cli/edit_command.h"

namespace kavor::cli {

void AddEditCommand(CommandSet& commands) {
  struct Args {
    std::string file, output, script;
    bool state = false;
  };
  auto args = std::make_shared<Args>();
  CLI::App& edit = commands.Add("edit", "Run an edit script: the clicks and dialog answers of a user",
                                [=] { return RunEdit(args->file, args->output, args->state, args->script); });
  commands.Require(edit.add_option("FILE", args->file, "The data file to open"), "edit needs the FILE to open");
  edit.add_option("SCRIPT", args->script, "The script; standard input without it or for -");
  commands.Require(edit.add_option("-o,--output", args->output, "Where to save the result (may be FILE)")->type_name("OUT"),
                   "-o OUT is required");
  edit.add_flag("--state", args->state, "Print the final view as one JSON object");
}

}  // namespace kavor::cli
