#include "editing/channel_form.h"

#include <algorithm>
#include <cstring>

#include "editing/number_text.h"

namespace kavor {

const std::array<const char*, 6> kCharTableEntries = {
    "Latin alphabet",       "Latin/Cyrillic alphabet", "Latin/Arabic alphabet",
    "Latin/Greek alphabet", "Latin/Hebrew alphabet",   "Latin alphabet number 5",
};

const std::array<const char*, 16> kCategoryEntries = {
    "Etc",    "Movie/Drama", "News/Affair", "Show/Game", "Sports",  "Children's",
    "Music/Dance", "Art/Culture", "Social", "Education", "Leisure", "Special",
    "USER1",  "USER2",       "USER3",       "USER4",
};

namespace {

// The flag bits of the check boxes "1".."8", then Lock and Scramble.
constexpr std::array<std::uint16_t, 8> kFavouriteBits = {0x0080, 0x0040, 0x0020, 0x0010,
                                                          0x0002, 0x2000, 0x4000, 0x8000};
// Bit 0 and bits 8-12 (the service type and two more) are not the dialog's.
constexpr std::uint16_t kKeptFlagBits = 0x1F01;
constexpr long long kMaxPid = 8191;
constexpr std::uint64_t kMaxHex = 0xFFFF;

const char kNotInteger[] = "Please enter an integer.";
const char kNotPositive[] = "Please enter a positive integer.";
const char kPidRange[] = "Please enter an integer between 0 and 8191.";
const char kHexRange[] = "Please enter a hexadecimal number between 0 and ffff.";

std::optional<FormError> CheckPid(const std::string& text, bool allow_minus,
                                  ChannelControl control) {
  const std::optional<long long> value = ParseInteger(text, allow_minus);
  if (!value) return FormError{control, allow_minus ? kNotInteger : kNotPositive};
  if (*value < 0 || *value > kMaxPid) return FormError{control, kPidRange};
  return std::nullopt;
}

std::optional<FormError> CheckHex(const std::string& text, ChannelControl control) {
  // An unreadable box keeps the old value on OK; only a number too large is refused.
  const std::optional<std::uint64_t> value = ParseHexadecimal(text);
  if (value && *value > kMaxHex) return FormError{control, kHexRange};
  return std::nullopt;
}

void StorePid(const std::string& text, bool allow_minus, ChannelRecord record,
              void (ChannelRecord::*set)(std::uint16_t) const) {
  const std::optional<long long> value = ParseInteger(text, allow_minus);
  if (value && *value >= 0 && *value <= kMaxPid) (record.*set)(std::uint16_t(*value));
}

void StoreHex(const std::string& text, ChannelRecord record,
              void (ChannelRecord::*set)(std::uint16_t) const) {
  const std::optional<std::uint64_t> value = ParseHexadecimal(text);
  if (value && *value <= kMaxHex) (record.*set)(std::uint16_t(*value));
}

// A drop-down with nothing selected stores 255.
std::uint8_t EntryValue(int index, std::size_t entries) {
  return index >= 0 && std::size_t(index) < entries ? std::uint8_t(index) : 255;
}

}  // namespace

ChannelForm LoadChannelForm(const ChannelRecord& record) {
  ChannelForm form;
  form.name = record.mServiceName();
  form.opened_name = form.name;
  form.char_table = record.mCharTable() < kCharTableEntries.size() ? record.mCharTable() : kNoEntry;
  form.video = std::to_string(record.mVideoPid());
  form.audio = std::to_string(record.mAudioPid());
  form.pcr = std::to_string(record.mPcrPid());
  form.category = record.mCategory() < kCategoryEntries.size() ? record.mCategory() : kNoEntry;
  const std::uint16_t flag = record.mServiceFlag();
  for (std::size_t i = 0; i < kFavouriteBits.size(); ++i)
    form.favourite[i] = (flag & kFavouriteBits[i]) != 0;
  form.lock = (flag & kFlagLocked) != 0;
  form.scramble = (flag & kFlagScrambled) != 0;
  form.ca_system_id = FormatHexadecimal(record.mCaSystemId());
  form.ecm_pid = FormatHexadecimal(record.mEcmPid());
  return form;
}

std::optional<FormError> ValidateChannelForm(const ChannelForm& form) {
  if (auto e = CheckPid(form.video, true, ChannelControl::Video)) return e;
  if (auto e = CheckPid(form.pcr, true, ChannelControl::Pcr)) return e;
  if (auto e = CheckPid(form.audio, false, ChannelControl::Audio)) return e;
  if (auto e = CheckHex(form.ca_system_id, ChannelControl::CaSystemId)) return e;
  if (auto e = CheckHex(form.ecm_pid, ChannelControl::EcmPid)) return e;
  return std::nullopt;
}

void ApplyChannelForm(const ChannelForm& form, ChannelRecord record) {
  if (form.name != form.opened_name) {
    // At most 19 bytes and a terminating zero; the field's bytes after the
    // zero stay as they were.
    std::uint8_t* field = record.data() + 0x18;
    const std::size_t length = std::min(form.name.size(), kChannelNameLimit);
    std::memcpy(field, form.name.data(), length);
    field[length] = 0;
  }
  record.set_mCharTable(EntryValue(form.char_table, kCharTableEntries.size()));
  StorePid(form.video, true, record, &ChannelRecord::set_mVideoPid);
  StorePid(form.audio, false, record, &ChannelRecord::set_mAudioPid);
  StorePid(form.pcr, true, record, &ChannelRecord::set_mPcrPid);
  record.set_mCategory(EntryValue(form.category, kCategoryEntries.size()));
  std::uint16_t flag = record.mServiceFlag() & kKeptFlagBits;
  for (std::size_t i = 0; i < kFavouriteBits.size(); ++i)
    if (form.favourite[i]) flag |= kFavouriteBits[i];
  if (form.lock) flag |= kFlagLocked;
  if (form.scramble) flag |= kFlagScrambled;
  record.set_mServiceFlag(flag);
  StoreHex(form.ca_system_id, record, &ChannelRecord::set_mCaSystemId);
  StoreHex(form.ecm_pid, record, &ChannelRecord::set_mEcmPid);
}

bool ChannelNameFits(const std::string& latin1) {
  return latin1.size() <= kChannelNameLimit && latin1.find('\0') == std::string::npos;
}

}  // namespace kavor
