// kavor-cli edit: a script plays the user at the editor window.
#pragma once

#include <string>

namespace kavor::cli {

// Opens FILE as the editor's Open does, runs the script (a file, or standard
// input for "" or "-"), writes OUT as Save As does, prints the --state JSON
// when asked. Returns the process exit code (0, 1, 2 or 64).
int RunEdit(const std::string& file, const std::string& out, bool print_state, const std::string& script_path);

}  // namespace kavor::cli
