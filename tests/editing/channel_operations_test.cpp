#include "editing/channel_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "database/image_builder.h"
#include "database/row_format.h"
#include "database/table_check.h"
#include "editing/command_routing.h"
#include "editing/fake_user_interface.h"
#include "editing/operations.h"

namespace kavor {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class RecordingSink : public ViewSink {
 public:
  std::vector<std::string> events;
  void ChannelListRefilled() override { events.push_back("refill"); }
  void ChannelSelectionCleared() override { events.push_back("clear"); }
  void ChannelRowSelected(int r) override { events.push_back("select " + std::to_string(r)); }
  void ChannelRowRedrawn(int r) override { events.push_back("redraw " + std::to_string(r)); }
  void ChannelRowsSelected(const std::vector<int>& rows, int focus) override {
    std::string e = "rows";
    for (int r : rows) e += " " + std::to_string(r);
    events.push_back(e + " focus " + std::to_string(focus));
  }
  void ModeButtonsChanged(bool tv) override { events.push_back(tv ? "tv" : "radio"); }
};

std::vector<std::uint8_t> Bytes(const Image& image) {
  return std::vector<std::uint8_t>(image.bytes(), image.bytes() + kMaxImageLength);
}

std::vector<std::string> Names(const ViewState& view) {
  std::vector<std::string> names;
  for (int slot : view.channel_rows()) names.push_back(view.channel(slot).mServiceName());
  return names;
}

std::vector<int> Numbers(const ViewState& view) {
  std::vector<int> numbers;
  for (int slot : view.channel_rows()) numbers.push_back(view.channel(slot).mChannelNo());
  return numbers;
}

FakeUserInterface::EditAnswer Rename(const std::string& name) {
  return [name](ChannelRecord r) {
    r.set_mServiceName(name);
    return true;
  };
}

// Satellite 1 (slot 0): transponders 1/1, 1/2. Satellite 2: 2/1.
// Satellite 3: transponder 3/1, no channels. Ten TV channels numbered 1..10
// in slot order, three radio channels between them.
//
//   slot: 0 TV Alpha 1/1, 1 R "Radio A" 1/1, 2 TV "ZETA One" 1/2, 3 TV Beta 2/1,
//         4 R "Radio B" 2/1, 5 TV xzetax 1/1, 6 TV Gamma 2/1, 7 TV Delta 1/2,
//         8 TV Epsilon 2/1, 9 R "Radio C" 1/1, 10 TV Eta 1/1, 11 TV Theta 2/1, 12 TV Iota 2/1
class ChannelOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageBuilder b(image, 3);
    b.AddTransponder(1, 10700, 27500, false);
    b.AddTransponder(1, 10800, 22000, true);
    b.AddTransponder(2, 11000, 27500, false);
    b.AddTransponder(3, 12000, 27500, false);
    const struct {
      int sat, tp, type;
      const char* name;
    } channels[] = {
        {1, 1, kServiceTypeTv, "Alpha"},   {1, 1, kServiceTypeRadio, "Radio A"},
        {1, 2, kServiceTypeTv, "ZETA One"}, {2, 1, kServiceTypeTv, "Beta"},
        {2, 1, kServiceTypeRadio, "Radio B"}, {1, 1, kServiceTypeTv, "xzetax"},
        {2, 1, kServiceTypeTv, "Gamma"},   {1, 2, kServiceTypeTv, "Delta"},
        {2, 1, kServiceTypeTv, "Epsilon"}, {1, 1, kServiceTypeRadio, "Radio C"},
        {1, 1, kServiceTypeTv, "Eta"},     {2, 1, kServiceTypeTv, "Theta"},
        {2, 1, kServiceTypeTv, "Iota"},
    };
    for (const auto& c : channels) b.AddChannel(c.sat, c.tp, {c.type, c.name});
    b.Finish();
    Load();
  }
  void Load() {
    view.set_sink(&sink);
    view.RebuildIndex();
    view.set_image_loaded();
    sink.events.clear();
  }
  // The user clicks the first row and Ctrl+clicks the rest.
  void Click(const std::vector<int>& rows) {
    std::vector<int> selected;
    for (int r : rows) {
      selected.push_back(r);
      view.SetChannelSelection(selected, r);
      view.ChooseChannel(r);
    }
    sink.events.clear();
  }
  void ExpectTablesConsistent() {
    EXPECT_THAT(CheckTables(image), IsEmpty());
  }

  Image image;
  ViewState view{image};
  RecordingSink sink;
  FakeUserInterface ui;
  ChannelOperations ops{view, ui};
};

// --- The view state's selections that choose nothing

TEST_F(ChannelOperationsTest, AddingRowsCountsEachOnceAndSkipsRowsThatDoNotExist) {
  Click({2});
  const int current = view.current_channel();
  view.AddChannelRowsToSelection({2, 5, 5, -1, 10, 7}, 10);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(2, 5, 7));
  EXPECT_EQ(view.SelectedChannelCount(), 3);
  EXPECT_EQ(view.channel_focus_row(), 2);  // row 10 does not exist: the focus stays
  EXPECT_EQ(view.current_channel(), current);
  view.AddChannelRowsToSelection({}, 5);
  EXPECT_EQ(view.channel_focus_row(), 5);
  EXPECT_THAT(sink.events, ElementsAre("rows 2 5 5 7 focus -1", "rows focus 5"));
  view.RedrawChannelRow(5);
  view.RedrawChannelRow(10);
  EXPECT_EQ(view.SelectedChannelCount(), 3);
  EXPECT_THAT(sink.events.back(), "redraw 5");
}

