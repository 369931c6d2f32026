#include "editing/satellite_form.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kavor {

const std::array<const char*, 12> kLnbEntries = {
    "U-LNB1 (9750/10600)", "U-LNB2 (9750/10750)", "5150",  "9750",  "10000", "10050",
    "10600",               "10750",               "11200", "11300", "11475", "User defined",
};
const std::array<const char*, 9> kSwitchEntries = {"SW1", "SW2", "SW3", "SW4", "SW5",
                                                   "SW6", "SW7", "SW8", "None"};
const std::array<const char*, 3> kToneBurstEntries = {"Off", "SA", "SB"};

namespace {

constexpr int kWestBase = 3600;
constexpr int kMaxDegreeTenths = 1800;
constexpr long long kMaxLnbFrequency = 60000;
// The boxes' texts are read through a 100-byte buffer, as the dialog did.
constexpr std::size_t kReadLimit = 99;
constexpr std::size_t kNameOffset = 0x06;
constexpr std::uint8_t kSwitchNone = 255;
// Bits 1, 5 and 6 of mFlag are not the dialog's; tone burst is bits 2-3.
constexpr std::uint8_t kKeptFlagBits = 0x62;
constexpr std::uint8_t kLnbPowerBit = 0x80, k22kHzBit = 0x10, k12VBit = 0x01;
constexpr std::uint8_t kScrambleBit = 0x02;

const char kDegreeRange[] = "Please enter a number of degree between 0.0 and 180.0";

// strtod with the C locale's decimal point: the program's own locale follows
// the desktop, and a German one would read "19.2" as 19.
double ReadCDouble(const std::string& text) {
#ifndef __MINGW32__
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
#endif
  char buffer[kReadLimit + 1];
  const std::size_t length = std::min(text.size(), kReadLimit);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = 0;
#ifdef __MINGW32__
  // The C runtime's own strtod reads neither hexadecimal nor inf and nan;
  // mingw's C99 one does, and the Windows programs never leave the C locale.
  return __mingw_strtod(buffer, nullptr);
#else
  return strtod_l(buffer, nullptr, c_locale);
#endif
}

std::uint8_t EntryValue(int index, std::size_t entries) {
  return index >= 0 && std::size_t(index) < entries ? std::uint8_t(index) : 255;
}

// The leading digits of the box (it takes nothing else), saturating;
// an empty box reads 0.
long long ReadDigits(const std::string& text) {
  long long value = 0;
  const std::size_t length = std::min(text.size(), kReadLimit);
  for (std::size_t i = 0; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min(value * 10 + (text[i] - '0'), kMaxLnbFrequency + 1);
  return value;
}

}  // namespace

std::string FormatDegreeTenths(int tenths) {
  // "%3.1f" of tenths * 0.1, in the C locale's way.
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, tenths * 0.1, std::chars_format::fixed, 1);
  std::string text(buffer, result.ptr);
  if (text.size() < 3) text.insert(0, 3 - text.size(), ' ');
  return text;
}

std::optional<int> ReadDegreeTenths(const std::string& text) {
  const double tenths = std::trunc(ReadCDouble(text) * 10);
  // nan fails every comparison and inf the upper bound: the range is tested
  // as it must hold, not as it may fail.
  if (!(tenths >= 0 && tenths <= kMaxDegreeTenths)) return std::nullopt;
  return int(tenths);
}

SatelliteForm LoadSatelliteForm(const SatelliteRecord& record) {
  SatelliteForm form;
  form.name = record.mSatName();
  form.opened_name = form.name;
  const int a = record.mDegree();
  form.west = a > kMaxDegreeTenths;
  form.degree = FormatDegreeTenths(form.west ? kWestBase - a : a);
  form.lnb = record.mAntenaType() < kLnbEntries.size() ? record.mAntenaType() : kNoEntry;
  form.input = std::to_string(record.mLnbFrequency());
  form.switch_input = std::min<int>(record.mSwitcher(), int(kSwitchEntries.size()) - 1);
  const int tone_burst = (record.mFlag() >> 2) & 3;
  form.tone_burst = tone_burst < int(kToneBurstEntries.size()) ? tone_burst : kNoEntry;
  form.lnb_power = (record.mFlag() & kLnbPowerBit) != 0;
  form.khz22 = (record.mFlag() & k22kHzBit) != 0;
  form.v12 = (record.mFlag() & k12VBit) != 0;
  form.scramble = (record.mSatFlag2() & kScrambleBit) != 0;
  return form;
}

std::optional<SatelliteFormError> ValidateSatelliteForm(const SatelliteForm& form) {
  if (!ReadDegreeTenths(form.degree))
    return SatelliteFormError{SatelliteControl::Degree, kDegreeRange, MessageIcon::Error};
  return std::nullopt;
}

void ApplySatelliteForm(const SatelliteForm& form, SatelliteRecord record) {
  const std::optional<int> tenths = ReadDegreeTenths(form.degree);
  if (!tenths) return;  // validation refuses it first
  if (form.name != form.opened_name) {
    // At most 15 bytes and a terminating zero; the field's bytes after the
    // zero stay as they were.
    std::uint8_t* field = record.data() + kNameOffset;
    const std::size_t length = std::min(form.name.size(), kSatelliteNameLimit);
    std::memcpy(field, form.name.data(), length);
    field[length] = 0;
  }
  record.set_mDegree(std::uint16_t(form.west ? kWestBase - *tenths : *tenths));
  record.set_mAntenaType(EntryValue(form.lnb, kLnbEntries.size()));
  if (form.lnb == kUserDefinedLnb)
    record.set_mLnbFrequency(std::uint16_t(std::min(ReadDigits(form.input), kMaxLnbFrequency)));
  const int none = int(kSwitchEntries.size()) - 1;
  record.set_mSwitcher(form.switch_input >= 0 && form.switch_input < none ? std::uint8_t(form.switch_input)
                                                                          : kSwitchNone);
  // No tone-burst choice (a stored 3 shows none) writes 3 back.
  const int tone_burst = form.tone_burst >= 0 ? form.tone_burst & 3 : 3;
  std::uint8_t flag = std::uint8_t((tone_burst << 2) | (record.mFlag() & kKeptFlagBits));
  if (form.lnb_power) flag |= kLnbPowerBit;
  if (form.khz22) flag |= k22kHzBit;
  if (form.v12) flag |= k12VBit;
  record.set_mFlag(flag);
  std::uint8_t flag2 = record.mSatFlag2() & std::uint8_t(~kScrambleBit);
  if (form.scramble) flag2 |= kScrambleBit;
  record.set_mSatFlag2(flag2);
}

bool SatelliteNameFits(const std::string& latin1) {
  return latin1.size() <= kSatelliteNameLimit && latin1.find('\0') == std::string::npos;
}

bool LnbInputFits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace kavor
