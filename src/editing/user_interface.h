// What the editor asks of the user: messages, file choices and the editing
// dialogs. The editor implements it with modal dialogs, kavor-cli edit and
// the tests with a script.
#pragma once

#include <optional>
#include <string>

#include "database/image.h"

namespace kavor {

enum class MessageIcon { Error, Exclamation, Information, Question };

enum class SaveChoice { Save, Discard, Cancel };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal box captioned "Kavor" with one OK button.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // The chosen full path, or nothing when the user cancelled. `initial` is
  // the name to propose; empty: start in the current folder, propose none.
  virtual std::optional<std::string> ChooseOpenFile(const std::string& initial) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const std::string& initial) = 0;

  // The dialogs below default to the user cancelling, so an interface that
  // has no such dialog never changes anything.

  // OK / Cancel under `caption` with the question icon; true for OK.
  virtual bool AskOkCancel(const std::string& /*caption*/, const std::string& /*text*/) { return false; }
  // The channel editor on `record` under `caption`. True for OK, and the
  // record then holds what OK wrote; false for Cancel, the record untouched.
  virtual bool EditChannel(const std::string& /*caption*/, ChannelRecord /*record*/) { return false; }
  // The Move dialog: `prompt` shown, `number` in the box. The integer typed
  // (the dialog accepts only integers), or nothing for Cancel. Callers check
  // the range and ask again with the typed number while it is outside.
  virtual std::optional<long long> AskNumber(const std::string& /*prompt*/, long long /*number*/) {
    return std::nullopt;
  }
  // "Find Channel": shows `text` and `match_case`; on OK stores what the
  // user entered into both and returns true.
  virtual bool AskFind(std::string& /*text*/, bool& /*match_case*/) { return false; }
  // The transponder editor on `record` under `caption` ("Edit transponder",
  // "New transponder", "Insert transponder"); OK writes, Cancel leaves it.
  virtual bool EditTransponder(const std::string& /*caption*/, TransponderRecord /*record*/) { return false; }
  // "Edit Satellite" on the current satellite's record.
  virtual bool EditSatellite(SatelliteRecord /*record*/) { return false; }
  // The SatcoDx channel list to import (an existing file), or nothing.
  virtual std::optional<std::string> ChooseSatcoDxFile() { return std::nullopt; }
  // Before a modified document is dropped: `question` ("Save changes to
  // x.bin?") captioned "Kavor" with Save, Discard and Cancel, Save the default.
  virtual SaveChoice AskSaveChanges(const std::string& /*question*/) { return SaveChoice::Cancel; }
};

}  // namespace kavor
