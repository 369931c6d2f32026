#include "editing/edit_script.h"

#include <algorithm>
#include <vector>

#include "editing/command_routing.h"
#include "editing/script_lexer.h"
#include "editing/view_json.h"

namespace kavor {

namespace {

enum class Action { Tv, Radio, All, SatelliteClick, TransponderClick, ChannelClick, Find, PopupCommand, Undo, Redo };
enum class Arguments { None, OnOff, OneRow, Rows, FindText, ChannelFields, TransponderFields, SatelliteFields, OneText, Path };

struct Verb {
  const char* name;
  Action action;
  Arguments arguments;
  int id = 0;                  // the popup command
  const char* item = nullptr;  // its name when it is not shown
  ListId list = ListId::Channel;  // whose popup it is chosen from
};

// One row per verb.
const Verb kVerbs[] = {
    {"tv", Action::Tv, Arguments::None},
    {"radio", Action::Radio, Arguments::None},
    {"all", Action::All, Arguments::OnOff},
    {"satellite", Action::SatelliteClick, Arguments::OneRow},
    {"transponder", Action::TransponderClick, Arguments::OneRow},
    {"channel", Action::ChannelClick, Arguments::Rows},
    {"find", Action::Find, Arguments::FindText, ID_POPUP_FIND, "Find"},
    {"channel-edit", Action::PopupCommand, Arguments::ChannelFields, ID_POPUP_EDIT, "Edit"},
    {"channel-new", Action::PopupCommand, Arguments::ChannelFields, ID_POPUP_NEW, "New"},
    {"channel-insert", Action::PopupCommand, Arguments::ChannelFields, ID_POPUP_INSERT, "Insert"},
    {"channel-delete", Action::PopupCommand, Arguments::None, ID_KEY_DELETE, "Delete"},
    {"channel-move", Action::PopupCommand, Arguments::OneText, ID_POPUP_MOVETO, "Move to"},
    {"scramble", Action::PopupCommand, Arguments::None, ID_POPUP_SCRAMBLE, "Scramble"},
    {"unscramble", Action::PopupCommand, Arguments::None, ID_POPUP_UNSCRAMBLE, "Unscramble"},
    {"lock", Action::PopupCommand, Arguments::None, ID_POPUP_LOCK, "Lock"},
    {"unlock", Action::PopupCommand, Arguments::None, ID_POPUP_UNLOCK, "Unlock"},
    {"to-radio", Action::PopupCommand, Arguments::None, ID_POPUP_TO_RADIO, "Radio"},
    {"to-tv", Action::PopupCommand, Arguments::None, ID_POPUP_TO_TV, "TV"},
    {"transponder-edit", Action::PopupCommand, Arguments::TransponderFields, ID_POPUP_EDIT, "Edit", ListId::Transponder},
    {"transponder-new", Action::PopupCommand, Arguments::TransponderFields, ID_POPUP_NEW, "New", ListId::Transponder},
    {"transponder-insert", Action::PopupCommand, Arguments::TransponderFields, ID_POPUP_INSERT, "Insert",
     ListId::Transponder},
    {"transponder-delete", Action::PopupCommand, Arguments::None, ID_KEY_DELETE, "Delete", ListId::Transponder},
    {"transponder-move", Action::PopupCommand, Arguments::OneText, ID_POPUP_MOVETO, "Move to", ListId::Transponder},
    {"satellite-edit", Action::PopupCommand, Arguments::SatelliteFields, ID_POPUP_EDIT, "Edit", ListId::Satellite},
    {"satellite-move", Action::PopupCommand, Arguments::OneText, ID_POPUP_MOVETO, "Move to", ListId::Satellite},
    {"import-sdx", Action::PopupCommand, Arguments::Path, ID_POPUP_IMPORT, "Import SatcoDx", ListId::Satellite},
    {"undo", Action::Undo, Arguments::None},
    {"redo", Action::Redo, Arguments::None},
};

const Verb* FindVerb(const std::string& name) {
  for (const Verb& v : kVerbs)
    if (name == v.name) return &v;
  return nullptr;
}

ScriptResult Usage(int line, std::string message) { return {ScriptStatus::Usage, line, std::move(message)}; }
ScriptResult Failed(int line, std::string message) { return {ScriptStatus::Failed, line, std::move(message)}; }

std::string ItemName(const std::string& text) { return text.substr(0, text.find('\t')); }

// Whether the popup shows the command enabled; otherwise the name of the
// item that is greyed or missing.
std::optional<std::string> Unavailable(const std::vector<MenuItem>& popup, const Verb& verb) {
  for (const MenuItem& item : popup) {
    if (item.id == verb.id && !item.separator && item.submenu.empty())
      return item.enabled ? std::nullopt : std::optional<std::string>(ItemName(item.text));
    for (const MenuItem& sub : item.submenu) {
      if (sub.id != verb.id) continue;
      if (!item.enabled) return ItemName(item.text);
      return sub.enabled ? std::nullopt : std::optional<std::string>(ItemName(sub.text));
    }
  }
  return std::string(verb.item);
}

// A row as the script wrote it, for messages: "007" is row 7.
std::string RowText(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

}  // namespace

struct EditScript::Parsed {
  int line = 0;
  const Verb* verb = nullptr;
  std::vector<std::string> args;
  std::vector<ScriptField> fields;
};

EditScript::EditScript(ViewState& view, std::function<void(const std::string&)> inform, EditHistory* history)
    : view_(view),
      own_history_(history ? nullptr : std::make_unique<EditHistory>(view)),
      history_(history ? history : own_history_.get()),
      ui_(std::move(inform)),
      operations_(view, ui_, history_) {}

std::string EditScript::StateJson() const { return ViewStateJson(view_); }

ScriptResult EditScript::Run(std::istream& in) {
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    const ScriptResult result = RunLine(++number, line);
    if (result.status != ScriptStatus::Ok) return result;
  }
  return {};
}

ScriptResult EditScript::RunLine(int number, std::string_view text) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (!IsValidUtf8(text)) return Usage(number, "the line is not UTF-8");
  LexedLine lexed = LexScriptLine(text);
  if (!lexed.error.empty()) return Usage(number, lexed.error);
  if (lexed.skip) return {};
  return RunWords(number, lexed.words);
}

