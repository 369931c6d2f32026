#include "editing/transponder_operations.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "editing/channel_operations.h"

namespace kavor {

namespace {

using RecordBytes = std::array<std::uint8_t, TransponderRecord::kSize>;

void CopyRecord(TransponderRecord to, const std::uint8_t* from) {
  std::memcpy(to.data(), from, TransponderRecord::kSize);
}

int CurrentSatId(const ViewState& view) {
  if (!view.indexed() || view.current_satellite() == ViewState::kNone) return -1;
  return view.satellite(view.current_satellite()).mSatId();
}

// The records in use, slot by slot (the slots are not contiguous in the image).
std::vector<std::uint8_t> TransponderTable(const ViewState& view) {
  const int count = view.image().TpCountInUse();
  std::vector<std::uint8_t> bytes(std::size_t(count) * TransponderRecord::kSize);
  for (int t = 0; t < count; ++t)
    std::memcpy(&bytes[std::size_t(t) * TransponderRecord::kSize], view.transponder(t).data(),
                TransponderRecord::kSize);
  return bytes;
}

// The renumbering; answers how many channels it moved to another number.
int Renumber(ViewState& view) {
  const int sat_id = CurrentSatId(view);
  if (sat_id < 0) return 0;
  Image& image = view.image();
  // The remap list as a table: old number -> new number of the first pair
  // with that old number (-1: none). A record's old number stays in its
  // pair, so a channel follows its own transponder wherever it moved.
  std::array<int, 256> remap;
  remap.fill(-1);
  bool any = false;
  const int count = image.TpCountInUse();
  int k = 0;
  for (int t = 0; t < count; ++t) {
    const TransponderRecord tp = view.transponder(t);
    if (tp.mSatId() != sat_id) continue;
    // More than 255 records cannot be numbered in one byte; the additions
    // never make more, an image that has them keeps the low bits.
    const std::uint8_t number = std::uint8_t(++k);
    if (tp.mTpNumber() == number) continue;
    if (remap[tp.mTpNumber()] < 0) remap[tp.mTpNumber()] = number;
    any = true;
    tp.set_mTpNumber(number);
  }
  if (!any) return 0;
  int moved = 0;
  const int services = image.ServiceCountInUse();
  for (int n = 0; n < services; ++n) {
    const ChannelRecord c = view.channel(n);
    if (c.mSatId() != sat_id) continue;
    const int to = remap[c.mTpNumber()];
    if (to < 0) continue;
    c.set_mTpNumber(std::uint8_t(to));
    ++moved;
  }
  return moved;
}

// The lists after a change of the table: the channels (their numbers may
// have moved), then the transponders, which selects row 0 and makes it current.
void Refilter(ViewState& view) {
  view.RefillChannelList();
  view.RefillTransponderList();
}

// Selects the row and chooses it, as the user's click on it would.
void SelectAndChoose(ViewState& view, int row) {
  view.SelectTransponderRow(row);
  view.ChooseTransponder(row);
}

}  // namespace

int CountSatelliteTransponders(const ViewState& view) {
  const int sat_id = CurrentSatId(view);
  if (sat_id < 0) return 0;
  const int count = view.image().TpCountInUse();
  int records = 0;
  for (int t = 0; t < count; ++t)
    if (view.transponder(t).mSatId() == sat_id) ++records;
  return records;
}

bool CanAddTransponder(const ViewState& view) {
  return CurrentSatId(view) >= 0 && view.image().mTpCount() < kTransponderSlots &&
         CountSatelliteTransponders(view) < kMaxTranspondersPerSatellite;
}

std::optional<TransponderPlace> PlaceNewTransponder(const ViewState& view, AddKind kind) {
  if (!CanAddTransponder(view)) return std::nullopt;
  const int sat_id = CurrentSatId(view);
  const int count = view.image().TpCountInUse();
  const std::vector<int>& rows = view.transponder_rows();
  int slot = count;
  if (kind == AddKind::Insert) {
    const int r = view.transponder_row();
    if (r < 0 || std::size_t(r) >= rows.size()) return std::nullopt;
    slot = rows[std::size_t(r)] + 1;
  } else if (!rows.empty()) {
    slot = rows.back() + 1;
  } else {
    // No listed transponder: in front of the satellite's first (unlisted)
    // record, else in front of the first record of a higher satellite, so
    // the table stays grouped by ascending mSatId.
    for (int t = 0; t < count; ++t) {
      const int id = view.transponder(t).mSatId();
      if (id == sat_id) {
        slot = t;
        break;
      }
      if (id > sat_id && slot == count) slot = t;
    }
  }
  // The number it will stand at: 1 + the satellite's records before it. Where
  // every record is listed this is N + 1 (New) and r + 2 (Insert); with an
  // unlisted one in front, N + 1 would take a listed transponder's number
  // and the renumbering would move that one's channels onto the new record.
  int before = 0;
  for (int t = 0; t < slot; ++t)
    if (view.transponder(t).mSatId() == sat_id) ++before;
  return TransponderPlace{slot, before + 1};
}

void RenumberTransponders(ViewState& view) { Renumber(view); }

bool TransponderOperations::Edit() {
  const int r = view_.transponder_row();
  if (!view_.indexed() || r < 0 || std::size_t(r) >= view_.transponder_rows().size()) return false;
  const TransponderRecord record = view_.transponder(view_.transponder_rows()[std::size_t(r)]);
  RecordBytes before;
  std::memcpy(before.data(), record.data(), before.size());
  if (!ui_.EditTransponder("Edit transponder", record)) return false;
  // The frequency stays above 0, so the row stays listed; number, order and
  // channels are as they were.
  view_.RedrawTransponderRow(r);
  return std::memcmp(before.data(), record.data(), before.size()) != 0;
}

bool TransponderOperations::Add(AddKind kind, const std::uint8_t* record) {
  if (kind == AddKind::Import && record == nullptr) return false;
  const std::optional<TransponderPlace> place = PlaceNewTransponder(view_, kind);
  if (!place) return false;
  const int sat_id = CurrentSatId(view_);

  RecordBytes bytes{};
  const TransponderRecord added(bytes.data());
  switch (kind) {
    case AddKind::New:
      added.set_mSatId(std::uint8_t(sat_id));
      added.set_mTpNumber(std::uint8_t(place->number));
      if (!ui_.EditTransponder("New transponder", added)) return false;
      break;
    case AddKind::Insert:
      std::memcpy(bytes.data(), view_.transponder(place->slot - 1).data(), bytes.size());
      if (!ui_.EditTransponder("Insert transponder", added)) return false;
      break;
    case AddKind::Import:
      std::memcpy(bytes.data(), record, bytes.size());
      break;
  }
  // Numbered as it will stand, so the renumbering pairs only the records
  // that really moved.
  added.set_mTpNumber(std::uint8_t(place->number));

  Image& image = view_.image();
  const int count = image.TpCountInUse();
  for (int t = count - 1; t >= place->slot; --t)
    CopyRecord(view_.transponder(t + 1), view_.transponder(t).data());
  CopyRecord(view_.transponder(place->slot), bytes.data());
  image.set_mTpCount(std::uint16_t(count + 1));

  Renumber(view_);
  Refilter(view_);
  // The new record's row, found by its slot: row N after New and Import,
  // r + 1 after Insert, row 0 on a satellite that had none listed.
  const std::vector<int>& rows = view_.transponder_rows();
  for (std::size_t x = 0; x < rows.size(); ++x) {
    if (rows[x] != place->slot) continue;
    SelectAndChoose(view_, int(x));
    break;
  }
  return true;
}

bool TransponderOperations::DeleteWithConfirmation() {
  const int r = view_.transponder_row();
  if (!view_.indexed() || r < 0 || std::size_t(r) >= view_.transponder_rows().size()) return false;
  if (!ui_.AskOkCancel("Transponder Delete", "Are you sure?")) return false;
  const int sat_id = CurrentSatId(view_);
  const int t = view_.transponder_rows()[std::size_t(r)];
  // The record's own number: row r need not hold number r + 1 when an
  // unlisted record of the satellite stands before it.
  const int number = view_.transponder(t).mTpNumber();

  Image& image = view_.image();
  std::vector<int> slots;
  const int services = image.ServiceCountInUse();
  for (int n = 0; n < services; ++n) {
    const ChannelRecord c = view_.channel(n);
    if (c.mSatId() == sat_id && c.mTpNumber() == number) slots.push_back(n);
  }
  if (!slots.empty()) {
    DeleteChannels(view_, slots, true);
    view_.RefillChannelList();
  }

  const int count = image.TpCountInUse();
  for (int s = t; s + 1 < count; ++s) CopyRecord(view_.transponder(s), view_.transponder(s + 1).data());
  std::memset(view_.transponder(count - 1).data(), 0, TransponderRecord::kSize);
  image.set_mTpCount(std::uint16_t(count - 1));

  Renumber(view_);
  Refilter(view_);
  return true;
}

bool TransponderOperations::Move() {
  const int r = view_.transponder_row();
  const std::vector<int>& rows = view_.transponder_rows();
  const int n_rows = int(rows.size());
  if (!view_.indexed() || r < 0 || r >= n_rows) return false;
  const std::string prompt = "New transponder (1-" + std::to_string(n_rows) + ")";
  long long number = r + 1;
  for (;;) {
    const std::optional<long long> typed = ui_.AskNumber(prompt, number);
    if (!typed) return false;
    number = *typed;
    if (number == r + 1) return false;
    if (number >= 1 && number <= n_rows) break;
  }
  const int t = int(number) - 1;

  const std::vector<std::uint8_t> before = TransponderTable(view_);
  // Only the slots of the listed rows change; unlisted records stay put.
  RecordBytes saved;
  std::memcpy(saved.data(), view_.transponder(rows[std::size_t(r)]).data(), saved.size());
  const auto row_record = [this, &rows](int row) { return view_.transponder(rows[std::size_t(row)]); };
  if (r > t) {
    for (int k = r; k > t; --k) CopyRecord(row_record(k), row_record(k - 1).data());
  } else {
    for (int k = r; k < t; ++k) CopyRecord(row_record(k), row_record(k + 1).data());
  }
  CopyRecord(row_record(t), saved.data());

  const int channels_moved = Renumber(view_);
  const bool changed = channels_moved > 0 || TransponderTable(view_) != before;
  Refilter(view_);
  SelectAndChoose(view_, t);
  return changed;
}

}  // namespace kavor