TEST_F(ChannelOperationsTest, MakingARowCurrentLeavesTheOtherListsAlone) {
  Click({0});
  const int sat = view.current_satellite(), tp = view.current_transponder();
  view.MakeChannelRowCurrent(2);  // Beta, satellite 2
  EXPECT_EQ(view.current_channel(), 3);
  EXPECT_EQ(view.current_channel_row(), 2);
  EXPECT_EQ(view.current_satellite(), sat);
  EXPECT_EQ(view.current_transponder(), tp);
  view.MakeChannelRowCurrent(10);
  view.MakeChannelRowCurrent(-1);
  EXPECT_EQ(view.current_channel_row(), 2);
  view.ShowTvMode(false);
  EXPECT_FALSE(view.tv_mode());
  EXPECT_EQ(view.channel_rows().size(), 10u);  // not refiltered
  EXPECT_THAT(sink.events, ElementsAre("radio"));
}

// --- Edit

TEST_F(ChannelOperationsTest, EditRedrawsTheCurrentRowAndAddsItToTheSelection) {
  Click({1, 4});
  view.SetChannelSelection({1}, 1);  // the current row 4 is no longer selected
  ui.edits.push_back(Rename("Zed"));
  EXPECT_TRUE(ops.Edit());
  EXPECT_THAT(ui.asked, ElementsAre("Edit channel"));
  EXPECT_EQ(view.channel(view.channel_rows()[4]).mServiceName(), "Zed");
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(1, 4));
  EXPECT_EQ(view.channel_focus_row(), 1);
  EXPECT_THAT(sink.events, ElementsAre("redraw 4"));
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, EditThatKeepsEveryByteOrIsCancelledChangesNothing) {
  Click({2});
  const auto before = Bytes(image);
  ui.edits.push_back([](ChannelRecord) { return true; });
  EXPECT_FALSE(ops.Edit());
  EXPECT_THAT(sink.events, ElementsAre("redraw 2"));
  sink.events.clear();
  ui.edits.push_back([](ChannelRecord) { return false; });
  EXPECT_FALSE(ops.Edit());
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_EQ(Bytes(image), before);
}

TEST_F(ChannelOperationsTest, EditWithTheCurrentRowPastTheListRedrawsNothing) {
  Click({9});
  ui.ok_cancel.push_back(true);
  ASSERT_TRUE(ops.DeleteWithConfirmation());  // the current row 9 and slot 12 stay
  ASSERT_EQ(view.channel_rows().size(), 9u);
  ASSERT_EQ(view.current_channel_row(), 9);
  sink.events.clear();
  ui.edits.push_back(Rename("Far"));
  EXPECT_TRUE(ops.Edit());
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_THAT(view.SelectedChannelRows(), IsEmpty());
  EXPECT_EQ(view.channel(12).mServiceName(), "Far");
}

// --- New and Insert

TEST_F(ChannelOperationsTest, InsertOnRowRTakesNumberRPlusTwo) {
  Click({3});  // xzetax, slot 5, number 4
  const int radio_before = view.channel(9).mChannelNo();
  ui.edits.push_back(Rename("Inserted"));
  EXPECT_TRUE(ops.NewOrInsert(ID_POPUP_INSERT));
  EXPECT_THAT(ui.asked, ElementsAre("Insert channel"));
  EXPECT_EQ(image.mServiceCount(), 14);
  EXPECT_EQ(view.channel(6).mServiceName(), "Inserted");
  EXPECT_EQ(view.channel(6).mChannelNo(), 5);
  EXPECT_THAT(Names(view), ElementsAre("Alpha", "ZETA One", "Beta", "xzetax", "Inserted", "Gamma", "Delta",
                                       "Epsilon", "Eta", "Theta", "Iota"));
  EXPECT_THAT(Numbers(view), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11));
  EXPECT_EQ(view.channel(10).mChannelNo(), radio_before);  // Radio C moved a slot, same number
  // Only the new row selected, focused and current.
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(4));
  EXPECT_EQ(view.channel_focus_row(), 4);
  EXPECT_EQ(view.current_channel_row(), 4);
  EXPECT_EQ(view.current_channel(), 6);
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, InsertCopiesTheCurrentChannelExceptWhatTheEditorChanges) {
  Click({1});
  ChannelRecord(view.channel(2)).set_mVideoPid(512);
  ui.edits.push_back([](ChannelRecord) { return true; });
  EXPECT_TRUE(ops.NewOrInsert(ID_POPUP_INSERT));
  EXPECT_EQ(view.channel(3).mServiceName(), "ZETA One");
  EXPECT_EQ(view.channel(3).mVideoPid(), 512);
  EXPECT_EQ(view.channel(3).mChannelNo(), 3);
  EXPECT_EQ(view.channel(2).mChannelNo(), 2);
}

