#include "editing/satellite_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "database/image_builder.h"
#include "database/table_check.h"
#include "editing/command_routing.h"
#include "editing/fake_user_interface.h"
#include "editing/operations.h"

namespace kavor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SatelliteUi : public FakeUserInterface {
 public:
  std::deque<std::function<bool(SatelliteRecord)>> satellite_edits;
  int satellite_dialogs = 0;
  bool EditSatellite(SatelliteRecord record) override {
    ++satellite_dialogs;
    if (satellite_edits.empty()) return false;
    auto answer = std::move(satellite_edits.front());
    satellite_edits.pop_front();
    return answer(record);
  }
};

class RecordingSink : public ViewSink {
 public:
  std::vector<std::string> events;
  void SatelliteListRefilled() override { events.push_back("satellites"); }
  void SatelliteRowSelected(int r) override { events.push_back("satellite " + std::to_string(r)); }
  void SatelliteRowRedrawn(int r) override { events.push_back("redraw satellite " + std::to_string(r)); }
  void TransponderListRefilled() override { events.push_back("transponders"); }
  void ChannelListRefilled() override { events.push_back("channels"); }
};

std::vector<std::uint8_t> Bytes(const Image& image) {
  return std::vector<std::uint8_t>(image.bytes(), image.bytes() + kMaxImageLength);
}

// (mSatId, frequency) of the transponders in use, in table order.
std::vector<std::pair<int, int>> Transponders(const Image& image) {
  std::vector<std::pair<int, int>> out;
  for (int t = 0; t < image.TpCountInUse(); ++t)
    out.emplace_back(image.Transponder(t).mSatId(), image.Transponder(t).mFrequency());
  return out;
}

// Satellites 1, 2, 3 and 7 named S1..S7, each with transponders of its own
// frequencies (3 has three, the others two) and three channels per
// transponder; the table grouped by number as the receiver keeps it.
class SatelliteOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageBuilder b(image, 3);
    for (int sat : {1, 2, 3, 7}) {
      b.NameSatellite(sat - 1, "S" + std::to_string(sat), std::uint16_t(sat * 100));
      const int tps = sat == 3 ? 3 : 2;
      for (int k = 0; k < tps; ++k) b.AddTransponder(sat, std::uint16_t(sat * 1000 + k), 27500, k % 2);
    }
    for (int n = 0; n < 30; ++n) {
      const int sat = std::array{1, 2, 3, 7}[n % 4];
      ChannelSpec fields;
      fields.name = "C" + std::to_string(n);
      fields.type = n % 5 == 4 ? kServiceTypeRadio : kServiceTypeTv;
      b.AddChannel(sat, 1 + n % (sat == 3 ? 3 : 2), fields);
    }
    b.Finish();
    view.RebuildIndex();
    view.set_image_loaded();
    view.set_sink(&sink);
    ASSERT_THAT(CheckTables(image), IsEmpty());
  }
  bool Run(Operation op, int id) { return ops.Run(Routed{op, id}); }
  bool Move(int from_row, long long to) {
    view.ChooseSatellite(from_row);
    sink.events.clear();
    ui.numbers.push_back(to);
    return Run(Operation::SatelliteMove, ID_POPUP_MOVETO);
  }

  Image image;
  ViewState view{image};
  SatelliteUi ui;
  RecordingSink sink;
  EditOperations ops{view, ui};
};

