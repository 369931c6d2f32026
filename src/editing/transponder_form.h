// The transponder editor's controls as plain data, and the rules that fill
// them from a record and write them back on OK; shared by the dialog and
// kavor-cli edit, independent of the locale.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "database/image.h"
#include "editing/channel_form.h"  // kNoEntry
#include "editing/user_interface.h"  // MessageIcon

namespace kavor {

extern const std::array<const char*, 2> kPolarityEntries;  // "Horizontal", "Vertical"
extern const std::array<const char*, 7> kFecEntries;       // "Auto", "1/2", ... "7/8"

// In the dialog's tab order.
enum class TransponderControl { Frequency, Polarity, SymbolRate, Fec };

struct TransponderForm {
  std::string frequency;    // the box's text
  int polarity = 0;         // entry index, or kNoEntry
  std::string symbol_rate;  // the box's text
  int fec = kNoEntry;       // entry index, or kNoEntry (a stored 7)
};

struct TransponderFormError {
  TransponderControl control;  // gets the focus, its text selected
  std::string message;         // e.g. "Frequency Error"
  MessageIcon icon;            // Exclamation for "Please enter an integer...", Error for "Frequency Error"
};

TransponderForm LoadTransponderForm(const TransponderRecord& record);
std::optional<TransponderFormError> ValidateTransponderForm(const TransponderForm& form);
// Writes what OK writes; only after validation passed.
void ApplyTransponderForm(const TransponderForm& form, TransponderRecord record);

}  // namespace kavor