TEST_F(ChannelOperationsTest, NewInTheRadioListGoesAfterTheLastListedRadioChannel) {
  view.SetTvMode(false);
  view.ChooseTransponder(0);  // 1/1
  view.ChooseSatellite(1);    // satellite 2, its transponder 2/1 current
  ASSERT_EQ(view.transponder(view.current_transponder()).mSatId(), 2);
  sink.events.clear();
  ui.edits.push_back(Rename("New radio"));
  EXPECT_TRUE(ops.NewOrInsert(ID_POPUP_NEW));
  EXPECT_THAT(ui.asked, ElementsAre("New channel"));
  // After slot 9 (Radio C, the last listed radio row).
  const ChannelRecord c = view.channel(10);
  EXPECT_EQ(c.mServiceName(), "New radio");
  EXPECT_EQ(c.mServiceFlag(), 0x0200);
  EXPECT_EQ(c.mSatId(), 2);
  EXPECT_EQ(c.mTpNumber(), 1);
  EXPECT_EQ(c.mChannelNo(), 4);
  EXPECT_THAT(Numbers(view), ElementsAre(1, 2, 3, 4));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  EXPECT_EQ(view.current_channel(), 10);
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, NewTemplateOpensWithTheCapacityAsItsNumber) {
  ui.edits.push_back([this](ChannelRecord r) {
    EXPECT_EQ(r.mChannelNo(), image.channel_capacity());
    EXPECT_EQ(r.mServiceFlag(), 0x0100);
    EXPECT_EQ(r.mServiceName(), "");
    return false;
  });
  const auto before = Bytes(image);
  EXPECT_FALSE(ops.NewOrInsert(ID_POPUP_NEW));
  EXPECT_EQ(Bytes(image), before);
  EXPECT_THAT(sink.events, IsEmpty());
}

TEST_F(ChannelOperationsTest, NewOnAnEmptyChannelListGoesAfterTheLastRecord) {
  view.SetAllSatellites(false);
  view.ChooseSatellite(2);  // satellite 3: a transponder, no channel
  ASSERT_TRUE(view.channel_rows().empty());
  ASSERT_NE(view.current_transponder(), ViewState::kNone);
  ui.edits.push_back(Rename("First of 3"));
  EXPECT_TRUE(ops.NewOrInsert(ID_POPUP_NEW));
  EXPECT_EQ(image.mServiceCount(), 14);
  const ChannelRecord c = view.channel(13);
  EXPECT_EQ(c.mServiceName(), "First of 3");
  EXPECT_EQ(c.mSatId(), 3);
  EXPECT_EQ(c.mChannelNo(), 11);
  EXPECT_THAT(view.channel_rows(), ElementsAre(13));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(0));
  EXPECT_EQ(view.channel_focus_row(), 0);
  EXPECT_EQ(view.current_channel(), 13);
  EXPECT_EQ(view.current_channel_row(), 0);
  ASSERT_EQ(image.mSatUsedCount(), 3);
  EXPECT_EQ(image.sat_used_list()[2], 3);
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, InsertWithoutAFocusRowGoesAfterTheLastRecord) {
  Click({2});
  view.RefillChannelList();  // no focus row after a refill
  view.SetChannelSelection({2}, ViewState::kNone);
  ui.edits.push_back(Rename("Appended"));
  EXPECT_TRUE(ops.NewOrInsert(ID_POPUP_INSERT));
  EXPECT_EQ(view.channel(13).mServiceName(), "Appended");
  EXPECT_EQ(view.channel(13).mChannelNo(), 11);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(10));
  EXPECT_EQ(view.current_channel(), 13);
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, NewAtCapacityMinusOneFillsTheTableAndGreysNewAndInsert) {
  ImageBuilder b(image, 3);
  b.AddTransponder(1, 10700, 27500, false);
  for (int i = 0; i < image.channel_capacity() - 1; ++i)
    b.AddChannel(1, 1, {i % 3 ? kServiceTypeTv : kServiceTypeRadio, "C" + std::to_string(i)});
  b.Finish();
  Load();
  auto enabled = [this](int id) {
    for (const MenuItem& item : BuildPopup(ListId::Channel, view))
      if (item.id == id) return item.enabled;
    return false;
  };
  ASSERT_TRUE(enabled(ID_POPUP_NEW));
  ui.edits.push_back(Rename("Last"));
  EXPECT_TRUE(ops.NewOrInsert(ID_POPUP_NEW));
  EXPECT_EQ(image.mServiceCount(), 3090);
  EXPECT_EQ(view.channel(3089).mServiceName(), "Last");
  EXPECT_FALSE(enabled(ID_POPUP_NEW));
  EXPECT_FALSE(enabled(ID_POPUP_INSERT));
  ExpectTablesConsistent();
  // Run directly at capacity: no dialog, nothing changes.
  const auto before = Bytes(image);
  EXPECT_FALSE(ops.NewOrInsert(ID_POPUP_INSERT));
  EXPECT_EQ(Bytes(image), before);
  EXPECT_EQ(ui.asked.size(), 1u);
}

// --- Delete

TEST_F(ChannelOperationsTest, DeleteAsksAndCancelChangesNothing) {
  Click({1, 2});
  const auto before = Bytes(image);
  EXPECT_FALSE(ops.DeleteWithConfirmation());
  EXPECT_THAT(ui.asked, ElementsAre("Channel Delete|Are you sure?"));
  EXPECT_EQ(Bytes(image), before);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(1, 2));
}

