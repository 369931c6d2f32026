#include "editing/transponder_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "database/image_builder.h"
#include "database/table_check.h"
#include "editing/channel_operations.h"
#include "editing/command_routing.h"
#include "editing/fake_user_interface.h"
#include "editing/operations.h"
#include "editing/transponder_form.h"

namespace kavor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using TpBytes = std::array<std::uint8_t, TransponderRecord::kSize>;

// The fake user with the transponder editor: each call records its caption
// and the record it opened on, and answers from a queue (none: Cancel).
class TransponderUi : public FakeUserInterface {
 public:
  using TpAnswer = std::function<bool(TransponderRecord)>;
  std::deque<TpAnswer> tp_edits;
  std::vector<TpBytes> tp_opened;
  bool EditTransponder(const std::string& caption, TransponderRecord record) override {
    asked.push_back(caption);
    TpBytes b;
    std::memcpy(b.data(), record.data(), b.size());
    tp_opened.push_back(b);
    if (tp_edits.empty()) return false;
    TpAnswer answer = std::move(tp_edits.front());
    tp_edits.pop_front();
    return answer(record);
  }
};

// Types into the dialog's boxes and presses OK, through the editor's own
// rules; a refused input cancels.
TransponderUi::TpAnswer Type(const std::string& frequency, const std::string& symbol_rate,
                             int polarity = 0, int fec = 0) {
  return [=](TransponderRecord record) {
    TransponderForm form = LoadTransponderForm(record);
    form.frequency = frequency;
    form.symbol_rate = symbol_rate;
    form.polarity = polarity;
    form.fec = fec;
    if (ValidateTransponderForm(form)) return false;
    ApplyTransponderForm(form, record);
    return true;
  };
}

class RecordingSink : public ViewSink {
 public:
  std::vector<std::string> events;
  void TransponderListRefilled() override { events.push_back("tp refill"); }
  void TransponderRowSelected(int r) override { events.push_back("tp select " + std::to_string(r)); }
  void TransponderRowRedrawn(int r) override { events.push_back("tp redraw " + std::to_string(r)); }
  void ChannelListRefilled() override { events.push_back("ch refill"); }
};

