#include "editing/channel_operations.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "editing/command_routing.h"
#include "editing/latin1.h"

namespace kavor {

namespace {

using RecordBytes = std::array<std::uint8_t, ChannelRecord::kSize>;

void CopyRecord(ChannelRecord to, const std::uint8_t* from) {
  std::memcpy(to.data(), from, ChannelRecord::kSize);
}

// The image as it was before an operation, for its "did anything change"
// answer. One copy of at most 244 KiB: far below the cost of the refill
// that follows every such operation.
class ImageSnapshot {
 public:
  explicit ImageSnapshot(const Image& image)
      : image_(image), length_(image.length()), bytes_(new std::uint8_t[length_]) {
    std::memcpy(bytes_.get(), image.bytes(), length_);
  }
  bool Changed() const {
    return image_.length() != length_ || std::memcmp(bytes_.get(), image_.bytes(), length_) != 0;
  }

 private:
  const Image& image_;
  std::size_t length_;
  std::unique_ptr<std::uint8_t[]> bytes_;
};

}  // namespace

void DeleteChannels(ViewState& view, const std::vector<int>& entries, bool entries_are_slots) {
  Image& image = view.image();
  const int capacity = image.channel_capacity();
  const std::vector<int>& rows = view.channel_rows();
  // Resolve every entry first: clearing a record changes no row, but the
  // slots must be the ones the caller meant.
  std::vector<int> slots;
  slots.reserve(entries.size());
  for (int e : entries) {
    if (entries_are_slots) {
      if (e >= 0 && e < capacity) slots.push_back(e);
    } else if (e >= 0 && std::size_t(e) < rows.size()) {
      slots.push_back(rows[std::size_t(e)]);
    }
  }
  for (int s : slots) std::memset(view.channel(s).data(), 0, ChannelRecord::kSize);

  // Squeeze out every empty record in one pass. Shifting the rest down one
  // record at a time, as the table was compacted before, leaves each freed
  // slot at the end holding a copy of the counted range's last record; the
  // bytes stay the same.
  const int count = image.ServiceCountInUse();
  int kept = 0;
  if (count > 0) {
    RecordBytes last;
    std::memcpy(last.data(), view.channel(count - 1).data(), last.size());
    for (int read = 0; read < count; ++read) {
      const ChannelRecord c = view.channel(read);
      if (c.mChannelNo() == 0) continue;
      if (kept != read) CopyRecord(view.channel(kept), c.data());
      ++kept;
    }
    for (int s = kept; s < count; ++s) CopyRecord(view.channel(s), last.data());
  }
  // Both walk the old counted range, the freed slots included.
  RenumberChannels(image);
  RebuildSatellitesInUse(image);
  if (kept != count) image.set_mServiceCount(std::uint16_t(kept));
}

bool ChannelOperations::Edit() {
  if (!view_.indexed() || view_.current_channel() == ViewState::kNone) return false;
  const ChannelRecord record = view_.channel(view_.current_channel());
  RecordBytes before;
  std::memcpy(before.data(), record.data(), before.size());
  if (!ui_.EditChannel("Edit channel", record)) return false;
  // Neither the number, the type nor the satellite changed: only this row.
  view_.RedrawChannelRow(view_.current_channel_row());
  return std::memcmp(before.data(), record.data(), before.size()) != 0;
}

bool ChannelOperations::NewOrInsert(int id) {
  if (!view_.indexed()) return false;
  Image& image = view_.image();
  const int count = image.ServiceCountInUse();
  if (count >= image.channel_capacity()) return false;
  const bool is_new = id == ID_POPUP_NEW;
  if (!is_new && id != ID_POPUP_INSERT) return false;

  RecordBytes bytes{};
  const ChannelRecord tmpl(bytes.data());
  if (is_new) {
    if (view_.current_transponder() == ViewState::kNone) return false;
    const TransponderRecord tp = view_.transponder(view_.current_transponder());
    tmpl.set_mChannelNo(std::uint16_t(image.channel_capacity()));
    tmpl.set_mServiceFlag(view_.tv_mode() ? 0x0100 : 0x0200);
    tmpl.set_mSatId(tp.mSatId());
    tmpl.set_mTpNumber(tp.mTpNumber());
  } else {
    if (view_.current_channel() == ViewState::kNone) return false;
    std::memcpy(bytes.data(), view_.channel(view_.current_channel()).data(), bytes.size());
  }
  if (!ui_.EditChannel(is_new ? "New channel" : "Insert channel", tmpl)) return false;

  // The record goes right after the anchor row's slot; with no anchor (an
  // empty list for New, no focus row for Insert) after the last record.
  const std::vector<int>& rows = view_.channel_rows();
  const int anchor_row = is_new ? int(rows.size()) - 1 : view_.channel_focus_row();
  const bool anchored = anchor_row >= 0 && std::size_t(anchor_row) < rows.size();
  const int slot = anchored ? rows[std::size_t(anchor_row)] + 1 : count;
  for (int s = count - 1; s >= slot; --s) CopyRecord(view_.channel(s + 1), view_.channel(s).data());
  CopyRecord(view_.channel(slot), bytes.data());
  image.set_mServiceCount(std::uint16_t(count + 1));
  RenumberChannels(image);
  RebuildSatellitesInUse(image);
  view_.RefillChannelList();

  // The Down-arrow from the anchor row: the next row alone selected, focused
  // and chosen. Without an anchor, the new record's own row.
  const std::vector<int>& refilled = view_.channel_rows();
  int row = ViewState::kNone;
  if (anchored) {
    row = std::min(anchor_row + 1, int(refilled.size()) - 1);
  } else {
    const auto it = std::find(refilled.begin(), refilled.end(), slot);
    if (it != refilled.end()) row = int(it - refilled.begin());
  }
  if (row >= 0) view_.SelectChannelRow(row);
  return true;
}

bool ChannelOperations::DeleteWithConfirmation() {
  if (!view_.indexed() || view_.SelectedChannelCount() == 0) return false;
  if (!ui_.AskOkCancel("Channel Delete", "Are you sure?")) return false;
  DeleteChannels(view_, view_.SelectedChannelRows(), false);
  view_.RefillChannelList();
  return true;
}

bool ChannelOperations::Move() {
  if (!view_.indexed() || view_.SelectedChannelCount() == 0 || !view_.all_satellites()) return false;
  const std::vector<int> selected = view_.SelectedChannelRows();
  const int k = int(selected.size());
  const int high = int(view_.last_type_number()) - k + 1;
  const std::string prompt = "New channel (1-" + std::to_string(high) + ")";
  long long number = view_.channel_focus_row() + 1;
  for (;;) {
    const std::optional<long long> typed = ui_.AskNumber(prompt, number);
    if (!typed) return false;
    number = *typed;
    if (number >= 1 && number <= high) break;
  }
  const int n = int(number);

  const ImageSnapshot before(view_.image());
  // The moved channels take n .. n+k-1 in their order; the others keep
  // theirs and fill 1 .. n-1 and n+k onwards.
  const std::vector<int>& rows = view_.channel_rows();
  const std::size_t row_count = rows.size();
  std::vector<int> numbers(row_count);
  std::vector<char> moved(row_count, 0);
  for (int r : selected) moved[std::size_t(r)] = 1;
  int counter = 0, next_moved = n;
  for (std::size_t r = 0; r < row_count; ++r) {
    if (moved[r]) {
      numbers[r] = next_moved++;
      continue;
    }
    if (++counter == n) counter = n + k;
    numbers[r] = counter;
  }
  // Reorder the records among the listed slots by their new numbers; slots
  // of other types or without a satellite keep their records.
  std::vector<int> order(row_count);
  for (std::size_t r = 0; r < row_count; ++r) order[r] = int(r);
  std::stable_sort(order.begin(), order.end(),
                   [&numbers](int a, int b) { return numbers[std::size_t(a)] < numbers[std::size_t(b)]; });
  std::vector<std::uint8_t> records(row_count * ChannelRecord::kSize);
  for (std::size_t r = 0; r < row_count; ++r)
    std::memcpy(&records[r * ChannelRecord::kSize], view_.channel(rows[r]).data(), ChannelRecord::kSize);
  for (std::size_t r = 0; r < row_count; ++r) {
    const std::size_t from = std::size_t(order[r]);
    const ChannelRecord to = view_.channel(rows[r]);
    CopyRecord(to, &records[from * ChannelRecord::kSize]);
    to.set_mChannelNo(std::uint16_t(numbers[from]));
  }
  // Channels the list does not show (type 3, no satellite) are numbered
  // too; without this they could share numbers with the moved ones.
  RenumberChannels(view_.image());
  view_.RefillChannelList();

  std::vector<int> reselect;
  reselect.reserve(std::size_t(k));
  for (int r = n - 1; r <= n + k - 2; ++r) reselect.push_back(r);
  view_.AddChannelRowsToSelection(reselect, n + k - 2);
  return before.Changed();
}

bool ChannelOperations::FlagCommand(int id) {
  if (!view_.indexed() || view_.SelectedChannelCount() == 0) return false;
  if (id == ID_POPUP_TO_RADIO || id == ID_POPUP_TO_TV) {
    const bool to_tv = id == ID_POPUP_TO_TV;
    const ImageSnapshot before(view_.image());
    for (int r : view_.SelectedChannelRows()) {
      const ChannelRecord c = view_.channel(view_.channel_rows()[std::size_t(r)]);
      const std::uint16_t flag = c.mServiceFlag();
      c.set_mServiceFlag(to_tv ? std::uint16_t((flag & ~0x0200) | 0x0100)
                               : std::uint16_t((flag & ~0x0100) | 0x0200));
    }
    RenumberChannels(view_.image());
    view_.ShowTvMode(to_tv);
    view_.RefillChannelList();
    // The current channel, now of the listed type, is found by its bytes.
    if (view_.current_channel() != ViewState::kNone) {
      const std::uint8_t* current = view_.channel(view_.current_channel()).data();
      const std::vector<int>& rows = view_.channel_rows();
      for (std::size_t r = 0; r < rows.size(); ++r) {
        if (std::memcmp(view_.channel(rows[r]).data(), current, ChannelRecord::kSize) != 0) continue;
        view_.AddChannelRowsToSelection({int(r)}, int(r));
        view_.MakeChannelRowCurrent(int(r));
        break;
      }
    }
    return before.Changed();
  }

  std::uint16_t set = 0, clear = 0;
  switch (id) {
    case ID_POPUP_SCRAMBLE: set = kFlagScrambled; break;
    case ID_POPUP_UNSCRAMBLE: clear = kFlagScrambled; break;
    case ID_POPUP_LOCK: set = kFlagLocked; break;
    case ID_POPUP_UNLOCK: clear = kFlagLocked; break;
    default: return false;
  }
  const std::vector<int> selected = view_.SelectedChannelRows();
  bool changed = false;
  for (int r : selected) {
    const ChannelRecord c = view_.channel(view_.channel_rows()[std::size_t(r)]);
    const std::uint16_t flag = c.mServiceFlag();
    const std::uint16_t updated = std::uint16_t((flag | set) & ~clear);
    changed |= updated != flag;
    c.set_mServiceFlag(updated);
  }
  view_.RefillChannelList();
  // Each row selected again in ascending order: the focus ends on the highest.
  view_.AddChannelRowsToSelection(selected, selected.back());
  return changed;
}

void ChannelOperations::Find() {
  if (!view_.indexed()) return;
  std::string text = find_text_;
  bool match_case = match_case_;
  if (!ui_.AskFind(text, match_case)) return;
  find_text_ = text;
  match_case_ = match_case;

  const std::string wanted = match_case ? text : Latin1ToUpper(text);
  const std::vector<int>& rows = view_.channel_rows();
  std::vector<int> matches;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string name = view_.channel(rows[r]).mServiceName();
    const std::string haystack = match_case ? name : Latin1ToUpper(name);
    if (haystack.find(wanted) != std::string::npos) matches.push_back(int(r));
  }
  view_.ClearChannelSelection();
  if (matches.empty()) return;  // the focus and the current channel stay
  view_.AddChannelRowsToSelection(matches, matches.front());
  view_.MakeChannelRowCurrent(matches.front());
}

}  // namespace kavor
