#include "database/view_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "database/image_builder.h"

namespace kavor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Records what the form would be told, as short strings.
class RecordingSink : public ViewSink {
 public:
  std::vector<std::string> events;
  void SatelliteListRefilled() override { events.push_back("sat-refill"); }
  void TransponderListRefilled() override { events.push_back("tp-refill"); }
  void ChannelListRefilled() override { events.push_back("ch-refill"); }
  void SatelliteRowSelected(int r) override { events.push_back("sat " + std::to_string(r)); }
  void TransponderRowSelected(int r) override { events.push_back("tp " + std::to_string(r)); }
  void ChannelSelectionCleared() override { events.push_back("ch-clear"); }
  void ChannelRowSelected(int r) override { events.push_back("ch " + std::to_string(r)); }
  void ModeButtonsChanged(bool tv) override { events.push_back(tv ? "tv" : "radio"); }
};

// Satellite slot 0 (id 1): two transponders, a radio and a TV channel.
// Slot 1 (id 2): three transponders, the third hidden (frequency and symbol
// rate 0); TV channels come first in the table. Slot 2 (id 3): nothing.
//
//   transponder slots: 0 = 1/1, 1 = 1/2, 2 = 2/1, 3 = 2/2, 4 = 2/3 (hidden)
//   channel slots:     0 TV 2/1, 1 TV 2/2, 2 radio 1/1, 3 TV 2/3, 4 TV 1/2, 5 radio 2/1
class ViewStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageBuilder b(image, 3);
    b.AddTransponder(1, 10700, 27500, false);
    b.AddTransponder(1, 10800, 22000, true);
    b.AddTransponder(2, 11000, 27500, false);
    b.AddTransponder(2, 11100, 27500, true);
    b.AddTransponder(2, 0, 0, false);
    b.AddChannel(2, 1, {kServiceTypeTv, "A"});
    b.AddChannel(2, 2, {kServiceTypeTv, "B"});
    b.AddChannel(1, 1, {kServiceTypeRadio, "R1"});
    b.AddChannel(2, 3, {kServiceTypeTv, "H"});
    b.AddChannel(1, 2, {kServiceTypeTv, "C"});
    b.AddChannel(2, 1, {kServiceTypeRadio, "R2"});
    b.Finish();
    view.set_sink(&sink);
    view.RebuildIndex();
    view.set_image_loaded();
    sink.events.clear();
  }
  Image image;
  ViewState view{image};
  RecordingSink sink;
};

TEST_F(ViewStateTest, ResetViewsFollowsTheFirstListedChannel) {
  sink.events.clear();
  view.ResetViews();
  // The first TV channel is on satellite slot 1, not slot 0.
  EXPECT_EQ(view.current_satellite(), 1);
  EXPECT_EQ(view.satellite_row(), 1);
  EXPECT_THAT(view.transponder_rows(), ElementsAre(2, 3));  // hidden slot 4 not listed
  EXPECT_EQ(view.current_transponder(), 2);
  EXPECT_THAT(view.channel_rows(), ElementsAre(0, 1, 3, 4));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(0));
  EXPECT_EQ(view.current_channel(), 0);
  EXPECT_EQ(view.channel_focus_row(), 0);
  EXPECT_THAT(sink.events,
              ElementsAre("sat-refill", "sat 0", "tp-refill", "tp 0", "ch-refill", "tv", "sat 1",
                          "tp-refill", "tp 0", "tp 0", "ch 0"));
}

TEST_F(ViewStateTest, EmptyImageLeavesNothingSelected) {
  Image empty;
  ImageBuilder(empty, 5).Finish();
  ViewState v(empty);
  v.RebuildIndex();
  EXPECT_EQ(v.current_satellite(), 0);
  EXPECT_EQ(v.current_transponder(), ViewState::kNone);
  EXPECT_THAT(v.channel_rows(), IsEmpty());
  EXPECT_EQ(v.current_channel(), ViewState::kNone);
  v.SelectFirstChannelOfTransponder();  // no current transponder: nothing happens
  EXPECT_EQ(v.SelectedChannelCount(), 0);
}

TEST_F(ViewStateTest, HiddenTransponderNeverBecomesCurrent) {
  view.SetChannelSelection({2}, 2);
  view.ChooseChannel(2);  // channel "H" on the hidden transponder 2/3
  EXPECT_EQ(view.current_channel(), 3);
  EXPECT_NE(view.current_transponder(), 4);
  EXPECT_EQ(view.transponder_row(), 0);
  EXPECT_EQ(view.current_transponder(), 2);
}

TEST_F(ViewStateTest, ChoosingAChannelOfAnotherSatelliteFollowsIt) {
  view.SetChannelSelection({3}, 3);
  view.ChooseChannel(3);  // "C" on satellite 1, transponder 2
  EXPECT_EQ(view.current_satellite(), 0);
  EXPECT_THAT(view.transponder_rows(), ElementsAre(0, 1));
  EXPECT_EQ(view.current_transponder(), 1);
  EXPECT_EQ(view.transponder_row(), 1);
  EXPECT_THAT(view.channel_rows(), ElementsAre(0, 1, 3, 4));  // not refiltered
}

