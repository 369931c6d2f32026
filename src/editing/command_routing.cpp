#include "editing/command_routing.h"

#include "editing/transponder_operations.h"

namespace kavor {

namespace {
MenuItem Item(const char* text, int id, bool enabled = true) { return {text, id, enabled, false, {}}; }
MenuItem Separator() { return {"", 0, true, true, {}}; }
}  // namespace

std::vector<MenuItem> BuildPopup(ListId list, const ViewState& view) {
  if (!view.image_loaded()) return {};
  const Image& image = view.image();
  const bool has_tps = !view.transponder_rows().empty();
  const bool selected = view.SelectedChannelCount() > 0;
  switch (list) {
    case ListId::Satellite:
      return {Item("Edit\t[Enter]", ID_POPUP_EDIT), Item("Move to", ID_POPUP_MOVETO),
              Item("Import SatcoDx", ID_POPUP_IMPORT)};
    case ListId::Transponder: {
      // Room in the table and on the current satellite (255 records at
      // most); Insert needs a row to copy and to insert after.
      const bool room = CanAddTransponder(view);
      return {Item("Edit\t[Enter]", ID_POPUP_EDIT, has_tps), Separator(),
              Item("New", ID_POPUP_NEW, room), Item("Insert", ID_POPUP_INSERT, room && has_tps),
              Item("Delete\t[Del]", ID_KEY_DELETE, has_tps), Separator(),
              Item("Move to", ID_POPUP_MOVETO, has_tps)};
    }
    case ListId::Channel: {
      const bool room = image.mServiceCount() < image.channel_capacity();
      MenuItem change{"Change to", 0, selected, false, {}};
      change.submenu = {view.tv_mode() ? Item("Radio", ID_POPUP_TO_RADIO) : Item("TV", ID_POPUP_TO_TV),
                        Item("Scramble", ID_POPUP_SCRAMBLE), Item("Unscramble", ID_POPUP_UNSCRAMBLE),
                        Item("Lock", ID_POPUP_LOCK), Item("Unlock", ID_POPUP_UNLOCK)};
      return {Item("Edit\t[Enter]", ID_POPUP_EDIT, selected),
              Separator(),
              Item("New", ID_POPUP_NEW, has_tps && room),
              Item("Insert", ID_POPUP_INSERT, selected && room),
              Item("Delete\t[Del]", ID_KEY_DELETE, selected),
              Separator(),
              Item("Move to", ID_POPUP_MOVETO, selected && view.all_satellites()),
              change,
              Separator(),
              Item("Find", ID_POPUP_FIND, has_tps)};
    }
    case ListId::None:
      break;
  }
  return {};
}

Routed DispatchPopupCommand(ListId source, int id) {
  switch (source) {
    case ListId::Satellite:
      if (id == ID_POPUP_EDIT) return {Operation::SatelliteEdit, id};
      if (id == ID_POPUP_MOVETO) return {Operation::SatelliteMove, id};
      if (id == ID_POPUP_IMPORT) return {Operation::SatcoDxImport, id};
      break;
    case ListId::Transponder:
      if (id == ID_POPUP_EDIT) return {Operation::TransponderEdit, id};
      if (id == ID_POPUP_NEW) return {Operation::TransponderNew, id};
      if (id == ID_POPUP_INSERT) return {Operation::TransponderInsert, id};
      if (id == ID_KEY_DELETE) return {Operation::TransponderDelete, id};
      if (id == ID_POPUP_MOVETO) return {Operation::TransponderMove, id};
      break;
    case ListId::Channel:
      switch (id) {
        case ID_POPUP_EDIT: return {Operation::ChannelEdit, id};
        case ID_POPUP_NEW: return {Operation::ChannelNew, id};
        case ID_POPUP_INSERT: return {Operation::ChannelInsert, id};
        case ID_KEY_DELETE: return {Operation::ChannelDelete, id};
        case ID_POPUP_MOVETO: return {Operation::ChannelMove, id};
        case ID_POPUP_SCRAMBLE:
        case ID_POPUP_UNSCRAMBLE:
        case ID_POPUP_LOCK:
        case ID_POPUP_UNLOCK:
        case ID_POPUP_TO_RADIO:
        case ID_POPUP_TO_TV: return {Operation::ChannelFlag, id};
        case ID_POPUP_FIND: return {Operation::ChannelFind, id};
        default: break;
      }
      break;
    case ListId::None:
      break;
  }
  return {};
}

Routed RouteKey(int id, ListId focus, const ViewState& view) {
  const bool channel_selected = view.SelectedChannelCount() > 0;
  if (id == ID_KEY_DELETE) {
    if (focus == ListId::Transponder && view.transponder_row() != ViewState::kNone)
      return {Operation::TransponderDelete, id};
    if (focus == ListId::Channel && channel_selected) return {Operation::ChannelDelete, id};
  } else if (id == ID_KEY_ENTER) {
    if (focus == ListId::Satellite && view.satellite_row() != ViewState::kNone)
      return {Operation::SatelliteEdit, id};
    if (focus == ListId::Transponder && view.transponder_row() != ViewState::kNone)
      return {Operation::TransponderEdit, id};
    if (focus == ListId::Channel && channel_selected) return {Operation::ChannelEdit, id};
  }
  return {};
}

Routed RouteDoubleClick(ListId list) {
  switch (list) {
    case ListId::Satellite: return {Operation::SatelliteEdit, ID_POPUP_EDIT};
    case ListId::Transponder: return {Operation::TransponderEdit, ID_POPUP_EDIT};
    case ListId::Channel: return {Operation::ChannelEdit, ID_POPUP_EDIT};
    case ListId::None: break;
  }
  return {};
}

bool IsCommandEnabled(int id, const ViewState& view) {
  switch (id) {
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_WRITE_TO_RECEIVER:
    case ID_EXPORT: return view.image_loaded();
    default: return true;
  }
}

const char* OperationName(Operation op) {
  switch (op) {
    case Operation::None: return "none";
    case Operation::SatelliteEdit: return "satellite edit";
    case Operation::SatelliteMove: return "satellite move";
    case Operation::SatcoDxImport: return "SatcoDx import";
    case Operation::TransponderEdit: return "transponder edit";
    case Operation::TransponderNew: return "transponder new";
    case Operation::TransponderInsert: return "transponder insert";
    case Operation::TransponderDelete: return "transponder delete";
    case Operation::TransponderMove: return "transponder move";
    case Operation::ChannelEdit: return "channel edit";
    case Operation::ChannelNew: return "channel new";
    case Operation::ChannelInsert: return "channel insert";
    case Operation::ChannelDelete: return "channel delete";
    case Operation::ChannelMove: return "channel move";
    case Operation::ChannelFlag: return "channel flag";
    case Operation::ChannelFind: return "channel find";
  }
  return "";
}

std::string UndoStepName(const Routed& routed) {
  switch (routed.operation) {
    case Operation::SatelliteEdit:
    case Operation::TransponderEdit:
    case Operation::ChannelEdit: return "Edit";
    case Operation::TransponderNew:
    case Operation::ChannelNew: return "New";
    case Operation::TransponderInsert:
    case Operation::ChannelInsert: return "Insert";
    case Operation::TransponderDelete:
    case Operation::ChannelDelete: return "Delete";
    case Operation::SatelliteMove:
    case Operation::TransponderMove:
    case Operation::ChannelMove: return "Move to";
    case Operation::SatcoDxImport: return "Import SatcoDx";
    case Operation::ChannelFlag:
      switch (routed.id) {
        case ID_POPUP_SCRAMBLE: return "Scramble";
        case ID_POPUP_UNSCRAMBLE: return "Unscramble";
        case ID_POPUP_LOCK: return "Lock";
        case ID_POPUP_UNLOCK: return "Unlock";
        case ID_POPUP_TO_RADIO: return "Radio";
        case ID_POPUP_TO_TV: return "TV";
        default: return "Change to";
      }
    case Operation::ChannelFind:
    case Operation::None: break;
  }
  return "";
}

}  // namespace kavor