// Satellite 1: five transponders; 2: three; 3: none; 4: one unlisted record
// (frequency and symbol rate 0); 5: an unlisted record, then two listed;
// 7: two. Every transponder, the unlisted ones too, carries channels named
// after it: "s2t3a" is a TV channel of satellite 2's third record.
class TransponderOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageBuilder b(image, 3);
    const struct {
      int sat;
      std::uint16_t frequency, symbol_rate;
    } tps[] = {
        {1, 10700, 27500}, {1, 10800, 22000}, {1, 10900, 27500}, {1, 11000, 22000}, {1, 11100, 27500},
        {2, 11200, 27500}, {2, 11300, 22000}, {2, 11400, 27500},
        {4, 0, 0},
        {5, 0, 0},         {5, 12100, 27500}, {5, 12200, 27500},
        {7, 12500, 27500}, {7, 12600, 27500},
    };
    for (const auto& t : tps) {
      const int number = b.AddTransponder(t.sat, t.frequency, t.symbol_rate, t.frequency % 200 == 0);
      tp_numbers[t.sat] = number;
    }
    // Channels interleaved across satellites, two per transponder (TV, radio).
    for (const char kind : {'a', 'b'}) {
      for (const auto& [sat, count] : tp_numbers) {
        for (int tp = 1; tp <= count; ++tp) {
          const std::string name = "s" + std::to_string(sat) + "t" + std::to_string(tp) + kind;
          b.AddChannel(sat, tp, {kind == 'a' ? kServiceTypeTv : kServiceTypeRadio, name});
        }
      }
    }
    b.Finish();
    ASSERT_THAT(CheckTables(image), IsEmpty());
    view.set_sink(&sink);
    view.RebuildIndex();
    view.set_image_loaded();
  }

  void ChooseSatellite(int sat_id) {
    view.ChooseSatellite(sat_id - 1);
    sink.events.clear();
  }
  void ChooseRow(int row) {
    view.ChooseTransponder(row);
    sink.events.clear();
  }

  // What every channel in use refers to: its name -> (satellite, frequency
  // and symbol rate of its transponder, or -1 when it refers to none).
  std::map<std::string, std::pair<int, long>> References() const {
    std::map<std::string, std::pair<int, long>> refs;
    const int count = image.ServiceCountInUse();
    for (int n = 0; n < count; ++n) {
      const ChannelRecord c = image.Channel(n);
      long key = -1;
      for (int t = 0; t < image.TpCountInUse(); ++t) {
        const TransponderRecord tp = image.Transponder(t);
        if (tp.mSatId() == c.mSatId() && tp.mTpNumber() == c.mTpNumber()) {
          key = long(tp.mFrequency()) * 100000 + tp.mSymbolRate();
          break;
        }
      }
      refs[c.mServiceName()] = {c.mSatId(), key};
    }
    return refs;
  }
  // The satellite's records in table order as (frequency, number).
  std::vector<std::pair<int, int>> Records(int sat_id) const {
    std::vector<std::pair<int, int>> out;
    for (int t = 0; t < image.TpCountInUse(); ++t) {
      const TransponderRecord tp = image.Transponder(t);
      if (tp.mSatId() == sat_id) out.push_back({tp.mFrequency(), tp.mTpNumber()});
    }
    return out;
  }
  std::vector<std::uint8_t> Bytes() const {
    return std::vector<std::uint8_t>(image.bytes(), image.bytes() + kMaxImageLength);
  }
  int CurrentFrequency() const {
    return view.current_transponder() == ViewState::kNone
               ? -1
               : view.transponder(view.current_transponder()).mFrequency();
  }
  void ExpectTablesConsistent() { EXPECT_THAT(CheckTables(image), IsEmpty()); }
  bool MenuEnabled(const std::string& text) const {
    for (const MenuItem& item : BuildPopup(ListId::Transponder, view))
      if (item.text == text) return item.enabled;
    ADD_FAILURE() << "no item " << text;
    return false;
  }

  std::map<int, int> tp_numbers;  // satellite id -> records
  Image image;
  ViewState view{image};
  RecordingSink sink;
  TransponderUi ui;
  TransponderOperations ops{view, ui};
};

// --- RenumberTransponders

TEST_F(TransponderOperationsTest, RenumberingMovesEachChannelOnceThroughTheFirstPair) {
  ChooseSatellite(2);
  // Numbers swapped in the table: 2, 1, 3. The channels of 1 and 2 swap too,
  // each exactly once; satellite 1's channels with the same numbers stay.
  view.transponder(5).set_mTpNumber(2);
  view.transponder(6).set_mTpNumber(1);
  const auto before = References();
  RenumberTransponders(view);
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11200, 1}, std::pair{11300, 2}, std::pair{11400, 3}));
  const auto after = References();
  for (const auto& [name, ref] : before) {
    if (name.rfind("s2t1", 0) == 0) {
      EXPECT_EQ(after.at(name).second, 11300L * 100000 + 22000) << name;
    } else if (name.rfind("s2t2", 0) == 0) {
      EXPECT_EQ(after.at(name).second, 11200L * 100000 + 27500) << name;
    } else {
      EXPECT_EQ(after.at(name), ref) << name;
    }
  }
}

TEST_F(TransponderOperationsTest, RenumberingUsesTheFirstPairOfAnOldNumber) {
  ChooseSatellite(2);
  // Numbers 2, 1, 2 give the pairs (2,1), (1,2), (2,3): a channel of
  // number 2 takes the first, and no channel is moved twice.
  view.transponder(5).set_mTpNumber(2);
  view.transponder(6).set_mTpNumber(1);
  view.transponder(7).set_mTpNumber(2);
  RenumberTransponders(view);
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11200, 1}, std::pair{11300, 2}, std::pair{11400, 3}));
  std::map<std::string, int> numbers;
  for (int n = 0; n < image.ServiceCountInUse(); ++n)
    if (image.Channel(n).mSatId() == 2) numbers[image.Channel(n).mServiceName()] = image.Channel(n).mTpNumber();
  EXPECT_EQ(numbers["s2t1a"], 2);  // was on 1
  EXPECT_EQ(numbers["s2t2a"], 1);  // was on 2
  EXPECT_EQ(numbers["s2t3a"], 3);  // 3 is in no pair
}

