// kavor-cli edit's declaration; RunEdit (edit_command.h) does the work.
#pragma once

namespace kavor::cli {

class CommandSet;

void AddEditCommand(CommandSet& commands);

}  // namespace kavor::cli