TEST_F(ChannelOperationsTest, DeletingThreeRenumbersAndSelectsNothing) {
  Click({0, 4, 9});  // Alpha, Gamma, Iota
  const int current = view.current_channel(), current_row = view.current_channel_row();
  ui.ok_cancel.push_back(true);
  EXPECT_TRUE(ops.DeleteWithConfirmation());
  EXPECT_EQ(image.mServiceCount(), 10);
  EXPECT_THAT(Names(view), ElementsAre("ZETA One", "Beta", "xzetax", "Delta", "Epsilon", "Eta", "Theta"));
  EXPECT_THAT(Numbers(view), ElementsAre(1, 2, 3, 4, 5, 6, 7));
  EXPECT_THAT(view.SelectedChannelRows(), IsEmpty());
  EXPECT_EQ(view.current_channel(), current);
  EXPECT_EQ(view.current_channel_row(), current_row);
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, DeletingTheLastChannelOfASatelliteDropsItFromTheUsedList) {
  view.SetTvMode(false);
  ASSERT_THAT(Names(view), ElementsAre("Radio A", "Radio B", "Radio C"));
  image.sat_used_list()[2] = 0x77;  // beyond the count: must survive
  view.SetAllSatellites(true);
  // Make satellite 2 hold only Radio B among radio, and delete all TV of 2.
  Click({1});
  ui.ok_cancel.push_back(true);
  ASSERT_TRUE(ops.DeleteWithConfirmation());
  view.SetTvMode(true);
  std::vector<int> of_sat2;
  for (std::size_t r = 0; r < view.channel_rows().size(); ++r)
    if (view.channel(view.channel_rows()[r]).mSatId() == 2) of_sat2.push_back(int(r));
  ASSERT_EQ(of_sat2.size(), 5u);
  ASSERT_EQ(image.mSatUsedCount(), 2);
  Click(of_sat2);
  ui.ok_cancel.push_back(true);
  ASSERT_TRUE(ops.DeleteWithConfirmation());
  EXPECT_EQ(image.mSatUsedCount(), 1);
  EXPECT_EQ(image.sat_used_list()[0], 1);
  EXPECT_EQ(image.sat_used_list()[1], 2);     // beyond the count: kept
  EXPECT_EQ(image.sat_used_list()[2], 0x77);
  ExpectTablesConsistent();
}

// The table compaction exactly as it was first written: every later record
// shifted down one slot per empty record found.
void ReferenceDeleteChannels(Image& image, const std::vector<int>& slots) {
  for (int s : slots) std::memset(image.Channel(s).data(), 0, ChannelRecord::kSize);
  int end = image.ServiceCountInUse();
  int i = 0;
  while (i < end) {
    if (image.Channel(i).mChannelNo() != 0) {
      ++i;
      continue;
    }
    for (int j = i; j < end - 1; ++j)
      std::memcpy(image.Channel(j).data(), image.Channel(j + 1).data(), ChannelRecord::kSize);
    --end;
  }
  const int removed = image.ServiceCountInUse() - end;
  RenumberChannels(image);
  RebuildSatellitesInUse(image);
  image.set_mServiceCount(std::uint16_t(image.mServiceCount() - removed));
}

void FillRandomTable(Image& image, std::mt19937& rng, int count) {
  ImageBuilder b(image, rng() % 2 ? 3 : 5);
  b.AddTransponder(1, 10700, 27500, false);
  std::uniform_int_distribution<int> byte(0, 255);
  // Random bytes in the counted slots and a few after them, where the freed
  // slots' bytes must come out right.
  for (int s = 0; s < count + 4 && s < image.channel_capacity(); ++s)
    for (std::size_t k = 0; k < ChannelRecord::kSize; ++k) image.Channel(s).data()[k] = std::uint8_t(byte(rng));
  for (int s = 0; s < count; ++s) {
    const ChannelRecord c = image.Channel(s);
    const int type = std::uniform_int_distribution<int>(0, 4)(rng);
    c.set_mServiceFlag(std::uint16_t((c.mServiceFlag() & ~0x0700) | (type << 8)));
    c.set_mSatId(std::uint8_t(std::uniform_int_distribution<int>(0, 4)(rng)));
    const int no = std::uniform_int_distribution<int>(0, 9)(rng);
    c.set_mChannelNo(std::uint16_t(no == 0 ? 0 : c.mChannelNo() | 1));  // some empty records
  }
  b.Finish();
  image.set_mServiceCount(std::uint16_t(count));
}

TEST(DeleteChannels, OnePassGivesTheShiftingCompactionsBytes) {
  std::mt19937 rng(20261210);
  Image mine, reference;
  for (int round = 0; round < 300; ++round) {
    const int count = std::uniform_int_distribution<int>(0, 160)(rng);
    FillRandomTable(mine, rng, count);
    std::memcpy(reference.bytes(), mine.bytes(), kMaxImageLength);
    reference.set_kind(mine.kind());
    ViewState view(mine);
    view.RebuildIndex();
    const bool as_slots = rng() % 2;
    std::vector<int> entries, slots;
    if (as_slots) {
      for (int s = 0; s < count + 3 && s < mine.channel_capacity(); ++s)
        if (rng() % 4 == 0) entries.push_back(s);
      if (count > 0 && rng() % 3 == 0) entries.push_back(count - 1);  // the last one deleted
      slots = entries;
    } else {
      for (std::size_t r = 0; r < view.channel_rows().size(); ++r)
        if (rng() % 3 == 0) entries.push_back(int(r));
      for (int r : entries) slots.push_back(view.channel_rows()[std::size_t(r)]);
    }
    DeleteChannels(view, entries, as_slots);
    ReferenceDeleteChannels(reference, slots);
    ASSERT_EQ(Bytes(mine), Bytes(reference)) << "round " << round << " count " << count;
  }
}

