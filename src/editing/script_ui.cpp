#include "editing/script_ui.h"

#include <climits>

#include "editing/number_text.h"
#include "editing/script_lexer.h"

namespace kavor {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

template <std::size_t N>
std::optional<int> ChooseEntry(const std::array<const char*, N>& entries, const std::string& value) {
  for (std::size_t i = 0; i < N; ++i)
    if (SameIgnoringCase(value, entries[i])) return int(i);
  if (const auto index = ParseDigits(value); index && *index < int(N)) return *index;
  return std::nullopt;
}

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

// The text a box receives: Latin-1 bytes, no NUL.
std::optional<std::string> BoxText(const ScriptField& field, std::string& why) {
  const auto latin1 = Utf8ToLatin1(field.value);
  if (!latin1) {
    why = field.name + ": " + Quoted(field.value) + " has a character that does not fit one byte";
    return std::nullopt;
  }
  if (latin1->find('\0') != std::string::npos) {
    why = field.name + ": a NUL character cannot be typed";
    return std::nullopt;
  }
  return latin1;
}

std::optional<bool> CheckValue(const std::string& value) {
  if (value == "1") return true;
  if (value == "0") return false;
  return std::nullopt;
}

// "New channel (1-%d)" and the other Move prompts end in the range.
std::optional<long long> UpperBoundOf(const std::string& prompt) {
  const std::size_t open = prompt.rfind("(1-");
  if (open == std::string::npos) return std::nullopt;
  long long value = 0;
  std::size_t i = open + 3;
  const std::size_t digits_start = i;
  for (; i < prompt.size() && prompt[i] >= '0' && prompt[i] <= '9'; ++i) value = value * 10 + (prompt[i] - '0');
  if (i == digits_start || i >= prompt.size() || prompt[i] != ')') return std::nullopt;
  return value;
}

}  // namespace

bool IsChannelField(const std::string& name) {
  static const char* const kNames[] = {"name", "chartable", "video", "audio", "pcr", "category", "fav1", "fav2",
                                       "fav3", "fav4", "fav5", "fav6", "fav7", "fav8", "lock", "scramble",
                                       "ca", "ecm"};
  for (const char* n : kNames)
    if (name == n) return true;
  return false;
}

std::optional<std::string> SetChannelField(ChannelForm& form, const ScriptField& field) {
  const std::string& name = field.name;
  std::string why;
  if (name == "chartable" || name == "category") {
    const auto text = BoxText(field, why);
    if (!text) return why;
    const auto entry = name == "chartable" ? ChooseEntry(kCharTableEntries, *text) : ChooseEntry(kCategoryEntries, *text);
    if (!entry) return name + ": no entry " + Quoted(field.value);
    (name == "chartable" ? form.char_table : form.category) = *entry;
    return std::nullopt;
  }
  if (name.size() == 4 && name.compare(0, 3, "fav") == 0 && name[3] >= '1' && name[3] <= '8') {
    const auto checked = CheckValue(field.value);
    if (!checked) return name + ": a check box takes 0 or 1, not " + Quoted(field.value);
    form.favourite[std::size_t(name[3] - '1')] = *checked;
    return std::nullopt;
  }
  if (name == "lock" || name == "scramble") {
    const auto checked = CheckValue(field.value);
    if (!checked) return name + ": a check box takes 0 or 1, not " + Quoted(field.value);
    (name == "lock" ? form.lock : form.scramble) = *checked;
    return std::nullopt;
  }
  const auto text = BoxText(field, why);
  if (!text) return why;
  if (name == "name") {
    if (text->size() > kChannelNameLimit || !ChannelNameFits(*text))
      return "name: " + Quoted(field.value) + " is longer than the box's " + std::to_string(kChannelNameLimit) +
             " characters";
    form.name = *text;
  } else if (name == "video") {
    form.video = *text;
  } else if (name == "audio") {
    form.audio = *text;
  } else if (name == "pcr") {
    form.pcr = *text;
  } else if (name == "ca") {
    form.ca_system_id = *text;
  } else if (name == "ecm") {
    form.ecm_pid = *text;
  } else {
    return name + ": not a field of the channel editor";
  }
  return std::nullopt;
}

bool IsTransponderField(const std::string& name) {
  return name == "frequency" || name == "symbolrate" || name == "polarity" || name == "fec";
}

std::optional<std::string> SetTransponderField(TransponderForm& form, const ScriptField& field) {
  const std::string& name = field.name;
  std::string why;
  const auto text = BoxText(field, why);
  if (!text) return why;
  if (name == "polarity" || name == "fec") {
    const auto entry = name == "polarity" ? ChooseEntry(kPolarityEntries, *text) : ChooseEntry(kFecEntries, *text);
    if (!entry) return name + ": no entry " + Quoted(field.value);
    (name == "polarity" ? form.polarity : form.fec) = *entry;
  } else if (name == "frequency") {
    form.frequency = *text;
  } else if (name == "symbolrate") {
    form.symbol_rate = *text;
  } else {
    return name + ": not a field of the transponder editor";
  }
  return std::nullopt;
}

bool IsSatelliteField(const std::string& name) {
  static const char* const kNames[] = {"name", "degree", "input", "side", "lnb", "switch",
                                       "toneburst", "lnbpower", "22khz", "12v", "scramble"};
  for (const char* n : kNames)
    if (name == n) return true;
  return false;
}

