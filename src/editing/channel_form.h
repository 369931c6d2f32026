// The channel editor's controls as plain data, and the rules that fill them
// from a record and write them back on OK. The dialog and kavor-cli edit both
// go through these, so a typed text means the same in the window and in a
// script; nothing here depends on the locale.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "database/image.h"

namespace kavor {

inline constexpr int kNoEntry = -1;  // a drop-down with nothing selected
inline constexpr std::size_t kChannelNameLimit = 19;

// Drop-down entries; the index is the stored value.
extern const std::array<const char*, 6> kCharTableEntries;  // "Latin alphabet", ...
extern const std::array<const char*, 16> kCategoryEntries;  // "Etc", "Movie/Drama", ...

// The controls in the order the OK checks and the focus follow.
enum class ChannelControl { Name, CharTable, Video, Audio, Pcr, Category, Favourite, Lock, Scramble, CaSystemId, EcmPid };

struct ChannelForm {
  std::string name;                   // Latin-1 bytes as the box shows them
  int char_table = kNoEntry;          // selected entry index, or kNoEntry
  std::string video, audio, pcr;      // the PID boxes' texts
  int category = kNoEntry;
  std::array<bool, 8> favourite{};    // boxes "1".."8"; "5".."8" are hidden
  bool lock = false;
  bool scramble = false;
  std::string ca_system_id, ecm_pid;  // the hexadecimal boxes' texts
  // The name as opened: OK leaves the record's name bytes alone while the
  // box still holds it (a 20-byte name without a terminator survives).
  std::string opened_name;
};

struct FormError {
  ChannelControl control;  // gets the focus, its text selected
  std::string message;     // shown with the warning icon, e.g. "Please enter an integer."
};

// Opening: every control from the record.
ChannelForm LoadChannelForm(const ChannelRecord& record);
// OK's checks, in their order; the first failure, or nothing when OK may write.
std::optional<FormError> ValidateChannelForm(const ChannelForm& form);
// Writes what OK writes; only after ValidateChannelForm passed.
void ApplyChannelForm(const ChannelForm& form, ChannelRecord record);

// What the name box accepts (typed or pasted): at most 19 characters, each
// fitting one byte. Latin-1 bytes in, false when the text does not fit.
bool ChannelNameFits(const std::string& latin1);

}  // namespace kavor