TEST(DeleteChannels, FreedSlotsHoldCopiesOfTheLastRecordRenumbered) {
  Image image;
  ImageBuilder b(image, 3);
  b.AddTransponder(1, 10700, 27500, false);
  for (const char* name : {"A", "B", "C", "D"}) b.AddChannel(1, 1, {kServiceTypeTv, name});
  b.Finish();
  ViewState view(image);
  view.RebuildIndex();
  DeleteChannels(view, {0, 2}, true);
  EXPECT_EQ(image.mServiceCount(), 2);
  const char* names[] = {"B", "D", "D", "D"};
  const int numbers[] = {1, 2, 3, 4};
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(image.Channel(s).mServiceName(), names[s]) << s;
    EXPECT_EQ(image.Channel(s).mChannelNo(), numbers[s]) << s;
  }
  // The last one deleted: the freed slots are zeros.
  DeleteChannels(view, {1}, true);
  EXPECT_EQ(image.mServiceCount(), 1);
  EXPECT_EQ(image.Channel(0).mServiceName(), "B");
  std::uint8_t zeros[ChannelRecord::kSize] = {};
  EXPECT_EQ(std::memcmp(image.Channel(1).data(), zeros, sizeof zeros), 0);
}

TEST(DeleteChannels, ClearsSlotsUpToTheCapacityAndIgnoresOthers) {
  Image image;
  ImageBuilder b(image, 3);
  b.AddTransponder(1, 10700, 27500, false);
  b.AddChannel(1, 1, {kServiceTypeTv, "A"});
  b.Finish();
  const int last = image.channel_capacity() - 1;
  std::memset(image.Channel(last).data(), 0x5A, ChannelRecord::kSize);
  ViewState view(image);
  view.RebuildIndex();
  DeleteChannels(view, {-1, last, last + 1}, true);
  DeleteChannels(view, {-1, 1}, false);  // rows: only row 0 exists
  std::uint8_t zeros[ChannelRecord::kSize] = {};
  EXPECT_EQ(std::memcmp(image.Channel(last).data(), zeros, sizeof zeros), 0);
  EXPECT_EQ(image.mServiceCount(), 1);
  EXPECT_EQ(image.Channel(0).mServiceName(), "A");
}

// --- Move

TEST_F(ChannelOperationsTest, MovingTwoChannelsToOne) {
  Click({4, 7});  // Gamma (5), Eta (8)
  ui.numbers.push_back(1);
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(ui.asked, ElementsAre("New channel (1-9)"));
  EXPECT_THAT(ui.shown_numbers, ElementsAre(8));  // the focus row + 1
  EXPECT_THAT(Names(view), ElementsAre("Gamma", "Eta", "Alpha", "ZETA One", "Beta", "xzetax", "Delta",
                                       "Epsilon", "Theta", "Iota"));
  EXPECT_THAT(Numbers(view), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(0, 1));
  EXPECT_EQ(view.channel_focus_row(), 1);
  // Radio records keep their slots.
  EXPECT_EQ(view.channel(1).mServiceName(), "Radio A");
  EXPECT_EQ(view.channel(4).mServiceName(), "Radio B");
  EXPECT_EQ(view.channel(9).mServiceName(), "Radio C");
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, MoveAsksAgainWithTheTypedNumberUntilItFits) {
  Click({0, 1, 2});  // L - k + 1 = 10 - 3 + 1 = 8
  ui.numbers = {0, 9, -4, 8};
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(ui.asked, ElementsAre("New channel (1-8)", "New channel (1-8)", "New channel (1-8)",
                                    "New channel (1-8)"));
  EXPECT_THAT(ui.shown_numbers, ElementsAre(3, 0, 9, -4));
  EXPECT_THAT(Names(view), ElementsAre("xzetax", "Gamma", "Delta", "Epsilon", "Eta", "Theta", "Iota",
                                       "Alpha", "ZETA One", "Beta"));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(7, 8, 9));
  EXPECT_EQ(view.channel_focus_row(), 9);
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, MoveProposesTheFocusRowNotTheCurrentOne) {
  Click({0, 1, 2});
  view.SetChannelSelection({0, 1, 2}, 1);  // the caret moved without choosing
  ASSERT_EQ(view.current_channel_row(), 2);
  EXPECT_FALSE(ops.Move());
  EXPECT_THAT(ui.shown_numbers, ElementsAre(2));
}

TEST_F(ChannelOperationsTest, CommandsThePopupGreysDoNothingWhenRunAnyway) {
  const auto before = Bytes(image);
  view.SetChannelSelection({}, ViewState::kNone);
  EXPECT_FALSE(ops.DeleteWithConfirmation());
  EXPECT_FALSE(ops.Move());
  EXPECT_FALSE(ops.FlagCommand(ID_POPUP_LOCK));
  EXPECT_FALSE(ops.FlagCommand(ID_POPUP_TO_RADIO));
  Click({1});
  view.SetAllSatellites(false);
  ASSERT_GT(view.SelectedChannelCount(), 0);
  EXPECT_FALSE(ops.Move());  // "Move to" needs "All Sat."
  EXPECT_FALSE(ops.FlagCommand(ID_POPUP_FIND));
  EXPECT_FALSE(ops.NewOrInsert(ID_POPUP_EDIT));
  view.ChooseSatellite(4);  // no transponder: nothing to take the template from
  ASSERT_EQ(view.current_transponder(), ViewState::kNone);
  EXPECT_FALSE(ops.NewOrInsert(ID_POPUP_NEW));
  EXPECT_THAT(ui.asked, IsEmpty());
  EXPECT_EQ(Bytes(image), before);
  EXPECT_TRUE(view.tv_mode());
}

