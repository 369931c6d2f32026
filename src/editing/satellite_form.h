// The satellite editor's controls as plain data, and the rules that fill
// them from a record and write them back on OK; shared by the dialog and
// kavor-cli edit. Degrees are read and printed in the C locale's way
// whatever the user's locale.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "database/image.h"
#include "editing/channel_form.h"  // kNoEntry
#include "editing/user_interface.h"  // MessageIcon

namespace kavor {

inline constexpr std::size_t kSatelliteNameLimit = 15;
inline constexpr int kUserDefinedLnb = 11;

extern const std::array<const char*, 12> kLnbEntries;       // "U-LNB1 (9750/10600)", ... "User defined"
extern const std::array<const char*, 9> kSwitchEntries;     // "SW1" .. "SW8", "None"
extern const std::array<const char*, 3> kToneBurstEntries;  // "Off", "SA", "SB"

// In the dialog's tab order (the East/West pair is one stop).
enum class SatelliteControl { Name, Side, Degree, Lnb, Input, Switch, ToneBurst, LnbPower, K22, V12, Scramble };

struct SatelliteForm {
  std::string name;          // Latin-1 bytes as the box shows them
  bool west = false;         // "West" checked, else "East"
  std::string degree;        // the box's text, e.g. "19.2"
  int lnb = kNoEntry;        // entry index, or kNoEntry
  std::string input;         // the "Input" box's text (digits only)
  int switch_input = kNoEntry;
  int tone_burst = kNoEntry;
  bool lnb_power = false, khz22 = false, v12 = false, scramble = false;
  // The name as opened: OK leaves the record's name bytes alone while the
  // box still holds it (a 16-byte name without a terminator survives).
  std::string opened_name;
};

struct SatelliteFormError {
  SatelliteControl control;
  std::string message;  // "Please enter a number of degree between 0.0 and 180.0"
  MessageIcon icon;
};

SatelliteForm LoadSatelliteForm(const SatelliteRecord& record);
std::optional<SatelliteFormError> ValidateSatelliteForm(const SatelliteForm& form);
void ApplySatelliteForm(const SatelliteForm& form, SatelliteRecord record);
// "Input" is shown only while "User defined" is chosen.
inline bool ShowsUserLnbInput(int lnb) { return lnb == kUserDefinedLnb; }
// What the name box accepts: at most 15 characters, each fitting one byte, no NUL.
bool SatelliteNameFits(const std::string& latin1);
// What the "Input" box accepts: digits only.
bool LnbInputFits(const std::string& text);
// "%3.1f" of tenths * 0.1 in the C locale: 192 gives "19.2", 0 "0.0".
std::string FormatDegreeTenths(int tenths);
// The "Degree" box as OK reads it: C's strtod in the C locale on the first 99
// characters (no number reads 0), times 10 cut toward zero; nothing when that
// lies outside 0..1800 or is inf or nan.
std::optional<int> ReadDegreeTenths(const std::string& text);

}  // namespace kavor