TEST_F(TransponderOperationsTest, RenumberingChangesNothingWhenTheNumbersAreRight) {
  ChooseSatellite(5);
  const auto before = Bytes();
  RenumberTransponders(view);
  EXPECT_EQ(Bytes(), before);
}

// --- Edit

TEST_F(TransponderOperationsTest, EditWritesTheRecordRedrawsItsRowAndSelectsItAgain) {
  ChooseSatellite(1);
  ChooseRow(2);
  const int channel = view.current_channel();
  const auto refs = References();
  ui.tp_edits.push_back(Type("11778", "27500", 1, 3));
  EXPECT_TRUE(ops.Edit());
  EXPECT_THAT(ui.asked, ElementsAre("Edit transponder"));
  const TransponderRecord tp = view.transponder(2);
  EXPECT_EQ(tp.mFrequency(), 11778);
  EXPECT_EQ(tp.mTpFlag(), 0x08 | 3);
  EXPECT_EQ(tp.mTpNumber(), 3);
  EXPECT_THAT(sink.events, ElementsAre("tp redraw 2", "tp select 2"));
  EXPECT_EQ(view.transponder_row(), 2);
  EXPECT_EQ(view.current_transponder(), 2);
  EXPECT_EQ(view.current_channel(), channel);  // the channel selection stays
  auto expected = refs;
  for (auto& [name, ref] : expected)
    if (name.rfind("s1t3", 0) == 0) ref.second = 11778L * 100000 + 27500;
  EXPECT_EQ(References(), expected);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, EditCancelledOrUnchangedReportsNoChange) {
  ChooseSatellite(1);
  ChooseRow(1);
  const auto before = Bytes();
  EXPECT_FALSE(ops.Edit());  // Cancel
  EXPECT_EQ(Bytes(), before);
  EXPECT_THAT(sink.events, IsEmpty());
  ui.tp_edits.push_back(Type("10800", "22000", 1, 0));  // what it showed
  EXPECT_FALSE(ops.Edit());
  EXPECT_EQ(Bytes(), before);
  EXPECT_THAT(sink.events, ElementsAre("tp redraw 1", "tp select 1"));
}

// --- New, Insert, Import

TEST_F(TransponderOperationsTest, NewOnThreeTranspondersBecomesNumberFourAtTheGroupsEnd) {
  ChooseSatellite(2);
  ChooseRow(1);
  const auto refs = References();
  const int count = image.mTpCount();
  ui.tp_edits.push_back(Type("11500", "30000", 1, 2));
  EXPECT_TRUE(ops.Add(AddKind::New));
  ASSERT_THAT(ui.asked, ElementsAre("New transponder"));
  // The dialog opened on zeros but for the satellite and the number.
  TpBytes opened{};
  opened[0x0C] = 2;
  opened[0x0D] = 4;
  EXPECT_EQ(ui.tp_opened[0], opened);
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11200, 1}, std::pair{11300, 2}, std::pair{11400, 3},
                                      std::pair{11500, 4}));
  EXPECT_EQ(image.mTpCount(), count + 1);
  EXPECT_EQ(image.Transponder(8).mFrequency(), 11500);
  EXPECT_EQ(image.Transponder(8).mTpFlag(), 0x08 | 2);
  EXPECT_EQ(image.Transponder(9).mSatId(), 4);  // the rest moved up one slot
  EXPECT_EQ(References(), refs);                // no channel changed its transponder
  EXPECT_EQ(view.transponder_row(), 3);
  EXPECT_EQ(view.current_transponder(), 8);
  EXPECT_EQ(view.SelectedChannelCount(), 0);  // the new one has no channel
  EXPECT_THAT(sink.events, ElementsAre("ch refill", "tp refill", "tp select 0", "tp select 3"));
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, NewOrInsertCancelledChangesNothing) {
  ChooseSatellite(2);
  const auto before = Bytes();
  EXPECT_FALSE(ops.Add(AddKind::New));
  ui.tp_edits.push_back(Type("0", "27500"));  // refused: the user gives up
  EXPECT_FALSE(ops.Add(AddKind::Insert));
  EXPECT_THAT(ui.asked, ElementsAre("New transponder", "Insert transponder"));
  EXPECT_EQ(Bytes(), before);
  EXPECT_THAT(sink.events, IsEmpty());
}