TEST_F(ChannelOperationsTest, MoveCancelledOrOntoItsPlaceChangesNothing) {
  Click({3});
  const auto before = Bytes(image);
  ui.numbers = {99, std::nullopt};
  EXPECT_FALSE(ops.Move());
  EXPECT_EQ(Bytes(image), before);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  ui.numbers = {4};
  EXPECT_FALSE(ops.Move());
  EXPECT_EQ(Bytes(image), before);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  EXPECT_EQ(view.channel_focus_row(), 3);
}

TEST_F(ChannelOperationsTest, MoveKeepsTheCurrentRowAndSlot) {
  Click({6, 2});
  ASSERT_EQ(view.current_channel_row(), 2);
  const int slot = view.current_channel();
  ui.numbers = {9};
  ASSERT_TRUE(ops.Move());
  EXPECT_EQ(view.current_channel_row(), 2);
  EXPECT_EQ(view.current_channel(), slot);
  EXPECT_EQ(view.channel(slot).mServiceName(), "xzetax");
}

TEST_F(ChannelOperationsTest, MoveNumbersChannelsTheListNeverShows) {
  // A type-3 record between them takes a TV number; the renumbering that
  // ends the move keeps every TV-numbered record unique.
  ChannelRecord odd = view.channel(1);
  odd.set_mServiceFlag(0x0300);
  ChannelRecord hidden = view.channel(4);
  hidden.set_mSatId(0);
  hidden.set_mServiceFlag(0x0100);
  RenumberChannels(image);
  RebuildSatellitesInUse(image);
  Load();
  ASSERT_EQ(view.last_type_number(), 12);
  Click({0});
  ui.numbers = {3};
  ASSERT_TRUE(ops.Move());
  ExpectTablesConsistent();
  EXPECT_THAT(Names(view), ElementsAre("ZETA One", "Beta", "Alpha", "xzetax", "Gamma", "Delta", "Epsilon",
                                       "Eta", "Theta", "Iota"));
  EXPECT_THAT(Numbers(view), ElementsAre(1, 3, 4, 6, 7, 8, 9, 10, 11, 12));
  EXPECT_EQ(view.channel(1).mChannelNo(), 2);  // the type-3 record, still in its slot
  EXPECT_EQ(view.channel(4).mChannelNo(), 5);  // the one without a satellite
  // The selection asked for is row 2; Alpha is there.
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(2));
}

TEST_F(ChannelOperationsTest, MoveSelectsOnlyRowsThatExist) {
  // Two unlisted TV-numbered records make L larger than the row count.
  ChannelRecord(view.channel(1)).set_mServiceFlag(0x0300);
  ChannelRecord(view.channel(4)).set_mServiceFlag(0x0300);
  RenumberChannels(image);
  Load();
  ASSERT_EQ(view.last_type_number(), 12);
  Click({0, 1});
  ui.numbers = {11};
  ASSERT_TRUE(ops.Move());
  EXPECT_THAT(view.SelectedChannelRows(), IsEmpty());  // rows 10 and 11 do not exist
  EXPECT_EQ(view.channel_focus_row(), ViewState::kNone);
  ExpectTablesConsistent();
}

// The move as first written: marks above the capacity, a counter walk, an
// exchange sort among the listed slots; then the renumbering.
void ReferenceMove(ViewState& view, const std::vector<int>& selected, int n) {
  Image& image = view.image();
  const int k = int(selected.size());
  const int capacity = image.channel_capacity();
  const std::vector<int> rows = view.channel_rows();
  for (int i = 0; i < k; ++i)
    view.channel(rows[std::size_t(selected[std::size_t(i)])]).set_mChannelNo(std::uint16_t(capacity + n + i));
  int c = 0;
  for (int slot : rows) {
    const ChannelRecord ch = view.channel(slot);
    if (ch.mChannelNo() > capacity) {
      ch.set_mChannelNo(std::uint16_t(ch.mChannelNo() - capacity));
      continue;
    }
    if (++c == n) c = n + k;
    ch.set_mChannelNo(std::uint16_t(c));
  }
  for (std::size_t pass = 0; pass < rows.size(); ++pass)
    for (std::size_t j = 0; j + 1 < rows.size(); ++j) {
      std::uint8_t* a = view.channel(rows[j]).data();
      std::uint8_t* b = view.channel(rows[j + 1]).data();
      if (ChannelRecord(a).mChannelNo() <= ChannelRecord(b).mChannelNo()) continue;
      std::uint8_t t[ChannelRecord::kSize];
      std::memcpy(t, a, sizeof t);
      std::memcpy(a, b, sizeof t);
      std::memcpy(b, t, sizeof t);
    }
  RenumberChannels(image);
}

