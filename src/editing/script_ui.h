// The user at the editor's dialogs, as an edit script line plays it: every
// confirmation is OK, each editor gets the line's fields typed in
// order, the Move dialog the line's number, Find the line's text. What a
// user could not type, or what the dialog refuses, fails the line instead
// of being asked again.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editing/channel_form.h"
#include "editing/satellite_form.h"
#include "editing/transponder_form.h"
#include "editing/user_interface.h"

namespace kavor {

struct ScriptField {
  std::string name;
  std::string value;  // UTF-8, as the script holds it
};

// Sets one channel editor control as a user would type or choose it.
// Returns why the value cannot be set, naming the field.
std::optional<std::string> SetChannelField(ChannelForm& form, const ScriptField& field);
bool IsChannelField(const std::string& name);
// The same for the transponder and satellite editors.
std::optional<std::string> SetTransponderField(TransponderForm& form, const ScriptField& field);
bool IsTransponderField(const std::string& name);
std::optional<std::string> SetSatelliteField(SatelliteForm& form, const ScriptField& field);
bool IsSatelliteField(const std::string& name);

class ScriptUserInterface : public UserInterface {
 public:
  // Informational messages go here (kavor-cli prints them on stdout).
  explicit ScriptUserInterface(std::function<void(const std::string&)> inform = {})
      : inform_(std::move(inform)) {}

  // What the current line answers; cleared for every line.
  void BeginLine();
  void set_fields(std::vector<ScriptField> fields) { fields_ = std::move(fields); }
  void set_number_text(std::string text) { number_text_ = std::move(text); }
  // The file the import's dialog is answered with; the count box it ends
  // with is then read and closed like an informational one.
  void set_import_path(std::string path) { import_path_ = std::move(path); }
  void set_find(std::string latin1_text, bool match_case) {
    find_text_ = std::move(latin1_text);
    find_match_case_ = match_case;
  }
  // Why the line failed in a dialog, or nothing.
  const std::optional<std::string>& failure() const { return failure_; }

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  std::optional<std::string> ChooseOpenFile(const std::string& initial) override;
  std::optional<std::string> ChooseSaveFile(const std::string& initial) override;
  bool AskOkCancel(const std::string& caption, const std::string& text) override;
  bool EditChannel(const std::string& caption, ChannelRecord record) override;
  std::optional<long long> AskNumber(const std::string& prompt, long long number) override;
  bool AskFind(std::string& text, bool& match_case) override;
  bool EditTransponder(const std::string& caption, TransponderRecord record) override;
  bool EditSatellite(SatelliteRecord record) override;
  std::optional<std::string> ChooseSatcoDxFile() override;

 private:
  void Fail(std::string why) {
    if (!failure_) failure_ = std::move(why);
  }

  std::function<void(const std::string&)> inform_;
  std::vector<ScriptField> fields_;
  std::string number_text_;
  int number_asks_ = 0;
  std::string find_text_;
  bool find_match_case_ = false;
  std::optional<std::string> failure_;
  std::optional<std::string> import_path_;
};

}  // namespace kavor