TEST_F(TransponderOperationsTest, InsertAfterTheThirdRenumbersTheRestAndTheirChannels) {
  ChooseSatellite(1);
  ChooseRow(2);
  const auto refs = References();
  ui.tp_edits.push_back(Type("10950", "27500"));
  EXPECT_TRUE(ops.Add(AddKind::Insert));
  ASSERT_THAT(ui.asked, ElementsAre("Insert transponder"));
  TpBytes third;
  std::memcpy(third.data(), image.Transponder(2).data(), third.size());
  EXPECT_EQ(ui.tp_opened[0], third);  // a copy of all 16 bytes of the selected one
  EXPECT_THAT(Records(1), ElementsAre(std::pair{10700, 1}, std::pair{10800, 2}, std::pair{10900, 3},
                                      std::pair{10950, 4}, std::pair{11000, 5}, std::pair{11100, 6}));
  EXPECT_EQ(References(), refs);  // old 4 and 5 took their channels to 5 and 6
  EXPECT_EQ(view.transponder_row(), 3);
  EXPECT_EQ(view.current_transponder(), 3);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, ImportAddsTheRecordWithoutADialogNumberedAsItWillStand) {
  ChooseSatellite(7);
  TpBytes record{};
  TransponderRecord r(record.data());
  r.set_mSatId(7);
  r.set_mTpNumber(3);
  r.set_mFrequency(12700);
  r.set_mSymbolRate(27500);
  r.set_mNetworkId(0x1234);
  r.set_mTpId(0x0456);
  r.set_mTpFlag(0x08);
  const auto place = PlaceNewTransponder(view, AddKind::Import);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->number, 3);
  EXPECT_TRUE(ops.Add(AddKind::Import, record.data()));
  EXPECT_THAT(ui.asked, IsEmpty());
  const TransponderRecord added = view.transponder(place->slot);
  EXPECT_EQ(std::memcmp(added.data(), record.data(), record.size()), 0);
  EXPECT_EQ(view.transponder_row(), 2);
  EXPECT_EQ(view.current_transponder(), place->slot);
  ExpectTablesConsistent();
}

// --- Delete

TEST_F(TransponderOperationsTest, DeletingTwoOfThreeTakesExactlyItsChannels) {
  ChooseSatellite(2);
  ChooseRow(1);
  const auto refs = References();
  const int count = image.mTpCount();
  const int services = image.mServiceCount();
  ui.ok_cancel.push_back(true);
  EXPECT_TRUE(ops.DeleteWithConfirmation());
  EXPECT_THAT(ui.asked, ElementsAre("Transponder Delete|Are you sure?"));
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11200, 1}, std::pair{11400, 2}));
  EXPECT_EQ(image.mTpCount(), count - 1);
  EXPECT_EQ(image.mServiceCount(), services - 2);
  TpBytes zero{};
  EXPECT_EQ(std::memcmp(image.Transponder(count - 1).data(), zero.data(), zero.size()), 0);
  auto expected = refs;
  expected.erase("s2t2a");
  expected.erase("s2t2b");
  EXPECT_EQ(References(), expected);  // s2t3 went to number 2 with its transponder
  EXPECT_EQ(view.transponder_row(), 0);
  EXPECT_EQ(view.current_transponder(), 5);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, DeleteNotConfirmedChangesNothing) {
  ChooseSatellite(2);
  ChooseRow(1);
  const auto before = Bytes();
  EXPECT_FALSE(ops.DeleteWithConfirmation());
  EXPECT_EQ(Bytes(), before);
  EXPECT_THAT(sink.events, IsEmpty());
}