TEST(ChannelMove, GivesTheExchangeSortsBytes) {
  std::mt19937 rng(8);
  Image mine, reference;
  for (int round = 0; round < 200; ++round) {
    const int count = std::uniform_int_distribution<int>(1, 150)(rng);
    FillRandomTable(mine, rng, count);
    // Fill the empty records so every slot is in use, as the table promises.
    for (int s = 0; s < count; ++s)
      if (mine.Channel(s).mChannelNo() == 0) mine.Channel(s).set_mChannelNo(1);
    RenumberChannels(mine);
    std::memcpy(reference.bytes(), mine.bytes(), kMaxImageLength);
    reference.set_kind(mine.kind());
    ViewState view(mine), ref_view(reference);
    view.RebuildIndex();
    ref_view.RebuildIndex();
    view.set_image_loaded();
    if (view.channel_rows().empty()) continue;
    std::vector<int> selected;
    for (std::size_t r = 0; r < view.channel_rows().size(); ++r)
      if (rng() % 4 == 0) selected.push_back(int(r));
    if (selected.empty()) selected.push_back(0);
    const int high = view.last_type_number() - int(selected.size()) + 1;
    if (high < 1) continue;
    const int n = std::uniform_int_distribution<int>(1, high)(rng);
    view.SetChannelSelection(selected, selected.back());
    FakeUserInterface ui;
    ui.numbers.push_back(n);
    ChannelOperations(view, ui).Move();
    ReferenceMove(ref_view, selected, n);
    ASSERT_EQ(Bytes(mine), Bytes(reference)) << "round " << round;
  }
}

// --- Flags and type

TEST_F(ChannelOperationsTest, ScrambleOnThreeRowsSelectsThemAgain) {
  Click({5, 1, 8});
  const int current = view.current_channel(), current_row = view.current_channel_row();
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_SCRAMBLE));
  for (int r : {1, 5, 8}) {
    const ChannelRecord c = view.channel(view.channel_rows()[std::size_t(r)]);
    EXPECT_TRUE(c.IsScrambled()) << r;
    EXPECT_EQ(ChannelRowText(c)[5], '$') << r;
  }
  EXPECT_FALSE(view.channel(view.channel_rows()[0]).IsScrambled());
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(1, 5, 8));
  EXPECT_EQ(view.channel_focus_row(), 8);
  EXPECT_EQ(view.current_channel(), current);
  EXPECT_EQ(view.current_channel_row(), current_row);
  EXPECT_THAT(sink.events, ElementsAre("refill", "rows 1 5 8 focus 8"));
  EXPECT_FALSE(ops.FlagCommand(ID_POPUP_SCRAMBLE));  // already set: nothing changed
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_UNSCRAMBLE));
  EXPECT_FALSE(view.channel(view.channel_rows()[5]).IsScrambled());
  ExpectTablesConsistent();
}

TEST_F(ChannelOperationsTest, LockThenUnlockRestoresTheFlagWord) {
  ChannelRecord c = view.channel(view.channel_rows()[2]);
  c.set_mServiceFlag(0xF9F3 & ~kFlagLocked & ~0x0600);  // every bit but lock and radio/type-4
  const std::uint16_t flag = c.mServiceFlag();
  Click({2});
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_LOCK));
  EXPECT_EQ(c.mServiceFlag(), flag | kFlagLocked);
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_UNLOCK));
  EXPECT_EQ(c.mServiceFlag(), flag);
  EXPECT_FALSE(ops.FlagCommand(ID_POPUP_UNLOCK));
}

TEST_F(ChannelOperationsTest, ChangingTheCurrentChannelToRadio) {
  Click({3});  // xzetax, slot 5, on 1/1
  // Another transponder current: choosing the channel would bring 1/1 back.
  view.FindTransponder(1, 2);
  const int sat = view.current_satellite(), tp = view.current_transponder();
  sink.events.clear();
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_TO_RADIO));
  EXPECT_FALSE(view.tv_mode());
  EXPECT_EQ(view.channel(5).mServiceFlag(), 0x0200);
  EXPECT_THAT(Names(view), ElementsAre("Radio A", "Radio B", "xzetax", "Radio C"));
  EXPECT_THAT(Numbers(view), ElementsAre(1, 2, 3, 4));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(2));
  EXPECT_EQ(view.channel_focus_row(), 2);
  EXPECT_EQ(view.current_channel_row(), 2);
  EXPECT_EQ(view.current_channel(), 5);
  EXPECT_EQ(view.current_satellite(), sat);
  EXPECT_EQ(view.current_transponder(), tp);
  EXPECT_THAT(sink.events, ElementsAre("radio", "refill", "rows 2 focus 2"));
  ExpectTablesConsistent();
  view.SetTvMode(true);
  EXPECT_THAT(Numbers(view), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9));
}

TEST_F(ChannelOperationsTest, TypeChangeKeepsBitTenAndFindsNoRowForAnUnconvertedCurrent) {
  Click({0, 1});
  view.SetChannelSelection({0}, 0);  // ZETA One (row 1) current but not selected
  ChannelRecord alpha = view.channel(0);
  alpha.set_mServiceFlag(std::uint16_t(alpha.mServiceFlag() | 0x00F1));
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_TO_RADIO));
  EXPECT_EQ(alpha.mServiceFlag(), 0x02F1);
  EXPECT_THAT(view.SelectedChannelRows(), IsEmpty());
  EXPECT_EQ(view.current_channel(), 2);
  ExpectTablesConsistent();
  view.SetChannelSelection({0}, 0);
  EXPECT_TRUE(ops.FlagCommand(ID_POPUP_TO_TV));
  EXPECT_TRUE(view.tv_mode());
  EXPECT_EQ(alpha.mServiceFlag(), 0x01F1);
}

// --- Find