ScriptResult EditScript::RunWords(int number, const std::vector<ScriptWord>& line_words) {
  if (line_words.empty()) return {};
  Parsed parsed;
  parsed.line = number;
  const std::string& verb_name = line_words.front().text;
  parsed.verb = FindVerb(verb_name);
  if (!parsed.verb) return Usage(number, "unknown command \"" + verb_name + "\"");
  const Verb& verb = *parsed.verb;
  std::vector<ScriptWord> words(line_words.begin() + 1, line_words.end());
  const std::size_t count = words.size();
  const std::string name = verb.name;
  switch (verb.arguments) {
    case Arguments::None:
      if (count) return Usage(number, name + " takes no arguments");
      break;
    case Arguments::OnOff:
      if (count != 1 || (words[0].text != "on" && words[0].text != "off"))
        return Usage(number, name + " takes on or off");
      break;
    case Arguments::OneRow:
    case Arguments::Rows:
      if (count == 0 || (verb.arguments == Arguments::OneRow && count != 1))
        return Usage(number, name + (verb.arguments == Arguments::OneRow ? " takes one row" : " takes rows"));
      for (const ScriptWord& w : words)
        if (!ParseDigits(w.text)) return Usage(number, "\"" + w.text + "\" is not a row number");
      break;
    case Arguments::FindText:
      if (count < 1 || count > 2 || (count == 2 && words[1].text != "match-case"))
        return Usage(number, "find takes TEXT [match-case]");
      break;
    case Arguments::OneText:
      if (count != 1) return Usage(number, name + " takes one number");
      break;
    case Arguments::Path:
      if (count != 1) return Usage(number, name + " takes one path");
      break;
    case Arguments::ChannelFields:
    case Arguments::TransponderFields:
    case Arguments::SatelliteFields:
      for (const ScriptWord& w : words) {
        if (w.field_equals == std::string::npos || w.field_equals == 0)
          return Usage(number, "\"" + w.text + "\" is not NAME=VALUE");
        ScriptField field{w.text.substr(0, w.field_equals), w.text.substr(w.field_equals + 1)};
        const bool known = verb.arguments == Arguments::ChannelFields       ? IsChannelField(field.name)
                           : verb.arguments == Arguments::TransponderFields ? IsTransponderField(field.name)
                                                                            : IsSatelliteField(field.name);
        if (!known)
          return Usage(number, "unknown field \"" + field.name + "\" for " + name);
        parsed.fields.push_back(std::move(field));
      }
      break;
  }
  for (const ScriptWord& w : words) parsed.args.push_back(w.text);

  return Act(parsed);
}