TEST_F(SatelliteOperationsTest, MoveThreeToOneRenumbersAndRegroups) {
  std::vector<std::pair<int, int>> channels;  // (mSatId, mTpNumber) by slot
  for (int n = 0; n < image.ServiceCountInUse(); ++n)
    channels.emplace_back(image.Channel(n).mSatId(), image.Channel(n).mTpNumber());
  const std::vector<std::uint8_t> sat3(image.Satellite(2).data(), image.Satellite(2).data() + 32);

  EXPECT_TRUE(Move(2, 1));
  EXPECT_EQ(ui.asked, std::vector<std::string>{"New sat. number (1-50)"});
  EXPECT_EQ(ui.shown_numbers, std::vector<long long>{3});
  std::vector<std::uint8_t> moved(image.Satellite(0).data(), image.Satellite(0).data() + 32);
  moved[0x16] = 3;  // compared with its old number
  EXPECT_EQ(moved, sat3);
  for (int k = 0; k < kSatelliteSlots; ++k) EXPECT_EQ(image.Satellite(k).mSatId(), k + 1);
  EXPECT_EQ(image.Satellite(1).mSatName(), "S1");
  EXPECT_EQ(image.Satellite(2).mSatName(), "S2");
  EXPECT_EQ(image.Satellite(6).mSatName(), "S7");
  EXPECT_THAT(Transponders(image), ElementsAre(std::pair{1, 3000}, std::pair{1, 3001}, std::pair{1, 3002},
                                               std::pair{2, 1000}, std::pair{2, 1001}, std::pair{3, 2000},
                                               std::pair{3, 2001}, std::pair{7, 7000}, std::pair{7, 7001}));
  // Each transponder keeps its number: 3000 was the first of old 3.
  for (int t = 0; t < image.TpCountInUse(); ++t)
    EXPECT_EQ(image.Transponder(t).mTpNumber(), 1 + image.Transponder(t).mFrequency() % 1000);
  const int renumbered[] = {0, 2, 3, 1, 4, 5, 6, 7};
  for (int n = 0; n < image.ServiceCountInUse(); ++n) {
    EXPECT_EQ(image.Channel(n).mSatId(), renumbered[channels[std::size_t(n)].first]) << n;
    EXPECT_EQ(image.Channel(n).mTpNumber(), channels[std::size_t(n)].second) << n;
  }
  EXPECT_THAT(CheckTables(image), IsEmpty());

  // The moved satellite selected and current, its lists recomputed.
  EXPECT_EQ(view.satellite_row(), 0);
  EXPECT_EQ(view.current_satellite(), 0);
  EXPECT_THAT(view.transponder_rows(), ElementsAre(0, 1, 2));
  ASSERT_NE(view.current_channel(), ViewState::kNone);
  const ChannelRecord first = image.Channel(view.current_channel());
  EXPECT_EQ(first.mSatId(), 1);
  EXPECT_EQ(first.mServiceName(), "C2");  // old 3's first TV channel
  const TransponderRecord tp = image.Transponder(view.current_transponder());
  EXPECT_EQ(std::pair(int(tp.mSatId()), int(tp.mTpNumber())), std::pair(1, int(first.mTpNumber())));
  EXPECT_EQ(view.channel_rows()[std::size_t(view.current_channel_row())], view.current_channel());
  EXPECT_THAT(sink.events, ElementsAre("satellites", "satellite 0", "transponders", "channels"));
}

TEST_F(SatelliteOperationsTest, MovingThereAndBackRestoresEveryByte) {
  const std::vector<std::uint8_t> original = Bytes(image);
  ASSERT_TRUE(Move(2, 1));
  ASSERT_TRUE(Move(0, 3));
  EXPECT_TRUE(Bytes(image) == original);
  ASSERT_TRUE(Move(0, 7));  // the other direction first
  EXPECT_EQ(image.Satellite(6).mSatName(), "S1");
  EXPECT_EQ(image.Satellite(5).mSatName(), "S7");
  EXPECT_THAT(CheckTables(image), IsEmpty());
  ASSERT_TRUE(Move(6, 1));
  EXPECT_TRUE(Bytes(image) == original);
}

TEST_F(SatelliteOperationsTest, SwappingNeighboursRemapsEachRecordOnce) {
  // Old 1 becomes 2 and old 2 becomes 1: a record remapped twice would end
  // where it started.
  ASSERT_TRUE(Move(0, 2));
  EXPECT_THAT(Transponders(image), ElementsAre(std::pair{1, 2000}, std::pair{1, 2001}, std::pair{2, 1000},
                                               std::pair{2, 1001}, std::pair{3, 3000}, std::pair{3, 3001},
                                               std::pair{3, 3002}, std::pair{7, 7000}, std::pair{7, 7001}));
  EXPECT_EQ(image.Channel(0).mSatId(), 2);  // channel 0 was on satellite 1
  EXPECT_EQ(image.Channel(1).mSatId(), 1);
  EXPECT_THAT(CheckTables(image), IsEmpty());
}