TEST_F(TransponderOperationsTest, DeletingTheLastRecordOfTheTableZeroesItsSlot) {
  ChooseSatellite(7);
  ChooseRow(1);
  const int count = image.mTpCount();
  ui.ok_cancel.push_back(true);
  EXPECT_TRUE(ops.DeleteWithConfirmation());
  EXPECT_EQ(image.mTpCount(), count - 1);
  TpBytes zero{};
  EXPECT_EQ(std::memcmp(image.Transponder(count - 1).data(), zero.data(), zero.size()), 0);
  EXPECT_THAT(Records(7), ElementsAre(std::pair{12500, 1}));
  ExpectTablesConsistent();
}

// --- Move

TEST_F(TransponderOperationsTest, MoveThreeToOneAndBack) {
  ChooseSatellite(2);
  ChooseRow(2);
  const auto refs = References();
  const auto original = Bytes();
  ui.numbers.push_back(1);
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(ui.asked, ElementsAre("New transponder (1-3)"));
  EXPECT_THAT(ui.shown_numbers, ElementsAre(3));
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11400, 1}, std::pair{11200, 2}, std::pair{11300, 3}));
  EXPECT_EQ(References(), refs);
  EXPECT_EQ(view.transponder_row(), 0);
  EXPECT_EQ(CurrentFrequency(), 11400);
  ASSERT_NE(view.current_channel(), ViewState::kNone);
  // Chosen: after the refill its first channel is selected and focused again.
  EXPECT_EQ(view.channel(view.current_channel()).mServiceName(), "s2t3a");
  EXPECT_EQ(view.SelectedChannelCount(), 1);
  EXPECT_EQ(view.channel_focus_row(), view.current_channel_row());
  EXPECT_TRUE(view.IsChannelRowSelected(view.current_channel_row()));
  ExpectTablesConsistent();

  ui.numbers.push_back(3);
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(ui.shown_numbers, ElementsAre(3, 1));
  EXPECT_EQ(Bytes(), original);
  EXPECT_EQ(view.transponder_row(), 2);
  EXPECT_EQ(CurrentFrequency(), 11400);
}

TEST_F(TransponderOperationsTest, MoveDownwardsShiftsTheRowsBetween) {
  ChooseSatellite(1);
  ChooseRow(0);
  const auto refs = References();
  ui.numbers.push_back(4);
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(Records(1), ElementsAre(std::pair{10800, 1}, std::pair{10900, 2}, std::pair{11000, 3},
                                      std::pair{10700, 4}, std::pair{11100, 5}));
  EXPECT_EQ(References(), refs);
  EXPECT_EQ(view.transponder_row(), 3);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, MoveOntoItsOwnPositionOrCancelledChangesNothing) {
  ChooseSatellite(2);
  ChooseRow(1);
  const auto before = Bytes();
  ui.numbers.push_back(2);
  EXPECT_FALSE(ops.Move());
  EXPECT_FALSE(ops.Move());  // Cancel
  EXPECT_EQ(Bytes(), before);
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_EQ(view.transponder_row(), 1);
}

TEST_F(TransponderOperationsTest, MoveOutOfRangeAsksAgainWithTheTypedNumber) {
  ChooseSatellite(2);
  ChooseRow(0);
  ui.numbers = {0, 4, -7, 3};
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(ui.shown_numbers, ElementsAre(1, 0, 4, -7));
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11300, 1}, std::pair{11400, 2}, std::pair{11200, 3}));
  ui.numbers = {9};  // then Cancel
  EXPECT_FALSE(ops.Move());
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, MovingTranspondersWithoutChannelsIsAChange) {
  ChooseSatellite(3);
  ui.tp_edits.push_back(Type("11800", "27500"));
  ui.tp_edits.push_back(Type("11900", "27500"));
  ASSERT_TRUE(ops.Add(AddKind::New));
  ASSERT_TRUE(ops.Add(AddKind::New));
  ui.numbers.push_back(1);
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(Records(3), ElementsAre(std::pair{11900, 1}, std::pair{11800, 2}));
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, DeletingATransponderWithOneChannelTakesIt) {
  ChooseSatellite(7);
  int slot = -1;
  for (int n = 0; n < image.ServiceCountInUse(); ++n)
    if (image.Channel(n).mServiceName() == "s7t1b") slot = n;
  DeleteChannels(view, {slot}, true);
  view.RefillChannelList();
  ChooseRow(0);
  const auto refs = References();
  ui.ok_cancel.push_back(true);
  EXPECT_TRUE(ops.DeleteWithConfirmation());
  auto expected = refs;
  expected.erase("s7t1a");
  EXPECT_EQ(References(), expected);
  ExpectTablesConsistent();
}

