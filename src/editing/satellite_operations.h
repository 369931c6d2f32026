// The satellite list's operations: edit the current satellite, move it to
// another slot (renumbering satellites and every reference to them).
#pragma once

#include "database/view_state.h"
#include "editing/user_interface.h"

namespace kavor {

// Slot i gets number i + 1; transponders and channels follow through a remap
// list; the transponder table is regrouped by ascending number, stably.
void RenumberSatellites(ViewState& view);

class SatelliteOperations {
 public:
  SatelliteOperations(ViewState& view, UserInterface& ui) : view_(view), ui_(ui) {}
  // Each returns true when the image changed.
  bool Edit();
  bool Move();

 private:
  ViewState& view_;
  UserInterface& ui_;
};

}  // namespace kavor
