// Runs a routed command (popup item, key, double-click) as the operation it
// leads to. The form and kavor-cli edit share it, so both run the same code.
#pragma once

#include "editing/channel_operations.h"
#include "editing/command_routing.h"
#include "editing/satellite_operations.h"
#include "editing/transponder_operations.h"

namespace kavor {

class EditOperations {
 public:
  EditOperations(ViewState& view, UserInterface& ui)
      : view_(view), ui_(ui), channels_(view, ui), transponders_(view, ui), satellites_(view, ui) {}
  // True when the image changed.
  bool Run(const Routed& routed);
  ChannelOperations& channels() { return channels_; }
  TransponderOperations& transponders() { return transponders_; }
  SatelliteOperations& satellites() { return satellites_; }

 private:
  bool ImportSatcoDx();

  ViewState& view_;
  UserInterface& ui_;
  ChannelOperations channels_;
  TransponderOperations transponders_;
  SatelliteOperations satellites_;
};

}  // namespace kavor