TEST_F(ViewStateTest, ChooseTransponderSelectsItsFirstChannel) {
  view.ChooseTransponder(1);  // 2/2
  EXPECT_EQ(view.current_transponder(), 3);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(1));
  EXPECT_EQ(view.current_channel(), 1);
}

TEST_F(ViewStateTest, ChooseSatelliteSelectsItsFirstChannel) {
  view.ChooseSatellite(0);
  EXPECT_THAT(view.transponder_rows(), ElementsAre(0, 1));
  EXPECT_THAT(view.channel_rows(), ElementsAre(0, 1, 3, 4));  // All Sat. still on
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  EXPECT_EQ(view.current_channel(), 4);
  EXPECT_EQ(view.current_channel_row(), 3);
  EXPECT_EQ(view.current_transponder(), 1);  // FindTransponder(1, 2)
}

TEST_F(ViewStateTest, ClickingTheCurrentSatelliteChangesNothing) {
  view.SetChannelSelection({1, 3}, 3);
  sink.events.clear();
  view.ChooseSatellite(1);
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(1, 3));
  EXPECT_EQ(view.channel_focus_row(), 3);
}

TEST_F(ViewStateTest, SatelliteWithoutChannelsLeavesAnEmptyListAndTheCurrentChannel) {
  view.SetAllSatellites(false);
  EXPECT_THAT(view.channel_rows(), ElementsAre(0, 1, 3));
  view.ChooseSatellite(2);
  EXPECT_THAT(view.transponder_rows(), IsEmpty());
  EXPECT_EQ(view.current_transponder(), ViewState::kNone);
  EXPECT_THAT(view.channel_rows(), IsEmpty());
  EXPECT_EQ(view.SelectedChannelCount(), 0);
  EXPECT_EQ(view.current_channel(), 0);  // keeps its previous value
}

TEST_F(ViewStateTest, SwitchingToRadioFollowsTheCurrentTransponder) {
  struct Case {
    int transponder_row;
    std::vector<int> selected;
  } cases[] = {
      {0, {1}},  // 2/1 carries radio "R2" (row 1 of the radio list)
      {1, {}},   // 2/2 carries no radio channel: no selection
  };
  for (const auto& c : cases) {
    view.SetTvMode(true);
    view.ChooseTransponder(c.transponder_row);
    view.SetTvMode(false);
    EXPECT_THAT(view.channel_rows(), ElementsAre(2, 5));
    EXPECT_EQ(view.SelectedChannelRows(), c.selected) << "transponder row " << c.transponder_row;
  }
}

TEST_F(ViewStateTest, AllSatellitesKeepsTheFocusedSelectedChannel) {
  view.SelectChannelRow(3);  // "C", satellite slot 0 becomes current
  ASSERT_EQ(view.current_satellite(), 0);
  view.SetAllSatellites(false);
  EXPECT_THAT(view.channel_rows(), ElementsAre(4));
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(0));
  EXPECT_EQ(view.current_channel(), 4);
  view.SetAllSatellites(true);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(3));
  EXPECT_EQ(view.channel_focus_row(), 3);
}

TEST_F(ViewStateTest, AllSatellitesDropsTheSelectionWhenTheFocusRowIsNotSelected) {
  view.SetChannelSelection({0}, 1);  // focus on an unselected row
  view.SetAllSatellites(false);
  EXPECT_EQ(view.SelectedChannelCount(), 0);
  view.SetChannelSelection({2}, 2);  // "H" focused and selected; listed on both sides
  view.SetAllSatellites(true);
  EXPECT_THAT(view.SelectedChannelRows(), ElementsAre(2));
}

TEST_F(ViewStateTest, LastTypeNumberIsTheHighestOfTheTypeAndSurvivesAnEmptyPass) {
  EXPECT_EQ(view.last_type_number(), 4);
  view.SetTvMode(false);
  EXPECT_EQ(view.last_type_number(), 2);

  // Satellite filter does not matter for the last type number.
  view.SetTvMode(true);
  view.SetAllSatellites(false);
  view.ChooseSatellite(2);
  EXPECT_EQ(view.last_type_number(), 4);

  // No radio channel at all: the previous value stays.
  for (int n = 0; n < 6; ++n)
    if (image.Channel(n).ServiceType() == kServiceTypeRadio) image.Channel(n).set_mSatId(0);
  view.SetTvMode(false);
  EXPECT_THAT(view.channel_rows(), IsEmpty());
  EXPECT_EQ(view.last_type_number(), 4);
}