// --- The 1020 limit and the 255 records of one satellite

TEST_F(TransponderOperationsTest, AFullTableOffersNoNewOrInsertAndAddsNone) {
  ChooseSatellite(7);
  // Fill the table with records of satellites 8, 9 ... after the last group.
  const int count = image.mTpCount();
  for (int t = count; t < kTransponderSlots; ++t) {
    const int k = t - count;
    view.transponder(t).set_mFrequency(10000);
    view.transponder(t).set_mSatId(std::uint8_t(8 + k / 100));
    view.transponder(t).set_mTpNumber(std::uint8_t(k % 100 + 1));
  }
  image.set_mTpCount(kTransponderSlots);
  ASSERT_THAT(CheckTables(image), IsEmpty());
  EXPECT_FALSE(MenuEnabled("New"));
  EXPECT_FALSE(MenuEnabled("Insert"));
  EXPECT_TRUE(MenuEnabled("Edit\t[Enter]"));
  const auto before = Bytes();
  ui.tp_edits.push_back(Type("12700", "27500"));
  EXPECT_FALSE(ops.Add(AddKind::New));
  TpBytes record{};
  TransponderRecord(record.data()).set_mSatId(7);
  TransponderRecord(record.data()).set_mFrequency(12700);
  EXPECT_FALSE(ops.Add(AddKind::Import, record.data()));
  EXPECT_THAT(ui.asked, IsEmpty());
  EXPECT_EQ(Bytes(), before);

  ui.ok_cancel.push_back(true);
  ASSERT_TRUE(ops.DeleteWithConfirmation());  // one free slot again
  EXPECT_TRUE(MenuEnabled("New"));
  EXPECT_TRUE(MenuEnabled("Insert"));
}

TEST_F(TransponderOperationsTest, ASatelliteHoldsAtMost255Records) {
  ChooseSatellite(3);
  TpBytes record{};
  const TransponderRecord r(record.data());
  r.set_mSatId(3);
  r.set_mSymbolRate(27500);
  for (int k = 0; k < 254; ++k) {
    r.set_mFrequency(std::uint16_t(10000 + k));
    ASSERT_TRUE(ops.Add(AddKind::Import, record.data())) << k;
  }
  EXPECT_TRUE(MenuEnabled("New"));
  EXPECT_TRUE(MenuEnabled("Insert"));
  r.set_mFrequency(20000);
  EXPECT_TRUE(ops.Add(AddKind::Import, record.data()));
  EXPECT_EQ(CountSatelliteTransponders(view), 255);
  EXPECT_EQ(view.transponder(view.current_transponder()).mTpNumber(), 255);
  ExpectTablesConsistent();
  EXPECT_FALSE(MenuEnabled("New"));
  EXPECT_FALSE(MenuEnabled("Insert"));
  EXPECT_TRUE(MenuEnabled("Delete\t[Del]"));
  const auto before = Bytes();
  r.set_mFrequency(20001);
  EXPECT_FALSE(ops.Add(AddKind::Import, record.data()));
  ui.tp_edits.push_back(Type("20002", "27500"));
  EXPECT_FALSE(ops.Add(AddKind::New));
  EXPECT_FALSE(ops.Add(AddKind::Insert));
  EXPECT_THAT(ui.asked, IsEmpty());
  EXPECT_EQ(Bytes(), before);
  ui.ok_cancel.push_back(true);
  ASSERT_TRUE(ops.DeleteWithConfirmation());
  EXPECT_TRUE(MenuEnabled("New"));
  ChooseSatellite(1);
  EXPECT_TRUE(MenuEnabled("New"));  // another satellite has room
}

