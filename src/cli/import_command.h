// kavor-cli's `import-sdx FILE SDX --satellite N -o OUT`: the short form of
// the edit script `satellite N` / `import-sdx SDX`.
#pragma once

#include <string>

namespace kavor::cli {

class CommandSet;

void AddImportCommand(CommandSet& commands);

// Opens FILE, clicks satellite row `satellite`, imports SDX through the edit
// script engine and saves OUT. Returns the exit code (0, 1, 2 or 64).
int RunImportSdx(const std::string& file, const std::string& sdx, const std::string& satellite,
                 const std::string& out);

}  // namespace kavor::cli
