// The pointer index over the image and the one view state over it: what the
// three lists show, what is current, and every selection rule, as data. The
// form mirrors this state through a ViewSink; nothing here knows a widget.
#pragma once

#include <cstdint>
#include <vector>

#include "database/image.h"

namespace kavor {

// What the form must do after a rule ran. Rows are list rows.
class ViewSink {
 public:
  virtual ~ViewSink() = default;
  virtual void SatelliteListRefilled() {}
  virtual void TransponderListRefilled() {}
  virtual void ChannelListRefilled() {}
  // Select that row (or none for -1) and scroll it to the top.
  virtual void SatelliteRowSelected(int /*row*/) {}
  // The row's satellite record changed: rebuild its text and select the row
  // again; the scroll position stays.
  virtual void SatelliteRowRedrawn(int /*row*/) {}
  virtual void TransponderRowSelected(int /*row*/) {}
  // The row's record changed and its text must be rebuilt; the rows are the
  // same. A form without a row redraw refills the list.
  virtual void TransponderRowRedrawn(int /*row*/) { TransponderListRefilled(); }
  virtual void ChannelSelectionCleared() {}
  // Add the row to the selection, make it the focus row, scroll it to the top.
  virtual void ChannelRowSelected(int /*row*/) {}
  // The row's record changed: rebuild its text and add it to the selection;
  // the focus row stays.
  virtual void ChannelRowRedrawn(int /*row*/) {}
  // Add the rows to the selection; when `focus_row` is a row (not -1), make
  // it the focus row and scroll it into view.
  virtual void ChannelRowsSelected(const std::vector<int>& /*rows*/, int /*focus_row*/) {}
  virtual void ModeButtonsChanged(bool /*tv_mode*/) {}
};

// Everything the view keeps apart from the image: what an undo step brings
// back. Rows are list rows; the lists' contents are kept as they were, not
// filtered again, so a list an operation left unfiltered comes back as it was.
struct ViewSnapshot {
  int current_satellite = -1;
  int current_transponder = -1;
  int current_channel = -1;
  int current_channel_row = 0;
  bool channel_was_current = false;
  int satellite_row = -1;
  int transponder_row = -1;
  bool tv_mode = true;
  bool all_satellites = true;
  std::vector<int> transponder_rows;
  std::vector<int> channel_rows;
  std::vector<int> selected_channel_rows;  // ascending
  int channel_focus_row = -1;
  std::uint16_t last_type_number = 0;

  std::size_t MemoryBytes() const;
  bool operator==(const ViewSnapshot&) const = default;
};

class ViewState {
 public:
  static constexpr int kNone = -1;

  explicit ViewState(Image& image);
  void set_sink(ViewSink* sink) { sink_ = sink ? sink : &null_sink_; }
  Image& image() { return image_; }
  const Image& image() const { return image_; }

  // --- index and filters
  void RebuildIndex();
  void ResetViews();
  void FilterTransponders();
  void FilterChannels();
  void FindSatellite(int sat_id);
  void FindTransponder(int sat_id, int tp_number);
  // The form's refills: filter, tell the form to redraw, select as the form does.
  void RefillSatelliteList();
  void RefillTransponderList();
  void RefillChannelList();

  // --- selection rules driven by user input
  void ChooseSatellite(int row);
  // After the satellite table changed: the 50 rows redrawn, `row` selected
  // and made current, and ChooseSatellite's steps run even when it already
  // was current (the transponder rows may point at moved records).
  void RefillSatelliteListAndChoose(int row);
  // After an edit of the row's satellite: its text rebuilt, the row selected.
  void RedrawSatelliteRow(int row);
  void ChooseTransponder(int row);
  void ChooseChannel(int row);
  void SetTvMode(bool tv);
  void SetAllSatellites(bool all);
  void SelectFirstChannelOfSatellite();
  void SelectFirstChannelOfTransponder();

  // --- transponder-list selection made by an operation
  // Selects the row, scrolls it to the top and makes its transponder current
  // without choosing it (the channel selection stays). Rows that do not
  // exist are ignored.
  void SelectTransponderRow(int row);
  // After an edit of the row's record: its text is rebuilt and the row
  // selected again.
  void RedrawTransponderRow(int row);