std::optional<std::string> SetSatelliteField(SatelliteForm& form, const ScriptField& field) {
  const std::string& name = field.name;
  bool* check = name == "lnbpower" ? &form.lnb_power
                : name == "22khz"  ? &form.khz22
                : name == "12v"    ? &form.v12
                : name == "scramble" ? &form.scramble
                                     : nullptr;
  if (check) {
    const auto checked = CheckValue(field.value);
    if (!checked) return name + ": a check box takes 0 or 1, not " + Quoted(field.value);
    *check = *checked;
    return std::nullopt;
  }
  std::string why;
  const auto text = BoxText(field, why);
  if (!text) return why;
  if (name == "side") {
    // The two radio buttons, named by their labels.
    if (SameIgnoringCase(*text, "east"))
      form.west = false;
    else if (SameIgnoringCase(*text, "west"))
      form.west = true;
    else
      return "side: takes east or west, not " + Quoted(field.value);
  } else if (name == "lnb" || name == "switch" || name == "toneburst") {
    const auto entry = name == "lnb"      ? ChooseEntry(kLnbEntries, *text)
                       : name == "switch" ? ChooseEntry(kSwitchEntries, *text)
                                          : ChooseEntry(kToneBurstEntries, *text);
    if (!entry) return name + ": no entry " + Quoted(field.value);
    (name == "lnb" ? form.lnb : name == "switch" ? form.switch_input : form.tone_burst) = *entry;
  } else if (name == "name") {
    if (!SatelliteNameFits(*text))
      return "name: " + Quoted(field.value) + " is longer than the box's " + std::to_string(kSatelliteNameLimit) +
             " characters";
    form.name = *text;
  } else if (name == "degree") {
    form.degree = *text;
  } else if (name == "input") {
    // The one box that refuses a keystroke: only digits go in.
    if (!LnbInputFits(*text)) return "input: " + Quoted(field.value) + " is not digits only";
    form.input = *text;
  } else {
    return name + ": not a field of the satellite editor";
  }
  return std::nullopt;
}

void ScriptUserInterface::BeginLine() {
  fields_.clear();
  number_text_.clear();
  number_asks_ = 0;
  failure_.reset();
  import_path_.reset();
}

void ScriptUserInterface::ShowMessage(const std::string& text, MessageIcon icon) {
  // An informational box is read and closed; any other box means the
  // command did not do what the line asked.
  if (icon == MessageIcon::Information || (import_path_ && icon == MessageIcon::Exclamation)) {
    if (inform_) inform_(text);
    return;
  }
  Fail(text);
}

std::optional<std::string> ScriptUserInterface::ChooseOpenFile(const std::string& /*initial*/) { return std::nullopt; }
std::optional<std::string> ScriptUserInterface::ChooseSaveFile(const std::string& /*initial*/) { return std::nullopt; }
std::optional<std::string> ScriptUserInterface::ChooseSatcoDxFile() { return import_path_; }

bool ScriptUserInterface::AskOkCancel(const std::string& /*caption*/, const std::string& /*text*/) {
  return !failure_;
}

bool ScriptUserInterface::EditChannel(const std::string& /*caption*/, ChannelRecord record) {
  if (failure_) return false;
  ChannelForm form = LoadChannelForm(record);
  for (const ScriptField& field : fields_) {
    if (auto why = SetChannelField(form, field)) {
      Fail(std::move(*why));
      return false;
    }
  }
  if (const auto error = ValidateChannelForm(form)) {
    Fail(error->message);
    return false;
  }
  ApplyChannelForm(form, record);
  return true;
}

bool ScriptUserInterface::EditTransponder(const std::string& /*caption*/, TransponderRecord record) {
  if (failure_) return false;
  TransponderForm form = LoadTransponderForm(record);
  for (const ScriptField& field : fields_) {
    if (auto why = SetTransponderField(form, field)) {
      Fail(std::move(*why));
      return false;
    }
  }
  if (const auto error = ValidateTransponderForm(form)) {
    Fail(error->message);
    return false;
  }
  ApplyTransponderForm(form, record);
  return true;
}

bool ScriptUserInterface::EditSatellite(SatelliteRecord record) {
  if (failure_) return false;
  SatelliteForm form = LoadSatelliteForm(record);
  for (const ScriptField& field : fields_) {
    if (auto why = SetSatelliteField(form, field)) {
      Fail(std::move(*why));
      return false;
    }
  }
  if (const auto error = ValidateSatelliteForm(form)) {
    Fail(error->message);
    return false;
  }
  ApplySatelliteForm(form, record);
  return true;
}

std::optional<long long> ScriptUserInterface::AskNumber(const std::string& prompt, long long /*number*/) {
  if (failure_) return std::nullopt;
  if (number_asks_++ > 0) {
    // The caller asks again: the typed number is outside its range, and a
    // script has no second answer.
    const auto upper = UpperBoundOf(prompt);
    Fail(upper ? "the number must be between 1 and " + std::to_string(*upper)
               : "the number is outside the range " + prompt + " accepts");
    return std::nullopt;
  }
  const auto number = ParseInteger(number_text_);
  if (!number) {
    // The dialog stays open with its message; the script cannot retype.
    Fail("Please enter an integer.");
    return std::nullopt;
  }
  return number;
}

bool ScriptUserInterface::AskFind(std::string& text, bool& match_case) {
  if (failure_) return false;
  text = find_text_;
  match_case = find_match_case_;
  return true;
}

}  // namespace kavor
