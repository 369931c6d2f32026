#include "editing/view_json.h"

namespace kavor {

namespace {
std::string Row(int row) { return row == ViewState::kNone ? "null" : std::to_string(row + 1); }
const char* Bool(bool b) { return b ? "true" : "false"; }
}  // namespace

std::string ViewStateJson(const ViewState& view) {
  std::string selected;
  for (int row : view.SelectedChannelRows()) selected += (selected.empty() ? "" : ", ") + std::to_string(row + 1);
  // The current row exactly as the view keeps it, even past the list's end.
  const std::string channel_row = view.channel_was_current() ? std::to_string(view.current_channel_row() + 1) : "null";
  return std::string("{\"tv\": ") + Bool(view.tv_mode()) + ", \"all\": " + Bool(view.all_satellites()) +
         ", \"satellite_row\": " + Row(view.satellite_row()) + ", \"transponder_row\": " + Row(view.transponder_row()) +
         ", \"channel_row\": " + channel_row + ", \"channel_focus_row\": " + Row(view.channel_focus_row()) +
         ", \"channel_rows_selected\": [" + selected + "], \"channel_rows\": " +
         std::to_string(view.channel_rows().size()) + ", \"transponder_rows\": " +
         std::to_string(view.transponder_rows().size()) + "}";
}

}  // namespace kavor