TEST_F(ChannelOperationsTest, FindWithAnEmptyTextSelectsEveryRow) {
  Click({5});
  ui.finds.push_back({true, "", false});
  ops.Find();
  EXPECT_EQ(view.SelectedChannelCount(), 10);
  EXPECT_EQ(view.current_channel_row(), 0);
  EXPECT_EQ(view.current_channel(), 0);
  EXPECT_EQ(view.channel_focus_row(), 0);
}

TEST_F(ChannelOperationsTest, FindMatchCaseAndRemembering) {
  Click({9});
  ui.finds.push_back({true, "zeta", false});
  ops.Find();
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(1, 3));
  EXPECT_EQ(view.current_channel_row(), 1);
  EXPECT_EQ(view.channel_focus_row(), 1);
  EXPECT_EQ(view.current_channel(), 2);
  EXPECT_THAT(sink.events, ElementsAre("clear", "rows 1 3 focus 1"));
  ui.finds.push_back({true, "zeta", true});
  ops.Find();
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  EXPECT_EQ(view.current_channel_row(), 3);
  ops.Find();  // cancelled: the text and the box shown again, nothing changes
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  ASSERT_EQ(ui.shown_finds.size(), 3u);
  EXPECT_EQ(ui.shown_finds[0], std::make_pair(std::string(), false));
  EXPECT_EQ(ui.shown_finds[1], std::make_pair(std::string("zeta"), false));
  EXPECT_EQ(ui.shown_finds[2], std::make_pair(std::string("zeta"), true));
  EXPECT_EQ(ops.find_text(), "zeta");
  EXPECT_TRUE(ops.match_case());
}

TEST_F(ChannelOperationsTest, FindWithNoMatchClearsTheSelectionOnly) {
  Click({2, 6});
  const int current = view.current_channel();
  ui.finds.push_back({true, "nowhere", false});
  ops.Find();
  EXPECT_THAT(view.SelectedChannelRows(), IsEmpty());
  EXPECT_EQ(view.current_channel(), current);
  EXPECT_EQ(view.current_channel_row(), 6);
  EXPECT_EQ(view.channel_focus_row(), 6);
}

TEST_F(ChannelOperationsTest, FindDoesNotChooseTheSatelliteOrTransponder) {
  Click({0});  // satellite 1, 1/1
  const int sat = view.current_satellite(), tp = view.current_transponder();
  ui.finds.push_back({true, "Beta", true});  // on satellite 2
  ops.Find();
  EXPECT_EQ(view.current_channel(), 3);
  EXPECT_EQ(view.current_satellite(), sat);
  EXPECT_EQ(view.current_transponder(), tp);
}

TEST_F(ChannelOperationsTest, FindMapsCaseOverLatin1) {
  ChannelRecord(view.channel(0)).set_mServiceName("CAF\xC9 \xDE\xF7");
  ChannelRecord(view.channel(3)).set_mServiceName("caf\xE9 \xFE\xD7");
  ChannelRecord(view.channel(6)).set_mServiceName("caf\xE9 \xFE\xF7");
  ui.finds.push_back({true, "caf\xE9 \xFE\xF7", false});
  ops.Find();
  // 0xF7 (division sign) has no capital; 0xD7 (multiplication sign) is not it.
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(0, 4));
  ui.finds.push_back({true, "\xC9", true});
  ops.Find();
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(0));
}

// --- Dispatch

TEST_F(ChannelOperationsTest, EditOperationsRunTheRoutedChannelOperation) {
  EditOperations run(view, ui);
  Click({1});
  ui.edits.push_back(Rename("Routed"));
  EXPECT_TRUE(run.Run(DispatchPopupCommand(ListId::Channel, ID_POPUP_EDIT)));
  EXPECT_EQ(view.channel(2).mServiceName(), "Routed");
  EXPECT_TRUE(run.Run(DispatchPopupCommand(ListId::Channel, ID_POPUP_LOCK)));
  EXPECT_TRUE(view.channel(2).IsLocked());
  ui.edits.push_back(Rename("Via New"));
  EXPECT_TRUE(run.Run(DispatchPopupCommand(ListId::Channel, ID_POPUP_NEW)));
  EXPECT_EQ(view.channel(13).mServiceName(), "Via New");
  ui.edits.push_back(Rename("Via Insert"));
  EXPECT_TRUE(run.Run(DispatchPopupCommand(ListId::Channel, ID_POPUP_INSERT)));
  EXPECT_EQ(view.channel(14).mServiceName(), "Via Insert");
  ui.numbers.push_back(1);
  EXPECT_TRUE(run.Run(DispatchPopupCommand(ListId::Channel, ID_POPUP_MOVETO)));
  EXPECT_EQ(view.channel(0).mServiceName(), "Via Insert");
  ui.finds.push_back({true, "Alpha", true});
  EXPECT_FALSE(run.Run(DispatchPopupCommand(ListId::Channel, ID_POPUP_FIND)));
  EXPECT_EQ(run.channels().find_text(), "Alpha");
  ui.ok_cancel.push_back(true);
  EXPECT_TRUE(run.Run(RouteKey(ID_KEY_DELETE, ListId::Channel, view)));
  EXPECT_EQ(image.mServiceCount(), 14);
  EXPECT_THAT(ui.asked, ElementsAre("Edit channel", "New channel", "Insert channel", "New channel (1-12)",
                                    "Channel Delete|Are you sure?"));
  EXPECT_FALSE(run.Run(DispatchPopupCommand(ListId::Transponder, ID_POPUP_EDIT)));
  ExpectTablesConsistent();
}

}  // namespace
}  // namespace kavor
