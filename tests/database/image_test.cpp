#include "database/image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "database/image_builder.h"

namespace kavor {
namespace {

TEST(ImageLayout, CapacitiesFollowTheKind) {
  EXPECT_EQ(ImageLength(3), 0x28000u);
  EXPECT_EQ(ImageLength(5), 0x3D000u);
  EXPECT_EQ(SectorCount(3), 40);
  EXPECT_EQ(SectorCount(5), 61);
  EXPECT_EQ(ChannelCapacity(3), 3090);
  EXPECT_EQ(ChannelCapacity(5), 5022);
  EXPECT_EQ(ImageLength(4), 0u);
  EXPECT_EQ(ChannelCapacity(0), 0);
}

TEST(ImageLayout, SlotOffsets) {
  struct Case {
    const char* what;
    std::size_t actual, expected;
  } cases[] = {
      {"satellite 0", SatelliteOffset(0), 0x0000},
      {"satellite 49", SatelliteOffset(49), 0x0620},
      {"transponder 0", TransponderOffset(0), 0x3000},
      {"transponder 254", TransponderOffset(254), 0x3000 + 16 * 254},
      {"transponder 255 starts sector 4", TransponderOffset(255), 0x4000},
      {"transponder 1019", TransponderOffset(1019), 0x6000 + 16 * 254},
      {"channel 0", ChannelOffset(0), 0x0672},
      {"channel 53", ChannelOffset(53), 0x0672 + 44 * 53},
      {"channel 54 starts sector 7", ChannelOffset(54), 0x7000},
      {"channel 145", ChannelOffset(145), 0x7000 + 44 * 91},
      {"channel 146 starts sector 8", ChannelOffset(146), 0x8000},
      {"channel 3089 last of kind 3", ChannelOffset(3089), 0x27000 + 44 * 91},
      {"channel 5022-1 last of kind 5", ChannelOffset(5021), 0x3C000 + 44 * 91},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
  // Records never reach a sector's marker.
  EXPECT_LT(ChannelOffset(145) % kSectorSize + 44, kSectorMarkerOffset);
  EXPECT_LT(TransponderOffset(254) % kSectorSize + 16, kSectorMarkerOffset);
  EXPECT_EQ(0x0672 + 44 * 54, 0x0FBA);  // sector 0's channels end where the header starts
}

TEST(ImageLayout, FieldsAreLittleEndianAtTheirOffsets) {
  Image image;
  image.set_kind(5);
  const ChannelRecord ch = image.Channel(60);
  ch.set_mServiceFlag(0x0208);
  ch.set_mEcmPid(0x1234);
  ch.set_mCharTable(4);
  const std::uint8_t* p = image.bytes() + ChannelOffset(60);
  EXPECT_EQ(p[0x0C], 0x08);
  EXPECT_EQ(p[0x0D], 0x02);
  EXPECT_EQ(p[0x10], 0x34);
  EXPECT_EQ(p[0x11], 0x12);
  EXPECT_EQ(p[0x17], 4);
  EXPECT_EQ(ch.ServiceType(), kServiceTypeRadio);
  EXPECT_TRUE(ch.IsScrambled());

  image.set_mTpCount(0x0102);
  image.set_mServiceCount(0x0304);
  image.set_mSatUsedCount(7);
  EXPECT_EQ(image.bytes()[0x0FBE], 0x02);
  EXPECT_EQ(image.bytes()[0x0FBF], 0x01);
  EXPECT_EQ(image.bytes()[0x0FC0], 0x04);
  EXPECT_EQ(image.bytes()[0x0FC4], 7);

  const TransponderRecord tp = image.Transponder(300);
  tp.set_mTpFlag(0xF9);  // FEC 1, vertical, high bits carried
  EXPECT_TRUE(tp.IsVertical());
  EXPECT_EQ(tp.Fec(), 1);
  EXPECT_EQ(image.bytes()[TransponderOffset(300) + 0x0E], 0xF9);
}

TEST(ImageLayout, NamesStopAtNulButNeverLeaveTheirField) {
  Image image;
  std::uint8_t* sat = image.bytes() + SatelliteOffset(2) + 0x06;
  std::memset(sat, 'A', 16);
  sat[16] = 3;  // the byte after the field (mSatId) is not part of the name
  EXPECT_EQ(image.Satellite(2).mSatName(), std::string(16, 'A'));
  std::uint8_t* name = image.bytes() + ChannelOffset(0) + 0x18;
  std::memset(name, 'B', 20);
  EXPECT_EQ(image.Channel(0).mServiceName(), std::string(20, 'B'));
  image.Channel(0).set_mServiceName("News");
  EXPECT_EQ(image.Channel(0).mServiceName(), "News");
  EXPECT_EQ(name[19], 0);  // the rest of the field is NUL-padded
  image.Channel(0).set_mServiceName(std::string(30, 'C'));
  EXPECT_EQ(image.Channel(0).mServiceName(), std::string(19, 'C'));
}

TEST(ImageLayout, Kind3IsThePrefixOfKind5) {
  Image five;
  BuildDemoImage(five, 5);
  Image three;
  three.Install(five.bytes(), 3);
  EXPECT_EQ(three.kind(), 3);
  EXPECT_EQ(three.length(), 0x28000u);
  EXPECT_TRUE(CheckSectorMarkers(three.bytes(), 3));
  for (int i = 0; i < kSatelliteSlots; ++i)
    EXPECT_EQ(three.Satellite(i).mSatName(), five.Satellite(i).mSatName());
  for (int t = 0; t < kTransponderSlots; ++t)
    ASSERT_EQ(std::memcmp(three.Transponder(t).data(), five.Transponder(t).data(), 16), 0);
  for (int n = 0; n < 3090; ++n)
    ASSERT_EQ(std::memcmp(three.Channel(n).data(), five.Channel(n).data(), 44), 0) << n;
}

TEST(SectorMarkers, EverySectorOfTheKindIsChecked) {
  Image image;
  ImageBuilder(image, 5).Finish();
  ASSERT_TRUE(CheckSectorMarkers(image.bytes(), 5));
  ASSERT_TRUE(CheckSectorMarkers(image.bytes(), 3));
  EXPECT_FALSE(CheckSectorMarkers(image.bytes(), 4));
  struct Case {
    int sector;
    bool kind3_ok, kind5_ok;
  } cases[] = {{0, false, false}, {1, false, false}, {2, false, false},
               {39, false, false}, {40, true, false}, {60, true, false}};
  for (const auto& c : cases) {
    std::uint8_t* marker = image.bytes() + kSectorSize * std::size_t(c.sector) + kSectorMarkerOffset;
    marker[1] = 0x46;
    EXPECT_EQ(CheckSectorMarkers(image.bytes(), 3), c.kind3_ok) << "sector " << c.sector;
    EXPECT_EQ(CheckSectorMarkers(image.bytes(), 5), c.kind5_ok) << "sector " << c.sector;
    marker[1] = 0x47;
  }
  // Byte order matters: 0x2347 is not the marker.
  std::uint8_t* last = image.bytes() + kSectorSize * 60 + kSectorMarkerOffset;
  std::swap(last[0], last[1]);
  EXPECT_FALSE(CheckSectorMarkers(image.bytes(), 5));
}

void PutChannel(Image& image, int slot, std::uint16_t flag, std::uint16_t number, int sat = 1) {
  const ChannelRecord c = image.Channel(slot);
  c.set_mServiceFlag(flag);
  c.set_mChannelNo(number);
  c.set_mSatId(std::uint8_t(sat));
}

TEST(RenumberChannels, TvAndRadioCountSeparatelyInSlotOrder) {
  Image image;
  image.set_kind(3);
  PutChannel(image, 0, 0x0100, 9);   // TV
  PutChannel(image, 1, 0x0200, 9);   // radio
  PutChannel(image, 2, 0x0100, 9);   // TV
  PutChannel(image, 3, 0x0300, 9);   // type 3: numbered as TV
  PutChannel(image, 4, 0x0100, 0);   // empty record stays 0
  PutChannel(image, 5, 0x0400, 42);  // neither bit: left as it is
  PutChannel(image, 6, 0x0200, 1);
  PutChannel(image, 7, 0x0100, 5);   // beyond mServiceCount: untouched
  image.set_mServiceCount(7);
  RenumberChannels(image);
  const int expected[] = {1, 1, 2, 3, 0, 42, 2, 5};
  for (int n = 0; n < 8; ++n) EXPECT_EQ(image.Channel(n).mChannelNo(), expected[n]) << n;
}

TEST(RebuildSatellitesInUse, AscendingIdsOfNumberedChannels) {
  Image image;
  image.set_kind(5);
  PutChannel(image, 0, 0x0100, 1, 7);
  PutChannel(image, 1, 0x0200, 1, 2);
  PutChannel(image, 2, 0x0100, 2, 7);
  PutChannel(image, 3, 0x0100, 0, 4);   // empty: does not count
  PutChannel(image, 4, 0x0400, 3, 5);   // no TV/radio bit: does not count
  PutChannel(image, 5, 0x0300, 3, 9);   // type 3 counts
  image.set_mServiceCount(6);
  std::memset(image.sat_used_list(), 0xEE, 50);
  RebuildSatellitesInUse(image);
  ASSERT_EQ(image.mSatUsedCount(), 3);
  EXPECT_EQ(image.sat_used_list()[0], 2);
  EXPECT_EQ(image.sat_used_list()[1], 7);
  EXPECT_EQ(image.sat_used_list()[2], 9);
  EXPECT_EQ(image.sat_used_list()[3], 0xEE);

  // All channels of satellite 7 go: it leaves the list, later bytes keep their values.
  image.Channel(0).set_mChannelNo(0);
  image.Channel(2).set_mChannelNo(0);
  RebuildSatellitesInUse(image);
  ASSERT_EQ(image.mSatUsedCount(), 2);
  EXPECT_EQ(image.sat_used_list()[1], 9);
  EXPECT_EQ(image.sat_used_list()[2], 9);  // old value, beyond the count
  EXPECT_EQ(image.sat_used_list()[3], 0xEE);
}

TEST(ImageInstall, BytesBeyondTheNewLengthKeepTheirContents) {
  Image image;
  std::memset(image.bytes(), 0xAB, kMaxImageLength);
  std::unique_ptr<std::uint8_t[]> staged(new std::uint8_t[kMaxImageLength]());
  image.Install(staged.get(), 3);
  EXPECT_EQ(image.bytes()[0x27FFF], 0);
  EXPECT_EQ(image.bytes()[0x28000], 0xAB);
  EXPECT_EQ(image.kind(), 3);
}

}  // namespace
}  // namespace kavor