TEST(ViewStateTransponders, OnlyAZeroFrequencyWithAZeroSymbolRateHidesATransponder) {
  struct Case {
    std::uint16_t frequency, symbol_rate;
    bool listed;
  } cases[] = {{11000, 27500, true}, {11000, 0, true}, {0, 27500, true}, {0, 0, false}};
  for (const auto& c : cases) {
    Image image;
    ImageBuilder b(image, 3);
    b.AddTransponder(1, 10700, 22000, false);
    b.AddTransponder(1, c.frequency, c.symbol_rate, false);
    b.Finish();
    ViewState view(image);
    view.RebuildIndex();
    const std::vector<int> expected = c.listed ? std::vector<int>{0, 1} : std::vector<int>{0};
    EXPECT_EQ(view.transponder_rows(), expected) << c.frequency << "/" << c.symbol_rate;
  }
}

// A load replaces every reference into the old image: a channel slot that was
// current in a kind-5 image may lie beyond the index of a kind-3 one.
TEST(ViewStateLoad, ALoadLeavesNoReferenceIntoTheOldImage) {
  Image image;
  {
    ImageBuilder b(image, 5);
    b.AddTransponder(1, 11000, 27500, false);
    b.AddTransponder(2, 12000, 27500, true);
    for (int n = 0; n < 3100; ++n) b.AddChannel(n < 3000 ? 1 : 2, 1, {kServiceTypeTv, "T"});
    b.Finish();
  }
  ViewState view(image);
  view.RebuildIndex();
  view.set_image_loaded();
  view.SelectChannelRow(3095);
  view.SetChannelSelection({3090, 3095, 3099}, 3095);
  ASSERT_EQ(view.current_channel(), 3095);
  ASSERT_EQ(view.current_channel_row(), 3095);
  ASSERT_EQ(view.current_satellite(), 1);
  ASSERT_EQ(view.last_type_number(), 3100);

  struct Case {
    const char* what;
    int radio_channels;
  } cases[] = {{"only radio channels", 3}, {"no channels at all", 0}};
  for (const auto& c : cases) {
    Image next;
    ImageBuilder b(next, 3);
    b.AddTransponder(1, 10700, 22000, false);
    for (int n = 0; n < c.radio_channels; ++n) b.AddChannel(1, 1, {kServiceTypeRadio, "R"});
    b.Finish();
    image.Install(next.bytes(), 3);
    view.RebuildIndex();
    EXPECT_EQ(view.current_channel(), ViewState::kNone) << c.what;
    EXPECT_EQ(view.current_channel_row(), 0) << c.what;
    EXPECT_EQ(view.SelectedChannelCount(), 0) << c.what;
    EXPECT_EQ(view.channel_focus_row(), ViewState::kNone) << c.what;
    EXPECT_EQ(view.current_satellite(), 0) << c.what;
    EXPECT_EQ(view.satellite_row(), 0) << c.what;
    EXPECT_EQ(view.current_transponder(), 0) << c.what;
    EXPECT_EQ(view.transponder_row(), 0) << c.what;
    EXPECT_EQ(view.last_type_number(), 0) << c.what;  // no TV channel in this image
    EXPECT_THAT(view.channel_rows(), IsEmpty());
    // Within the new image the old value rules of the filter apply again.
    view.SetTvMode(false);
    EXPECT_EQ(view.last_type_number(), c.radio_channels) << c.what;
    view.SetTvMode(true);
    EXPECT_EQ(view.last_type_number(), c.radio_channels) << c.what;

    // Back to the large image for the next case, with a channel beyond 3090 current.
    Image large;
    ImageBuilder big(large, 5);
    big.AddTransponder(1, 11000, 27500, false);
    for (int n = 0; n < 3100; ++n) big.AddChannel(1, 1, {kServiceTypeTv, "T"});
    big.Finish();
    image.Install(large.bytes(), 5);
    view.RebuildIndex();
    view.SelectChannelRow(3095);
    ASSERT_EQ(view.current_channel(), 3095);
  }
}

TEST(ViewStateBeforeLoad, FlagsAreOnlyStored) {
  Image image;
  ViewState view(image);
  RecordingSink sink;
  view.set_sink(&sink);
  view.SetTvMode(false);
  view.SetAllSatellites(false);
  view.ChooseSatellite(3);
  view.ChooseTransponder(0);
  view.ChooseChannel(0);
  view.SelectFirstChannelOfTransponder();
  EXPECT_FALSE(view.tv_mode());
  EXPECT_FALSE(view.all_satellites());
  EXPECT_THAT(sink.events, IsEmpty());
  EXPECT_EQ(view.current_satellite(), ViewState::kNone);
}

TEST(ViewStateCounts, CountsBeyondTheCapacityNeverAddressMissingSlots) {
  Image image;
  ImageBuilder b(image, 3);
  b.AddTransponder(1, 11000, 27500, false);
  b.AddChannel(1, 1, {kServiceTypeTv, "X"});
  b.Finish();
  image.set_mServiceCount(60000);
  image.set_mTpCount(5000);
  ViewState view(image);
  view.RebuildIndex();  // must not read past the index (ASan would tell)
  EXPECT_THAT(view.channel_rows(), ElementsAre(0));
}

}  // namespace
}  // namespace kavor
