// The channel list's operations: edit, new or insert, delete with
// confirmation, move, the flag commands, the type change, and Find. They act
// through the view state (which tells the form what to redraw and select)
// and ask the user only through the UserInterface.
#pragma once

#include <string>
#include <vector>

#include "database/view_state.h"
#include "editing/user_interface.h"

namespace kavor {

// Clears the records of `entries` (channel-list rows, or slots when
// `entries_are_slots`) and compacts the table; renumbers and rebuilds the
// satellites-in-use list. No confirmation and no refill: callers refill.
void DeleteChannels(ViewState& view, const std::vector<int>& entries, bool entries_are_slots);

class ChannelOperations {
 public:
  ChannelOperations(ViewState& view, UserInterface& ui) : view_(view), ui_(ui) {}

  // Each returns true when the image changed (an edit that kept every byte,
  // a cancelled dialog, or a find: false).
  bool Edit();
  bool NewOrInsert(int id);  // ID_POPUP_NEW or ID_POPUP_INSERT
  bool DeleteWithConfirmation();
  bool Move();
  bool FlagCommand(int id);  // ID_POPUP_SCRAMBLE .. ID_POPUP_UNLOCK, ID_POPUP_TO_RADIO, ID_POPUP_TO_TV
  void Find();

  // Kept between finds, as the Find dialog keeps them.
  const std::string& find_text() const { return find_text_; }
  bool match_case() const { return match_case_; }

 private:
  ViewState& view_;
  UserInterface& ui_;
  std::string find_text_;
  bool match_case_ = false;
};

}  // namespace kavor
