#include "database/row_format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kavor {
namespace {

TEST(RowFormat, RowsAsTheListsShowThem) {
  Image image;
  const TransponderRecord tp = image.Transponder(0);
  tp.set_mTpNumber(3);
  tp.set_mFrequency(11778);
  tp.set_mSymbolRate(27500);
  tp.set_mTpFlag(0x08);
  EXPECT_EQ(TransponderRowText(tp), "   3 11778 V 27500");
  tp.set_mTpFlag(0xF7);  // every bit but polarity
  EXPECT_EQ(TransponderRowText(tp), "   3 11778 H 27500");

  const ChannelRecord ch = image.Channel(0);
  ch.set_mChannelNo(12);
  ch.set_mServiceFlag(0x0108);
  ch.set_mServiceName("News");
  EXPECT_EQ(ChannelRowText(ch), "  12 $ News            ");
  ch.set_mServiceFlag(0x0100);
  ch.set_mChannelNo(4711);
  EXPECT_EQ(ChannelRowText(ch), "4711   News            ");
  // A full 20-byte name without NUL is shown whole, not cut to 16.
  std::memset(ch.data() + 0x18, 'Z', 20);
  EXPECT_EQ(ChannelRowText(ch), "4711   " + std::string(20, 'Z'));

  const SatelliteRecord sat = image.Satellite(4);
  EXPECT_EQ(SatelliteRowText(4, sat), " 5 ");
  sat.set_mSatName("Astra 19.2E");
  EXPECT_EQ(SatelliteRowText(49, sat), "50 Astra 19.2E");
}

TEST(RowFormat, Captions) {
  EXPECT_EQ(SatelliteCaption(50), "50 Satellites");
  EXPECT_EQ(TransponderCaption(12, 120), "12 TPs [120/1020]");
  EXPECT_EQ(ChannelCaption(800, 1200, 3090), "800 Channels [1200/3090]");
  EXPECT_EQ(ChannelCaption(0, 5022, 5022), "0 Channels [5022/5022]");
}

}  // namespace
}  // namespace kavor