  // --- channel-list selection (extended selection with a focus row)
  // Mirrors a user's selection change in the widget; does not run ChooseChannel.
  void SetChannelSelection(const std::vector<int>& selected_rows, int focus_row);
  void ClearChannelSelection();
  // Adds the row to the selection, focuses it, then ChooseChannel(row).
  void SelectChannelRow(int row);
  // After an edit of the row's record: its text is rebuilt and the row added
  // to the selection, the focus left alone. Rows that do not exist are ignored.
  void RedrawChannelRow(int row);
  // Adds the existing ones of `rows` to the selection and focuses `focus_row`
  // when it exists; nothing becomes current (no ChooseChannel).
  void AddChannelRowsToSelection(const std::vector<int>& rows, int focus_row);
  // The row's channel becomes current with that row, without choosing its
  // satellite or transponder.
  void MakeChannelRowCurrent(int row);
  bool IsChannelRowSelected(int row) const;
  int SelectedChannelCount() const;
  std::vector<int> SelectedChannelRows() const;
  int channel_focus_row() const { return channel_focus_row_; }

  // --- undo
  ViewSnapshot Snapshot() const;
  // Puts the view back as `snapshot` holds it (for the image it was taken
  // on) and has the form refill all three lists and select as it was.
  void Restore(const ViewSnapshot& snapshot);

  // --- index tables
  SatelliteRecord satellite(int slot) const { return SatelliteRecord(sat_index_[std::size_t(slot)]); }
  TransponderRecord transponder(int slot) const {
    return TransponderRecord(tp_index_[std::size_t(slot)]);
  }
  ChannelRecord channel(int slot) const { return ChannelRecord(ch_index_[std::size_t(slot)]); }
  bool indexed() const { return !ch_index_.empty(); }

  // --- state
  int current_satellite() const { return current_satellite_; }
  int current_transponder() const { return current_transponder_; }
  int current_channel() const { return current_channel_; }
  int current_channel_row() const { return current_channel_row_; }
  // Whether any channel has been current since the image was installed;
  // until then the current row means nothing.
  bool channel_was_current() const { return channel_was_current_; }
  int satellite_row() const { return satellite_row_; }
  int transponder_row() const { return transponder_row_; }
  bool tv_mode() const { return tv_mode_; }
  bool all_satellites() const { return all_satellites_; }
  const std::vector<int>& transponder_rows() const { return transponder_rows_; }
  const std::vector<int>& channel_rows() const { return channel_rows_; }
  std::uint16_t last_type_number() const { return last_type_number_; }
  bool image_loaded() const { return image_loaded_; }
  void set_image_loaded() { image_loaded_ = true; }
  // The form's initialisation: both filters back to true, buttons pushed.
  void InitialiseModes();
  // Stores the mode without refiltering (used by operations that refill themselves).
  void set_tv_mode(bool tv) { tv_mode_ = tv; }
  // Stores the mode and sets the TV and Radio buttons, without refiltering.
  void ShowTvMode(bool tv);

 private:
  int CurrentSatId() const;
  void SetTransponderRow(int row);

  Image& image_;
  ViewSink null_sink_;
  ViewSink* sink_ = &null_sink_;

  std::vector<std::uint8_t*> sat_index_, tp_index_, ch_index_;

  int current_satellite_ = kNone;
  int current_transponder_ = kNone;
  int current_channel_ = kNone;
  int current_channel_row_ = 0;
  bool channel_was_current_ = false;
  int satellite_row_ = kNone;
  int transponder_row_ = kNone;
  bool tv_mode_ = true;
  bool all_satellites_ = true;
  std::vector<int> transponder_rows_;
  std::vector<int> channel_rows_;
  std::vector<char> channel_selected_;  // one flag per channel row
  int channel_selected_count_ = 0;
  int channel_focus_row_ = kNone;
  std::uint16_t last_type_number_ = 0;
  bool image_loaded_ = false;
};

}  // namespace kavor
