// kavor-cli started as a script starts it, for test programs whose build
// names the program in KAVOR_CLI_PATH.
#pragma once

#include <string>

#include "support/run_command.h"

namespace kavor::testing {

// Runs kavor-cli with `args` and `redirect` (standard error is dropped
// unless told otherwise); what it printed and its exit code.
inline CommandResult RunCli(const std::string& args, const std::string& redirect = " 2>/dev/null") {
  return RunCommand(std::string(KAVOR_CLI_PATH) + " " + args + redirect);
}

}  // namespace kavor::testing
