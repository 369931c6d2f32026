#include "editing/operations.h"

namespace kavor {

bool EditOperations::Run(const Routed& routed) {
  switch (routed.operation) {
    case Operation::ChannelEdit: return channels_.Edit();
    case Operation::ChannelNew: return channels_.NewOrInsert(ID_POPUP_NEW);
    case Operation::ChannelInsert: return channels_.NewOrInsert(ID_POPUP_INSERT);
    case Operation::ChannelDelete: return channels_.DeleteWithConfirmation();
    case Operation::ChannelMove: return channels_.Move();
    case Operation::ChannelFlag: return channels_.FlagCommand(routed.id);
    case Operation::ChannelFind: channels_.Find(); return false;
    case Operation::TransponderEdit: return transponders_.Edit();
    case Operation::TransponderNew: return transponders_.Add(AddKind::New);
    case Operation::TransponderInsert: return transponders_.Add(AddKind::Insert);
    case Operation::TransponderDelete: return transponders_.DeleteWithConfirmation();
    case Operation::TransponderMove: return transponders_.Move();
    case Operation::SatelliteEdit: return satellites_.Edit();
    case Operation::SatelliteMove: return satellites_.Move();
    default: return false;  // the SatcoDx import comes later
  }
}

}  // namespace kavor
