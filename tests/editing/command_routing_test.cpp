#include "editing/command_routing.h"

#include <gtest/gtest.h>

#include "database/image_builder.h"

namespace kavor {
namespace {

std::string Describe(const std::vector<MenuItem>& items) {
  std::string out;
  for (const MenuItem& i : items) {
    if (i.separator) {
      out += "-|";
      continue;
    }
    out += i.text + (i.id ? ":" + std::to_string(i.id) : "") + (i.enabled ? "" : "(grey)");
    if (!i.submenu.empty()) out += "[" + Describe(i.submenu) + "]";
    out += "|";
  }
  return out;
}

class RoutingTest : public ::testing::Test {
 protected:
  void Load(int channels, int transponders_on_sat1 = 2) {
    ImageBuilder b(image, 3);
    for (int t = 0; t < transponders_on_sat1; ++t) b.AddTransponder(1, std::uint16_t(11000 + t), 27500, false);
    b.AddTransponder(3, 12000, 27500, true);
    for (int n = 0; n < channels; ++n)
      b.AddChannel(transponders_on_sat1 ? 1 : 3, 1, {n % 2 ? kServiceTypeRadio : kServiceTypeTv, "C"});
    b.Finish();
    view.RebuildIndex();
    view.set_image_loaded();
  }
  Image image;
  ViewState view{image};
};

TEST_F(RoutingTest, NoPopupBeforeALoad) {
  EXPECT_TRUE(BuildPopup(ListId::Channel, view).empty());
  EXPECT_TRUE(BuildPopup(ListId::Satellite, view).empty());
  EXPECT_FALSE(IsCommandEnabled(ID_FILE_SAVE, view));
  EXPECT_FALSE(IsCommandEnabled(ID_FILE_SAVE_AS, view));
  EXPECT_FALSE(IsCommandEnabled(ID_WRITE_TO_RECEIVER, view));
  EXPECT_FALSE(IsCommandEnabled(ID_EXPORT, view));
  EXPECT_TRUE(IsCommandEnabled(ID_READ_FROM_RECEIVER, view));
  EXPECT_TRUE(IsCommandEnabled(ID_CONFIGURATION, view));
  EXPECT_TRUE(IsCommandEnabled(ID_FILE_OPEN, view));
  // Keys find no current row in empty lists.
  EXPECT_EQ(RouteKey(ID_KEY_ENTER, ListId::Satellite, view).operation, Operation::None);
}

TEST_F(RoutingTest, PopupItemsAndTheirEnabling) {
  Load(4);
  EXPECT_EQ(Describe(BuildPopup(ListId::Satellite, view)),
            "Edit\t[Enter]:1285|Move to:1282|Import SatcoDx:1287|");
  EXPECT_EQ(Describe(BuildPopup(ListId::Transponder, view)),
            "Edit\t[Enter]:1285|-|New:1284|Insert:1283|Delete\t[Del]:32780|-|Move to:1282|");
  // The first TV channel is selected after the load.
  EXPECT_EQ(Describe(BuildPopup(ListId::Channel, view)),
            "Edit\t[Enter]:1285|-|New:1284|Insert:1283|Delete\t[Del]:32780|-|Move to:1282|"
            "Change to[Radio:1312|Scramble:1296|Unscramble:1297|Lock:1298|Unlock:1299|]|-|Find:1286|");

  view.ClearChannelSelection();
  EXPECT_EQ(Describe(BuildPopup(ListId::Channel, view)),
            "Edit\t[Enter]:1285(grey)|-|New:1284|Insert:1283(grey)|Delete\t[Del]:32780(grey)|-|Move to:1282(grey)|"
            "Change to(grey)[Radio:1312|Scramble:1296|Unscramble:1297|Lock:1298|Unlock:1299|]|-|Find:1286|");

  view.SetTvMode(false);  // radio list: the first item converts to TV
  view.SelectChannelRow(0);
  view.SetAllSatellites(false);
  const auto radio = BuildPopup(ListId::Channel, view);
  EXPECT_EQ(radio[7].submenu[0].text, "TV");
  EXPECT_EQ(radio[7].submenu[0].id, ID_POPUP_TO_TV);
  EXPECT_FALSE(radio[6].enabled) << "Move to needs All Sat.";
  view.SetAllSatellites(true);
  EXPECT_TRUE(BuildPopup(ListId::Channel, view)[6].enabled);
}

TEST_F(RoutingTest, SatelliteWithoutTranspondersOffersNeitherNewNorFind) {
  Load(2, 0);  // channels on satellite 3; satellite slot 0 has no transponder
  view.ChooseSatellite(0);
  ASSERT_TRUE(view.transponder_rows().empty());
  const auto channel = BuildPopup(ListId::Channel, view);
  EXPECT_FALSE(channel[2].enabled);  // New
  EXPECT_FALSE(channel[9].enabled);  // Find
  const auto tp = BuildPopup(ListId::Transponder, view);
  EXPECT_FALSE(tp[0].enabled);
  EXPECT_TRUE(tp[2].enabled);  // New is about room, not rows
  EXPECT_EQ(RouteKey(ID_KEY_DELETE, ListId::Transponder, view).operation, Operation::None);
}

TEST_F(RoutingTest, FullTablesGreyNewAndInsert) {
  Load(2);
  image.set_mServiceCount(3090);
  image.set_mTpCount(1020);
  const auto channel = BuildPopup(ListId::Channel, view);
  EXPECT_FALSE(channel[2].enabled);
  EXPECT_FALSE(channel[3].enabled);
  const auto tp = BuildPopup(ListId::Transponder, view);
  EXPECT_FALSE(tp[2].enabled);
  EXPECT_FALSE(tp[3].enabled);
}

TEST_F(RoutingTest, DispatchDependsOnTheSource) {
  struct Case {
    ListId source;
    int id;
    Operation expected;
  } cases[] = {
      {ListId::Satellite, ID_POPUP_EDIT, Operation::SatelliteEdit},
      {ListId::Satellite, ID_POPUP_MOVETO, Operation::SatelliteMove},
      {ListId::Satellite, ID_POPUP_IMPORT, Operation::SatcoDxImport},
      {ListId::Satellite, ID_KEY_DELETE, Operation::None},
      {ListId::Transponder, ID_POPUP_EDIT, Operation::TransponderEdit},
      {ListId::Transponder, ID_POPUP_NEW, Operation::TransponderNew},
      {ListId::Transponder, ID_POPUP_INSERT, Operation::TransponderInsert},
      {ListId::Transponder, ID_KEY_DELETE, Operation::TransponderDelete},
      {ListId::Transponder, ID_POPUP_MOVETO, Operation::TransponderMove},
      {ListId::Transponder, ID_POPUP_FIND, Operation::None},
      {ListId::Channel, ID_POPUP_EDIT, Operation::ChannelEdit},
      {ListId::Channel, ID_POPUP_NEW, Operation::ChannelNew},
      {ListId::Channel, ID_POPUP_INSERT, Operation::ChannelInsert},
      {ListId::Channel, ID_KEY_DELETE, Operation::ChannelDelete},
      {ListId::Channel, ID_POPUP_MOVETO, Operation::ChannelMove},
      {ListId::Channel, ID_POPUP_LOCK, Operation::ChannelFlag},
      {ListId::Channel, ID_POPUP_TO_TV, Operation::ChannelFlag},
      {ListId::Channel, ID_POPUP_FIND, Operation::ChannelFind},
      {ListId::Channel, ID_POPUP_IMPORT, Operation::None},
      {ListId::None, ID_POPUP_EDIT, Operation::None},
  };
  for (const auto& c : cases) {
    const Routed r = DispatchPopupCommand(c.source, c.id);
    EXPECT_EQ(r.operation, c.expected) << int(c.source) << " " << c.id;
    if (c.expected != Operation::None) {
      EXPECT_EQ(r.id, c.id);
    }
  }
}

TEST_F(RoutingTest, KeysActOnTheFocusedList) {
  Load(3);
  struct Case {
    int key;
    ListId focus;
    Operation expected;
  } cases[] = {
      {ID_KEY_DELETE, ListId::Satellite, Operation::None},
      {ID_KEY_ENTER, ListId::Satellite, Operation::SatelliteEdit},
      {ID_KEY_DELETE, ListId::Transponder, Operation::TransponderDelete},
      {ID_KEY_ENTER, ListId::Transponder, Operation::TransponderEdit},
      {ID_KEY_DELETE, ListId::Channel, Operation::ChannelDelete},
      {ID_KEY_ENTER, ListId::Channel, Operation::ChannelEdit},
      {ID_KEY_ENTER, ListId::None, Operation::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RouteKey(c.key, c.focus, view).operation, c.expected) << c.key << " " << int(c.focus);
  view.ClearChannelSelection();
  EXPECT_EQ(RouteKey(ID_KEY_DELETE, ListId::Channel, view).operation, Operation::None);
  EXPECT_EQ(RouteKey(ID_KEY_ENTER, ListId::Channel, view).operation, Operation::None);
}

}  // namespace
}  // namespace kavor