TEST_F(SatelliteOperationsTest, MoveUpdatesTheSatellitesInUse) {
  ASSERT_TRUE(Move(6, 50));  // 7 to 50: 8..50 move up one
  const std::uint8_t* used = image.sat_used_list();
  EXPECT_EQ(image.mSatUsedCount(), 4);
  EXPECT_THAT(std::vector<int>(used, used + 4), ElementsAre(1, 2, 3, 50));
  EXPECT_EQ(image.Satellite(49).mSatName(), "S7");
  EXPECT_THAT(CheckTables(image), IsEmpty());
}

TEST_F(SatelliteOperationsTest, MoveOntoItselfOrCancelChangesNothing) {
  const std::vector<std::uint8_t> original = Bytes(image);
  EXPECT_FALSE(Move(2, 3));
  EXPECT_EQ(ui.asked.size(), 1u);
  view.ChooseSatellite(2);
  EXPECT_FALSE(Run(Operation::SatelliteMove, ID_POPUP_MOVETO));  // nothing queued: Cancel
  EXPECT_TRUE(Bytes(image) == original);
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_EQ(view.current_satellite(), 2);
}

TEST_F(SatelliteOperationsTest, SwappingTwoEmptySlotsIsNoChange) {
  const std::vector<std::uint8_t> original = Bytes(image);
  EXPECT_FALSE(Move(19, 21));  // slots 20 and 21 hold nothing but their numbers
  EXPECT_TRUE(Bytes(image) == original);
  EXPECT_EQ(view.current_satellite(), 20);  // still selected and chosen
  EXPECT_THAT(sink.events, ElementsAre("satellites", "satellite 20", "transponders", "channels"));
}

TEST_F(SatelliteOperationsTest, OutOfRangeAsksAgainWithTheTypedNumber) {
  ui.numbers = {0, 51, -5};
  EXPECT_TRUE(Move(2, 2));
  EXPECT_THAT(ui.shown_numbers, ElementsAre(3, 0, 51, -5));
  EXPECT_EQ(image.Satellite(1).mSatName(), "S3");
  // The unchanged number after a refusal still ends the operation.
  const std::vector<std::uint8_t> now = Bytes(image);
  ui.numbers = {99};
  EXPECT_FALSE(Move(1, 2));
  EXPECT_TRUE(Bytes(image) == now);
}

TEST_F(SatelliteOperationsTest, EditRedrawsAndSelectsTheRow) {
  view.ChooseSatellite(1);
  sink.events.clear();
  ui.satellite_edits.push_back([](SatelliteRecord r) {
    r.set_mSatName("Renamed");
    return true;
  });
  EXPECT_TRUE(Run(Operation::SatelliteEdit, ID_POPUP_EDIT));
  EXPECT_EQ(image.Satellite(1).mSatName(), "Renamed");
  EXPECT_THAT(sink.events, ElementsAre("redraw satellite 1"));
  EXPECT_EQ(view.satellite_row(), 1);
  EXPECT_THAT(CheckTables(image), IsEmpty());

  // OK that kept every byte: redrawn, but no change.
  sink.events.clear();
  ui.satellite_edits.push_back([](SatelliteRecord) { return true; });
  EXPECT_FALSE(Run(Operation::SatelliteEdit, ID_POPUP_EDIT));
  EXPECT_THAT(sink.events, ElementsAre("redraw satellite 1"));

  // Cancel: nothing at all.
  sink.events.clear();
  const std::vector<std::uint8_t> before = Bytes(image);
  EXPECT_FALSE(Run(Operation::SatelliteEdit, ID_POPUP_EDIT));
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_TRUE(Bytes(image) == before);
  EXPECT_EQ(ui.satellite_dialogs, 3);
}

TEST(SatelliteOperations, NothingBeforeAnImageIsIndexed) {
  Image image;
  ViewState view(image);
  SatelliteUi ui;
  SatelliteOperations ops(view, ui);
  ui.numbers.push_back(2);
  EXPECT_FALSE(ops.Move());
  EXPECT_FALSE(ops.Edit());
  EXPECT_EQ(ui.satellite_dialogs, 0);
  EXPECT_THAT(ui.asked, IsEmpty());
}

