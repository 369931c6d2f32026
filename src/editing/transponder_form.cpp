#include "editing/transponder_form.h"

#include "editing/number_text.h"

namespace kavor {

const std::array<const char*, 2> kPolarityEntries = {"Horizontal", "Vertical"};
const std::array<const char*, 7> kFecEntries = {"Auto", "1/2", "2/3", "3/4", "5/6", "6/7", "7/8"};

namespace {

constexpr std::size_t kSymbolRateRead = 31;  // the integer exchange reads no more
constexpr long long kMaxField = 65535;
constexpr std::uint8_t kVerticalBit = 0x08;
constexpr std::uint8_t kKeptFlagBits = 0xF0;

const char kNotInteger[] = "Please enter an integer.";
const char kSymbolRateRange[] = "Please enter an integer between 0 and 65535.";
const char kFrequencyError[] = "Frequency Error";

// The symbol rate the box holds, or nothing when it is no integer. A value
// of 0 counts only when it is written with the digit 0 first: "+0" and "-0"
// are refused as the integer exchange refuses them.
std::optional<long long> SymbolRateValue(const std::string& text) {
  const std::string_view read = std::string_view(text).substr(0, kSymbolRateRead);
  const std::optional<long long> value = ParseInteger(read);
  if (!value) return std::nullopt;
  if (*value == 0) {
    const std::size_t first = read.find_first_not_of(" \t");
    if (first == std::string_view::npos || read[first] != '0') return std::nullopt;
  }
  return value;
}

bool InField(long long value) { return value >= 0 && value <= kMaxField; }

}  // namespace

TransponderForm LoadTransponderForm(const TransponderRecord& record) {
  TransponderForm form;
  form.frequency = std::to_string(record.mFrequency());
  form.polarity = record.IsVertical() ? 1 : 0;
  form.symbol_rate = std::to_string(record.mSymbolRate());
  form.fec = record.Fec() < int(kFecEntries.size()) ? record.Fec() : kNoEntry;
  return form;
}

std::optional<TransponderFormError> ValidateTransponderForm(const TransponderForm& form) {
  const std::optional<long long> symbol_rate = SymbolRateValue(form.symbol_rate);
  if (!symbol_rate)
    return TransponderFormError{TransponderControl::SymbolRate, kNotInteger, MessageIcon::Exclamation};
  if (!InField(*symbol_rate))
    return TransponderFormError{TransponderControl::SymbolRate, kSymbolRateRange, MessageIcon::Exclamation};
  const long long frequency = ReadLeadingInteger(form.frequency);
  if (frequency <= 0 || frequency > kMaxField)
    return TransponderFormError{TransponderControl::Frequency, kFrequencyError, MessageIcon::Error};
  return std::nullopt;
}

void ApplyTransponderForm(const TransponderForm& form, TransponderRecord record) {
  // Values outside the fields are never stored, not even as their low bits.
  const long long frequency = ReadLeadingInteger(form.frequency);
  if (frequency > 0 && frequency <= kMaxField) record.set_mFrequency(std::uint16_t(frequency));
  const std::optional<long long> symbol_rate = SymbolRateValue(form.symbol_rate);
  if (symbol_rate && InField(*symbol_rate)) record.set_mSymbolRate(std::uint16_t(*symbol_rate));
  // No FEC choice (a stored 7 opens with none) writes 7 back, as the list's
  // "no selection" does; bits 4-7 are not the dialog's.
  std::uint8_t flag = std::uint8_t((record.mTpFlag() & kKeptFlagBits) | (form.fec & 7));
  if (form.polarity != 0) flag |= kVerticalBit;
  record.set_mTpFlag(flag);
}

}  // namespace kavor
