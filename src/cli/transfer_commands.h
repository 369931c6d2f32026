// kavor-cli's receiver commands: `read --port PORT -o OUT`, `write FILE --port PORT`.
#pragma once

namespace kavor::cli {

class CommandSet;

void AddTransferCommands(CommandSet& commands);

}  // namespace kavor::cli
