// The transponder list's operations: edit, new, insert (and the import's
// add without a dialog), delete with its channels, move; each ends with the
// renumbering that keeps every channel on its transponder.
#pragma once

#include <optional>

#include "database/view_state.h"
#include "editing/user_interface.h"

namespace kavor {

enum class AddKind { New, Insert, Import };

// Numbers the current satellite's records 1, 2, 3 ... in table order and
// moves its channels along through a remap list.
void RenumberTransponders(ViewState& view);

class TransponderOperations {
 public:
  TransponderOperations(ViewState& view, UserInterface& ui) : view_(view), ui_(ui) {}
  // Each returns true when the image changed.
  bool Edit();
  // New and Insert open the editor; Import adds `record` (16 bytes) as it is.
  bool Add(AddKind kind, const std::uint8_t* record = nullptr);
  bool DeleteWithConfirmation();
  bool Move();

 private:
  ViewState& view_;
  UserInterface& ui_;
};

}  // namespace kavor
