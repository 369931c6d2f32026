#include "editing/operations.h"

#include <algorithm>
#include <vector>

#include "interchange/satcodx_import.h"

namespace kavor {

bool EditOperations::Run(const Routed& routed) {
  if (!history_) return RunOperation(routed);
  history_->Begin();
  const bool changed = RunOperation(routed);
  // The bytes decide: a command that reports a change but kept every byte
  // is no step.
  history_->End(UndoStepName(routed));
  return changed;
}

bool EditOperations::RunOperation(const Routed& routed) {
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
    case Operation::SatcoDxImport: return ImportSatcoDx();
    default: return false;
  }
}

bool EditOperations::ImportSatcoDx() {
  if (!view_.indexed() || view_.current_satellite() == ViewState::kNone) return false;
  const std::optional<std::string> path = ui_.ChooseSatcoDxFile();
  if (!path) return false;
  // The renumbering at the end can change numbers even when nothing was
  // added, so the change is judged on the bytes.
  const Image& image = view_.image();
  const std::vector<std::uint8_t> before(image.bytes(), image.bytes() + image.length());
  if (!kavor::ImportSatcoDx(view_, ui_, *path)) return false;
  return !std::equal(before.begin(), before.end(), image.bytes());
}

}  // namespace kavor
