// The view as kavor-cli edit --state reports it: one JSON object, rows
// counted from 1, null where a list has none.
#pragma once

#include <string>

#include "database/view_state.h"

namespace kavor {

// `channel_was_current`: some channel has been current since the file was
// opened; until then "channel_row" is null.
std::string ViewStateJson(const ViewState& view, bool channel_was_current);

}  // namespace kavor