TEST_F(TransponderOperationsTest, UnlistedRecordsCountTowardsThe255) {
  ChooseSatellite(4);  // one unlisted record
  for (int k = 0; k < 254; ++k) {
    ui.tp_edits.push_back(Type(std::to_string(10000 + k), "27500"));
    ASSERT_TRUE(ops.Add(AddKind::New)) << k;
  }
  EXPECT_EQ(view.transponder_rows().size(), 254u);
  EXPECT_FALSE(MenuEnabled("New"));
  ExpectTablesConsistent();
}

// --- No listed transponder (N = 0)

TEST_F(TransponderOperationsTest, NewOnASatelliteWithoutRecordsKeepsTheTableGrouped) {
  ChooseSatellite(3);
  ASSERT_TRUE(view.transponder_rows().empty());
  const auto refs = References();
  EXPECT_FALSE(MenuEnabled("Insert"));  // no row to copy or insert after
  EXPECT_TRUE(MenuEnabled("New"));
  ui.tp_edits.push_back(Type("11900", "27500"));
  EXPECT_TRUE(ops.Add(AddKind::New));
  // In front of satellite 4's first record, slot 8.
  EXPECT_EQ(image.Transponder(8).mSatId(), 3);
  EXPECT_EQ(image.Transponder(8).mTpNumber(), 1);
  EXPECT_EQ(image.Transponder(9).mSatId(), 4);
  EXPECT_EQ(References(), refs);
  EXPECT_EQ(view.transponder_row(), 0);
  EXPECT_EQ(view.current_transponder(), 8);
  EXPECT_TRUE(MenuEnabled("Insert"));
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, ImportOnTheLastSatelliteGoesToTheTablesEnd) {
  ChooseSatellite(50);
  const int count = image.mTpCount();
  TpBytes record{};
  const TransponderRecord r(record.data());
  r.set_mSatId(50);
  r.set_mTpNumber(1);
  r.set_mFrequency(11000);
  const auto place = PlaceNewTransponder(view, AddKind::Import);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->slot, count);
  EXPECT_EQ(place->number, 1);
  EXPECT_TRUE(ops.Add(AddKind::Import, record.data()));
  EXPECT_EQ(image.Transponder(count).mSatId(), 50);
  EXPECT_EQ(view.transponder_row(), 0);
  EXPECT_EQ(view.current_transponder(), count);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, NewInFrontOfTheSatellitesUnlistedRecord) {
  ChooseSatellite(4);
  const auto refs = References();
  ui.tp_edits.push_back(Type("11950", "27500"));
  EXPECT_TRUE(ops.Add(AddKind::New));
  // The new record is number 1; the unlisted one and its channels are 2.
  EXPECT_THAT(Records(4), ElementsAre(std::pair{11950, 1}, std::pair{0, 2}));
  EXPECT_EQ(References(), refs);
  EXPECT_EQ(view.transponder_row(), 0);
  EXPECT_EQ(CurrentFrequency(), 11950);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, InsertWithoutARowAddsNothing) {
  ChooseSatellite(3);
  ui.tp_edits.push_back(Type("11900", "27500"));
  const auto before = Bytes();
  EXPECT_FALSE(ops.Add(AddKind::Insert));
  EXPECT_FALSE(PlaceNewTransponder(view, AddKind::Insert));
  EXPECT_THAT(ui.asked, IsEmpty());
  EXPECT_EQ(Bytes(), before);
}

// --- An unlisted record in front of listed ones: rows are not numbers