// The renumbering exactly as the old code wrote it: a remap list searched
// from its start, the transponders sorted by exchanging neighbours.
void LiteralRenumber(Image& image) {
  std::vector<std::pair<int, int>> remap;
  for (int k = 0; k < kSatelliteSlots; ++k) {
    const SatelliteRecord sat = image.Satellite(k);
    if (sat.mSatId() != k + 1) {
      remap.emplace_back(sat.mSatId(), k + 1);
      sat.set_mSatId(std::uint8_t(k + 1));
    }
  }
  const int tp_count = image.TpCountInUse();
  if (!remap.empty()) {
    for (int t = 0; t < tp_count; ++t) {
      for (const auto& [from, to] : remap) {
        if (image.Transponder(t).mSatId() == from) {
          image.Transponder(t).set_mSatId(std::uint8_t(to));
          break;
        }
      }
    }
  }
  for (int pass = tp_count - 1; pass > 0; --pass) {
    for (int j = 0; j < pass; ++j) {
      if (image.Transponder(j).mSatId() > image.Transponder(j + 1).mSatId()) {
        std::uint8_t tmp[TransponderRecord::kSize];
        std::memcpy(tmp, image.Transponder(j).data(), sizeof tmp);
        std::memcpy(image.Transponder(j).data(), image.Transponder(j + 1).data(), sizeof tmp);
        std::memcpy(image.Transponder(j + 1).data(), tmp, sizeof tmp);
      }
    }
  }
  if (!remap.empty()) {
    for (int n = 0; n < image.ServiceCountInUse(); ++n) {
      for (const auto& [from, to] : remap) {
        if (image.Channel(n).mSatId() == from) {
          image.Channel(n).set_mSatId(std::uint8_t(to));
          break;
        }
      }
    }
  }
}

TEST(RenumberSatellites, MatchesTheExchangeSortOnRandomTables) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 40; ++round) {
    Image a, b;
    ImageBuilder(a, round % 2 ? 5 : 3).Finish();
    std::uniform_int_distribution<int> byte(0, 255);
    // Satellite numbers: a shuffled 1..50, some slots then given repeated,
    // zero or out-of-range numbers.
    std::vector<int> ids(kSatelliteSlots);
    std::iota(ids.begin(), ids.end(), 1);
    std::shuffle(ids.begin(), ids.end(), random);
    const int odd = round % 4 == 3 ? 0 : std::uniform_int_distribution<int>(0, 5)(random);
    for (int i = 0; i < odd; ++i) ids[std::size_t(byte(random) % kSatelliteSlots)] = byte(random) % 60;
    for (int k = 0; k < kSatelliteSlots; ++k) a.Satellite(k).set_mSatId(std::uint8_t(ids[std::size_t(k)]));
    // Random transponders, unsorted, with numbers also outside any slot's.
    const int tp_count = round == 0 ? kTransponderSlots : std::uniform_int_distribution<int>(0, 300)(random);
    for (int t = 0; t < tp_count; ++t) {
      for (std::size_t i = 0; i < TransponderRecord::kSize; ++i) a.Transponder(t).data()[i] = std::uint8_t(byte(random));
      a.Transponder(t).set_mSatId(std::uint8_t(byte(random) % 56));
      a.Transponder(t).set_mTpNumber(std::uint8_t(t));  // tells equal numbers apart
    }
    a.set_mTpCount(std::uint16_t(tp_count));
    const int service_count = std::uniform_int_distribution<int>(0, 400)(random);
    for (int n = 0; n < service_count; ++n) a.Channel(n).set_mSatId(std::uint8_t(byte(random) % 56));
    a.set_mServiceCount(std::uint16_t(service_count));
    std::memcpy(b.bytes(), a.bytes(), kMaxImageLength);
    b.set_kind(a.kind());

    ViewState view(a);
    view.RebuildIndex();
    RenumberSatellites(view);
    LiteralRenumber(b);
    ASSERT_EQ(std::memcmp(a.bytes(), b.bytes(), kMaxImageLength), 0) << "round " << round;
  }
}

}  // namespace
}  // namespace kavor
