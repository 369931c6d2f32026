// kavor-cli edit's engine: runs script lines as a user's clicks, popup
// commands and dialog answers at the editor window, through the same view
// state rules, popups and operations the window uses.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/edit_history.h"
#include "database/view_state.h"
#include "editing/operations.h"
#include "editing/script_lexer.h"
#include "editing/script_ui.h"

namespace kavor {

// The values are kavor-cli's exit codes.
enum class ScriptStatus { Ok = 0, Failed = 1, Usage = 64 };

struct ScriptResult {
  ScriptStatus status = ScriptStatus::Ok;
  int line = 0;         // the failing line, counted from 1
  std::string message;  // "no row 9 in the channel list", ...
};

class EditScript {
 public:
  // `view` as File > Open leaves it. `inform` receives the informational
  // messages the editor would show, in order. The steps go into `history`
  // (the document's); without one the script keeps its own, starting from
  // the image as it is now.
  explicit EditScript(ViewState& view, std::function<void(const std::string&)> inform = {},
                      EditHistory* history = nullptr);

  // One line without its line break.
  ScriptResult RunLine(int number, std::string_view line);
  // One line already split into words, as the lexer leaves them (a path
  // needs no quoting here).
  ScriptResult RunWords(int number, const std::vector<ScriptWord>& words);
  // Every line until the first that fails.
  ScriptResult Run(std::istream& in);

  // The --state object for the view as it is now.
  std::string StateJson() const;
  EditOperations& operations() { return operations_; }
  EditHistory& history() { return *history_; }

 private:
  struct Parsed;
  ScriptResult Act(const Parsed& parsed);

  ViewState& view_;
  std::unique_ptr<EditHistory> own_history_;
  EditHistory* history_;
  ScriptUserInterface ui_;
  EditOperations operations_;
};

}  // namespace kavor
