// The three lists' popups as data, and where each popup command, key and
// double-click leads. The form turns the menus into widgets and runs the
// operation; everything that decides lives here so it can be tested.
#pragma once

#include <string>
#include <vector>

#include "database/view_state.h"

namespace kavor {

enum CommandId {
  ID_POPUP_MOVETO = 1282,
  ID_POPUP_INSERT = 1283,
  ID_POPUP_NEW = 1284,
  ID_POPUP_EDIT = 1285,
  ID_POPUP_FIND = 1286,
  ID_POPUP_IMPORT = 1287,
  ID_POPUP_SCRAMBLE = 1296,
  ID_POPUP_UNSCRAMBLE = 1297,
  ID_POPUP_LOCK = 1298,
  ID_POPUP_UNLOCK = 1299,
  ID_POPUP_TO_RADIO = 1312,
  ID_POPUP_TO_TV = 1313,
  ID_KEY_DELETE = 32780,
  ID_KEY_ENTER = 32781,
  // File and frame commands.
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_SAVE = 57603,
  ID_FILE_SAVE_AS = 57604,
  ID_READ_FROM_RECEIVER = 32771,
  ID_WRITE_TO_RECEIVER = 32772,
  ID_EXPORT = 32773,
  ID_CONFIGURATION = 32779,
  ID_APP_EXIT = 57665,
  ID_EDIT_UNDO = 57643,
  ID_EDIT_REDO = 57644,
  ID_VIEW_TOOLBAR = 59392,
  ID_APP_ABOUT = 57664,
};

enum class ListId { None, Satellite, Transponder, Channel };

struct MenuItem {
  std::string text;
  int id = 0;  // 0 for separators and the submenu item
  bool enabled = true;
  bool separator = false;
  std::vector<MenuItem> submenu;
};

// The popup of a list, built anew for every request; empty when no image is loaded.
std::vector<MenuItem> BuildPopup(ListId list, const ViewState& view);

// The operations the lists reach.
enum class Operation {
  None,
  SatelliteEdit,
  SatelliteMove,
  SatcoDxImport,
  TransponderEdit,
  TransponderNew,
  TransponderInsert,
  TransponderDelete,
  TransponderMove,
  ChannelEdit,
  ChannelNew,
  ChannelInsert,
  ChannelDelete,
  ChannelMove,
  ChannelFlag,  // scramble, unscramble, lock, unlock, to radio, to TV (the id says which)
  ChannelFind,
};

struct Routed {
  Operation operation = Operation::None;
  int id = 0;  // the command id, for the operations that take it
};

Routed DispatchPopupCommand(ListId source, int id);
// Del and Enter act on the list with the keyboard focus.
Routed RouteKey(int id, ListId focus, const ViewState& view);
Routed RouteDoubleClick(ListId list);

// Save, Save As, Write to receiver and Export need an image.
bool IsCommandEnabled(int id, const ViewState& view);

const char* OperationName(Operation op);
// The popup item a routed command stands for, without its key ("Edit",
// "Delete", "Move to", "Scramble", "Radio", "Import SatcoDx"): the name of
// its undo step.
std::string UndoStepName(const Routed& routed);

}  // namespace kavor