TEST_F(TransponderOperationsTest, DeleteRemovesTheChannelsOfTheSelectedRecordsOwnNumber) {
  ChooseSatellite(5);
  ChooseRow(0);  // 12100, number 2
  const auto refs = References();
  ui.ok_cancel.push_back(true);
  EXPECT_TRUE(ops.DeleteWithConfirmation());
  auto expected = refs;
  expected.erase("s5t2a");
  expected.erase("s5t2b");
  EXPECT_EQ(References(), expected);  // the unlisted record's channels stay
  EXPECT_THAT(Records(5), ElementsAre(std::pair{0, 1}, std::pair{12200, 2}));
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, NewAfterAnUnlistedRecordMovesNoChannels) {
  ChooseSatellite(5);
  const auto refs = References();
  ASSERT_EQ(PlaceNewTransponder(view, AddKind::New)->number, 4);
  ui.tp_edits.push_back(Type("12300", "27500"));
  EXPECT_TRUE(ops.Add(AddKind::New));
  EXPECT_EQ(ui.tp_opened[0][0x0D], 4);
  EXPECT_THAT(Records(5), ElementsAre(std::pair{0, 1}, std::pair{12100, 2}, std::pair{12200, 3},
                                      std::pair{12300, 4}));
  EXPECT_EQ(References(), refs);
  EXPECT_EQ(view.transponder_row(), 2);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, InsertAfterAnUnlistedRecordMovesNoChannels) {
  ChooseSatellite(5);
  ChooseRow(0);
  const auto refs = References();
  ui.tp_edits.push_back(Type("12150", "27500"));
  EXPECT_TRUE(ops.Add(AddKind::Insert));
  EXPECT_THAT(Records(5), ElementsAre(std::pair{0, 1}, std::pair{12100, 2}, std::pair{12150, 3},
                                      std::pair{12200, 4}));
  EXPECT_EQ(References(), refs);
  EXPECT_EQ(view.transponder_row(), 1);
  EXPECT_EQ(CurrentFrequency(), 12150);
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, ImportAfterAnUnlistedRecordIsNumberedAsItStands) {
  ChooseSatellite(5);
  const auto refs = References();
  TpBytes record{};
  const TransponderRecord r(record.data());
  r.set_mSatId(5);
  r.set_mTpNumber(3);  // N + 1, as the import builds it
  r.set_mFrequency(12300);
  EXPECT_TRUE(ops.Add(AddKind::Import, record.data()));
  EXPECT_EQ(view.transponder(view.current_transponder()).mTpNumber(), 4);
  EXPECT_EQ(References(), refs);  // 12200's channels stay on 12200
  ExpectTablesConsistent();
}

TEST_F(TransponderOperationsTest, MoveAmongListedRowsLeavesTheUnlistedRecordInPlace) {
  ChooseSatellite(5);
  ChooseRow(1);
  const auto refs = References();
  ui.numbers.push_back(1);
  EXPECT_TRUE(ops.Move());
  EXPECT_THAT(ui.asked, ElementsAre("New transponder (1-2)"));
  EXPECT_THAT(Records(5), ElementsAre(std::pair{0, 1}, std::pair{12200, 2}, std::pair{12100, 3}));
  EXPECT_EQ(References(), refs);
  ExpectTablesConsistent();
}

// --- Dispatch

TEST_F(TransponderOperationsTest, TheTransponderCommandsReachTheirOperations) {
  TransponderUi ui2;
  EditOperations run(view, ui2);
  ChooseSatellite(2);
  ChooseRow(2);
  run.Run(DispatchPopupCommand(ListId::Transponder, ID_POPUP_EDIT));
  run.Run(DispatchPopupCommand(ListId::Transponder, ID_POPUP_NEW));
  run.Run(DispatchPopupCommand(ListId::Transponder, ID_POPUP_INSERT));
  run.Run(DispatchPopupCommand(ListId::Transponder, ID_KEY_DELETE));
  run.Run(DispatchPopupCommand(ListId::Transponder, ID_POPUP_MOVETO));
  EXPECT_THAT(ui2.asked, ElementsAre("Edit transponder", "New transponder", "Insert transponder",
                                     "Transponder Delete|Are you sure?", "New transponder (1-3)"));
  ui2.ok_cancel.push_back(true);
  EXPECT_TRUE(run.Run(RouteKey(ID_KEY_DELETE, ListId::Transponder, view)));
  EXPECT_THAT(Records(2), ElementsAre(std::pair{11200, 1}, std::pair{11300, 2}));
}

}  // namespace
}  // namespace kavor
