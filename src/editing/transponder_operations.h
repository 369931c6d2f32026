// The transponder list's operations: edit, new, insert (and the import's
// add without a dialog), delete with its channels, move; each ends with the
// renumbering that keeps every channel on its transponder.
#pragma once

#include <optional>

#include "database/view_state.h"
#include "editing/user_interface.h"

namespace kavor {

enum class AddKind { New, Insert, Import };

// mTpNumber is one byte: a satellite holds at most this many records.
inline constexpr int kMaxTranspondersPerSatellite = 255;

// The records in use carrying the current satellite's mSatId, listed or not.
int CountSatelliteTransponders(const ViewState& view);
// Room for one more transponder of the current satellite: in the table and
// on the satellite. The popup's "New" and "Insert" follow it.
bool CanAddTransponder(const ViewState& view);

// Where Add puts a new record of the current satellite: the table slot it
// takes (the records from there move up one) and the mTpNumber it gets, as
// it will stand among the satellite's records. Nothing when Add would add
// none: no room, or Insert without a selected row.
struct TransponderPlace {
  int slot = 0;
  int number = 0;
};
std::optional<TransponderPlace> PlaceNewTransponder(const ViewState& view, AddKind kind);

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
