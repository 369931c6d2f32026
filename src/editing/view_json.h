// The view as kavor-cli edit --state reports it: one JSON object, rows
// counted from 1, null where a list has none.
#pragma once

#include <string>

#include "database/view_state.h"

namespace kavor {

// "channel_row" is null until some channel has been current since the file
// was opened.
std::string ViewStateJson(const ViewState& view);

}  // namespace kavor
