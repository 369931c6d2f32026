// Consistency check of a loaded image's tables, as `kavor-cli check` reports it.
#pragma once

#include <string>
#include <vector>

#include "database/image.h"

namespace kavor {

// One human-readable line per violation; empty when the tables are consistent.
// Only what the tables promise is checked: the slots after the counts are
// free and may hold anything (a delete leaves them as they were).
std::vector<std::string> CheckTables(const Image& image);

}  // namespace kavor
