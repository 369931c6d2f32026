// Runs a routed command (popup item, key, double-click) as the operation it
// leads to. The form and kavor-cli edit share it, so both run the same code.
#pragma once

#include "database/edit_history.h"
#include "editing/channel_operations.h"
#include "editing/command_routing.h"
#include "editing/satellite_operations.h"
#include "editing/transponder_operations.h"

namespace kavor {

class EditOperations {
 public:
  // With a history, every command that changes the image is one undo step.
  EditOperations(ViewState& view, UserInterface& ui, EditHistory* history = nullptr)
      : view_(view), ui_(ui), history_(history), channels_(view, ui), transponders_(view, ui), satellites_(view, ui) {}
  // True when the image changed.
  bool Run(const Routed& routed);
  EditHistory* history() const { return history_; }
  ChannelOperations& channels() { return channels_; }
  TransponderOperations& transponders() { return transponders_; }
  SatelliteOperations& satellites() { return satellites_; }

 private:
  bool RunOperation(const Routed& routed);
  bool ImportSatcoDx();

  ViewState& view_;
  UserInterface& ui_;
  EditHistory* history_;
  ChannelOperations channels_;
  TransponderOperations transponders_;
  SatelliteOperations satellites_;
};

}  // namespace kavor
