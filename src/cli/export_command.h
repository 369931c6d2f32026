// kavor-cli's `export FILE [--dir DIR]`: the editor's Export of the three
// default-table headers.
#pragma once

namespace kavor::cli {

class CommandSet;

void AddExportCommand(CommandSet& commands);

}  // namespace kavor::cli