ScriptResult EditScript::Act(const Parsed& parsed) {
  const int line = parsed.line;
  const Verb& verb = *parsed.verb;
  // Rows count from 1 in the list as it is now.
  auto row_in = [&](const std::string& digits, std::size_t rows, const char* list) -> std::optional<ScriptResult> {
    const int row = *ParseDigits(digits);
    if (row < 1 || std::size_t(row) > rows)
      return Failed(line, "no row " + RowText(digits) + " in the " + list + " list");
    return std::nullopt;
  };
  switch (verb.action) {
    case Action::Tv:
    case Action::Radio:
      view_.SetTvMode(verb.action == Action::Tv);
      return {};
    case Action::All: {
      const bool all = parsed.args[0] == "on";
      // Checking a checked box is no click at all.
      if (all != view_.all_satellites()) view_.SetAllSatellites(all);
      return {};
    }
    case Action::SatelliteClick: {
      if (auto bad = row_in(parsed.args[0], view_.indexed() ? kSatelliteSlots : 0, "satellite")) return *bad;
      view_.ChooseSatellite(*ParseDigits(parsed.args[0]) - 1);
      return {};
    }
    case Action::TransponderClick: {
      if (auto bad = row_in(parsed.args[0], view_.transponder_rows().size(), "transponder")) return *bad;
      view_.ChooseTransponder(*ParseDigits(parsed.args[0]) - 1);
      return {};
    }
    case Action::ChannelClick: {
      for (const std::string& r : parsed.args)
        if (auto bad = row_in(r, view_.channel_rows().size(), "channel")) return *bad;
      // A click, then Ctrl+clicks that add; each makes its row the focus
      // and its channel current, as the list's selection signals do.
      std::vector<int> selected;
      for (const std::string& r : parsed.args) {
        const int row = *ParseDigits(r) - 1;
        if (std::find(selected.begin(), selected.end(), row) == selected.end()) selected.push_back(row);
        view_.SetChannelSelection(selected, row);
        view_.ChooseChannel(row);
      }
      return {};
    }
    case Action::Find:
    case Action::PopupCommand:
      break;
    case Action::Undo:
      if (!history_->Undo()) return Failed(line, "nothing to undo");
      return {};
    case Action::Redo:
      if (!history_->Redo()) return Failed(line, "nothing to redo");
      return {};
  }

  if (const auto item = Unavailable(BuildPopup(verb.list, view_), verb))
    return Failed(line, "\"" + *item + "\" is not available");
  ui_.BeginLine();
  ui_.set_fields(parsed.fields);
  if (verb.action == Action::Find || verb.id == ID_POPUP_MOVETO) {
    const auto latin1 = Utf8ToLatin1(parsed.args[0]);
    const char* box = verb.name;
    if (!latin1)
      return Failed(line, std::string(box) + ": \"" + parsed.args[0] + "\" has a character that does not fit one byte");
    if (latin1->find('\0') != std::string::npos) return Failed(line, std::string(box) + ": a NUL character cannot be typed");
    if (verb.action == Action::Find)
      ui_.set_find(*latin1, parsed.args.size() == 2);
    else
      ui_.set_number_text(*latin1);
  }
  if (verb.id == ID_POPUP_IMPORT) ui_.set_import_path(parsed.args[0]);
  operations_.Run(DispatchPopupCommand(verb.list, verb.id));
  if (ui_.failure()) return Failed(line, *ui_.failure());
  return {};
}

}  // namespace kavor
