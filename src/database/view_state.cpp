#include "database/view_state.h"

#include <algorithm>

namespace kavor {

ViewState::ViewState(Image& image) : image_(image) {}

int ViewState::CurrentSatId() const {
  return current_satellite_ == kNone ? -1 : satellite(current_satellite_).mSatId();
}

void ViewState::RebuildIndex() {
  const int capacity = image_.channel_capacity();
  sat_index_.resize(kSatelliteSlots);
  tp_index_.resize(kTransponderSlots);
  ch_index_.resize(std::size_t(capacity));
  std::uint8_t* base = image_.bytes();
  for (int i = 0; i < kSatelliteSlots; ++i) sat_index_[std::size_t(i)] = base + SatelliteOffset(i);
  for (int t = 0; t < kTransponderSlots; ++t)
    tp_index_[std::size_t(t)] = base + TransponderOffset(t);
  for (int n = 0; n < capacity; ++n) ch_index_[std::size_t(n)] = base + ChannelOffset(n);
  transponder_rows_.reserve(kTransponderSlots);
  channel_rows_.reserve(std::size_t(capacity));
  channel_selected_.reserve(std::size_t(capacity));
  ResetViews();
}

void ViewState::RefillSatelliteList() {
  current_satellite_ = 0;
  satellite_row_ = 0;
  sink_->SatelliteListRefilled();
  sink_->SatelliteRowSelected(0);
}

void ViewState::RefillTransponderList() {
  FilterTransponders();
}

void ViewState::RefillChannelList() {
  FilterChannels();
}

void ViewState::ResetViews() {
  // Nothing current may outlive the image it pointed into: a channel slot of
  // a kind-5 image can lie beyond the index of a kind-3 one, and the last
  // type number of another image bounds nothing in this one. The satellite,
  // the transponder, the rows, the selection and the focus are all set
  // afresh below.
  current_channel_ = kNone;
  current_channel_row_ = 0;
  channel_was_current_ = false;
  last_type_number_ = 0;
  RefillSatelliteList();
  RefillTransponderList();
  RefillChannelList();
  sink_->ModeButtonsChanged(tv_mode_);
  if (channel_rows_.empty()) return;
  const ChannelRecord c = channel(channel_rows_[0]);
  FindSatellite(c.mSatId());
  FilterTransponders();
  FindTransponder(c.mSatId(), c.mTpNumber());
  SelectChannelRow(0);
}

void ViewState::SetTransponderRow(int row) {
  transponder_row_ = row;
  current_transponder_ = row == kNone ? kNone : transponder_rows_[std::size_t(row)];
  sink_->TransponderRowSelected(row);
}

void ViewState::SelectTransponderRow(int row) {
  if (row < 0 || std::size_t(row) >= transponder_rows_.size()) return;
  SetTransponderRow(row);
}

void ViewState::RedrawTransponderRow(int row) {
  if (row < 0 || std::size_t(row) >= transponder_rows_.size()) return;
  sink_->TransponderRowRedrawn(row);
  SetTransponderRow(row);
}

void ViewState::FilterTransponders() {
  transponder_rows_.clear();
  if (indexed() && current_satellite_ != kNone) {
    const int sat_id = CurrentSatId();
    const int count = image_.TpCountInUse();
    for (int t = 0; t < count; ++t) {
      const TransponderRecord tp = transponder(t);
      if (tp.mSatId() == sat_id && (tp.mFrequency() != 0 || tp.mSymbolRate() != 0))
        transponder_rows_.push_back(t);
    }
  }
  sink_->TransponderListRefilled();
  SetTransponderRow(transponder_rows_.empty() ? kNone : 0);
}

void ViewState::FilterChannels() {
  channel_rows_.clear();
  channel_selected_.clear();
  channel_selected_count_ = 0;
  channel_focus_row_ = kNone;
  if (indexed()) {
    const int wanted = tv_mode_ ? kServiceTypeTv : kServiceTypeRadio;
    const int sat_id = CurrentSatId();
    const int count = image_.ServiceCountInUse();
    for (int n = 0; n < count; ++n) {
      const ChannelRecord c = channel(n);
      if (c.mSatId() == 0) continue;
      if (c.ServiceType() != wanted) continue;
      last_type_number_ = c.mChannelNo();
      if (all_satellites_ || c.mSatId() == sat_id) channel_rows_.push_back(n);
    }
  }
  channel_selected_.assign(channel_rows_.size(), 0);
  sink_->ChannelListRefilled();
}

void ViewState::FindSatellite(int sat_id) {
  if (!indexed()) return;
  for (int i = 0; i < kSatelliteSlots; ++i) {
    if (satellite(i).mSatId() == sat_id) {
      current_satellite_ = i;
      satellite_row_ = i;
      sink_->SatelliteRowSelected(i);
      return;
    }
  }
}

void ViewState::FindTransponder(int sat_id, int tp_number) {
  for (std::size_t r = 0; r < transponder_rows_.size(); ++r) {
    const TransponderRecord tp = transponder(transponder_rows_[r]);
    if (tp.mSatId() == sat_id && tp.mTpNumber() == tp_number) {
      SetTransponderRow(int(r));
      return;
    }
  }
}

void ViewState::ChooseChannel(int row) {
  if (row < 0 || std::size_t(row) >= channel_rows_.size()) return;
  current_channel_row_ = row;
  current_channel_ = channel_rows_[std::size_t(row)];
  channel_was_current_ = true;
  const ChannelRecord c = channel(current_channel_);
  if (c.mSatId() != CurrentSatId()) FindSatellite(c.mSatId());
  bool same_tp = false;
  if (current_transponder_ != kNone) {
    const TransponderRecord tp = transponder(current_transponder_);
    same_tp = tp.mSatId() == c.mSatId() && tp.mTpNumber() == c.mTpNumber();
  }
  if (!same_tp) {
    FilterTransponders();
    FindTransponder(c.mSatId(), c.mTpNumber());
  }
}

void ViewState::ChooseTransponder(int row) {
  if (row < 0 || std::size_t(row) >= transponder_rows_.size()) return;
  transponder_row_ = row;
  current_transponder_ = transponder_rows_[std::size_t(row)];
  const int sat_id = transponder(current_transponder_).mSatId();
  if (sat_id != CurrentSatId()) FindSatellite(sat_id);
  SelectFirstChannelOfTransponder();
}

void ViewState::ChooseSatellite(int row) {
  if (!indexed() || row < 0 || row >= kSatelliteSlots) return;
  if (row == current_satellite_) return;
  current_satellite_ = row;
  satellite_row_ = row;
  FilterTransponders();
  FilterChannels();
  SelectFirstChannelOfSatellite();
}

void ViewState::RefillSatelliteListAndChoose(int row) {
  if (!indexed() || row < 0 || row >= kSatelliteSlots) return;
  sink_->SatelliteListRefilled();
  current_satellite_ = row;
  satellite_row_ = row;
  sink_->SatelliteRowSelected(row);
  FilterTransponders();
  FilterChannels();
  SelectFirstChannelOfSatellite();
}

void ViewState::RedrawSatelliteRow(int row) {
  if (!indexed() || row < 0 || row >= kSatelliteSlots) return;
  satellite_row_ = row;
  sink_->SatelliteRowRedrawn(row);
}

void ViewState::SelectFirstChannelOfSatellite() {
  ClearChannelSelection();
  const int sat_id = CurrentSatId();
  for (std::size_t r = 0; r < channel_rows_.size(); ++r) {
    const ChannelRecord c = channel(channel_rows_[r]);
    if (c.mSatId() != sat_id) continue;
    // Selected and focused, but not through ChooseChannel: the transponder
    // follows by lookup only.
    channel_selected_[r] = 1;
    ++channel_selected_count_;
    channel_focus_row_ = int(r);
    sink_->ChannelRowSelected(int(r));
    current_channel_ = channel_rows_[r];
    current_channel_row_ = int(r);
    channel_was_current_ = true;
    FindTransponder(c.mSatId(), c.mTpNumber());
    return;
  }
}

void ViewState::SelectFirstChannelOfTransponder() {
  if (current_transponder_ == kNone) return;
  ClearChannelSelection();
  const TransponderRecord tp = transponder(current_transponder_);
  for (std::size_t r = 0; r < channel_rows_.size(); ++r) {
    const ChannelRecord c = channel(channel_rows_[r]);
    if (c.mSatId() == tp.mSatId() && c.mTpNumber() == tp.mTpNumber()) {
      SelectChannelRow(int(r));
      return;
    }
  }
}

void ViewState::SetTvMode(bool tv) {
  if (tv == tv_mode_) return;
  tv_mode_ = tv;
  if (!image_loaded_ || !indexed()) return;
  FilterChannels();
  SelectFirstChannelOfTransponder();
}

void ViewState::SetAllSatellites(bool all) {
  all_satellites_ = all;
  if (!image_loaded_ || !indexed()) return;
  int remembered = kNone;
  if (channel_focus_row_ != kNone && IsChannelRowSelected(channel_focus_row_))
    remembered = channel_rows_[std::size_t(channel_focus_row_)];
  FilterChannels();
  if (remembered == kNone) return;
  const auto it = std::find(channel_rows_.begin(), channel_rows_.end(), remembered);
  if (it != channel_rows_.end()) SelectChannelRow(int(it - channel_rows_.begin()));
}

void ViewState::InitialiseModes() {
  all_satellites_ = true;
  tv_mode_ = true;
  sink_->ModeButtonsChanged(true);
}

void ViewState::SetChannelSelection(const std::vector<int>& selected_rows, int focus_row) {
  std::fill(channel_selected_.begin(), channel_selected_.end(), 0);
  channel_selected_count_ = 0;
  for (int r : selected_rows) {
    if (r < 0 || std::size_t(r) >= channel_selected_.size() || channel_selected_[std::size_t(r)])
      continue;
    channel_selected_[std::size_t(r)] = 1;
    ++channel_selected_count_;
  }
  channel_focus_row_ =
      focus_row >= 0 && std::size_t(focus_row) < channel_rows_.size() ? focus_row : kNone;
}

void ViewState::ClearChannelSelection() {
  std::fill(channel_selected_.begin(), channel_selected_.end(), 0);
  channel_selected_count_ = 0;
  sink_->ChannelSelectionCleared();
}

void ViewState::SelectChannelRow(int row) {
  if (row < 0 || std::size_t(row) >= channel_rows_.size()) return;
  if (!channel_selected_[std::size_t(row)]) {
    channel_selected_[std::size_t(row)] = 1;
    ++channel_selected_count_;
  }
  channel_focus_row_ = row;
  sink_->ChannelRowSelected(row);
  ChooseChannel(row);
}

void ViewState::RedrawChannelRow(int row) {
  if (row < 0 || std::size_t(row) >= channel_rows_.size()) return;
  if (!channel_selected_[std::size_t(row)]) {
    channel_selected_[std::size_t(row)] = 1;
    ++channel_selected_count_;
  }
  sink_->ChannelRowRedrawn(row);
}

void ViewState::AddChannelRowsToSelection(const std::vector<int>& rows, int focus_row) {
  std::vector<int> added;
  added.reserve(rows.size());
  for (int r : rows) {
    if (r < 0 || std::size_t(r) >= channel_rows_.size()) continue;
    added.push_back(r);
    if (channel_selected_[std::size_t(r)]) continue;
    channel_selected_[std::size_t(r)] = 1;
    ++channel_selected_count_;
  }
  const bool focus = focus_row >= 0 && std::size_t(focus_row) < channel_rows_.size();
  if (focus) channel_focus_row_ = focus_row;
  sink_->ChannelRowsSelected(added, focus ? focus_row : kNone);
}

void ViewState::MakeChannelRowCurrent(int row) {
  if (row < 0 || std::size_t(row) >= channel_rows_.size()) return;
  current_channel_row_ = row;
  current_channel_ = channel_rows_[std::size_t(row)];
  channel_was_current_ = true;
}

void ViewState::ShowTvMode(bool tv) {
  tv_mode_ = tv;
  sink_->ModeButtonsChanged(tv);
}

bool ViewState::IsChannelRowSelected(int row) const {
  return row >= 0 && std::size_t(row) < channel_selected_.size() &&
         channel_selected_[std::size_t(row)] != 0;
}

int ViewState::SelectedChannelCount() const { return channel_selected_count_; }

std::vector<int> ViewState::SelectedChannelRows() const {
  std::vector<int> rows;
  rows.reserve(std::size_t(channel_selected_count_));
  for (std::size_t r = 0; r < channel_selected_.size(); ++r)
    if (channel_selected_[r]) rows.push_back(int(r));
  return rows;
}

std::size_t ViewSnapshot::MemoryBytes() const {
  return sizeof(*this) + sizeof(int) * (transponder_rows.capacity() + channel_rows.capacity() +
                                        selected_channel_rows.capacity());
}

ViewSnapshot ViewState::Snapshot() const {
  ViewSnapshot s;
  s.current_satellite = current_satellite_;
  s.current_transponder = current_transponder_;
  s.current_channel = current_channel_;
  s.current_channel_row = current_channel_row_;
  s.channel_was_current = channel_was_current_;
  s.satellite_row = satellite_row_;
  s.transponder_row = transponder_row_;
  s.tv_mode = tv_mode_;
  s.all_satellites = all_satellites_;
  s.transponder_rows = transponder_rows_;
  s.channel_rows = channel_rows_;
  s.selected_channel_rows = SelectedChannelRows();
  s.channel_focus_row = channel_focus_row_;
  s.last_type_number = last_type_number_;
  return s;
}

void ViewState::Restore(const ViewSnapshot& s) {
  current_satellite_ = s.current_satellite;
  current_transponder_ = s.current_transponder;
  current_channel_ = s.current_channel;
  current_channel_row_ = s.current_channel_row;
  channel_was_current_ = s.channel_was_current;
  satellite_row_ = s.satellite_row;
  transponder_row_ = s.transponder_row;
  tv_mode_ = s.tv_mode;
  all_satellites_ = s.all_satellites;
  transponder_rows_ = s.transponder_rows;
  channel_rows_ = s.channel_rows;
  channel_selected_.assign(channel_rows_.size(), 0);
  channel_selected_count_ = 0;
  for (int r : s.selected_channel_rows) {
    if (r < 0 || std::size_t(r) >= channel_selected_.size() || channel_selected_[std::size_t(r)]) continue;
    channel_selected_[std::size_t(r)] = 1;
    ++channel_selected_count_;
  }
  channel_focus_row_ = s.channel_focus_row;
  last_type_number_ = s.last_type_number;

  sink_->ModeButtonsChanged(tv_mode_);
  sink_->SatelliteListRefilled();
  sink_->SatelliteRowSelected(satellite_row_);
  sink_->TransponderListRefilled();
  sink_->TransponderRowSelected(transponder_row_);
  sink_->ChannelListRefilled();
  sink_->ChannelRowsSelected(SelectedChannelRows(), channel_focus_row_);
}

}  // namespace kavor
