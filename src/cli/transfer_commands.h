// kavor-cli's receiver commands: `read --port PORT -o OUT`, `write FILE --port PORT`.
#pragma once

#include <string>
#include <vector>

namespace kavor::cli {

// args are the words after the command name. Returns the process exit code.
int RunReadCommand(const std::vector<std::string>& args);
int RunWriteCommand(const std::vector<std::string>& args);

}  // namespace kavor::cli
