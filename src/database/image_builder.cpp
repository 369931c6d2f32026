#include "database/image_builder.h"

#include <cstring>

namespace kavor {

ImageBuilder::ImageBuilder(Image& image, int kind) : image_(image) {
  std::memset(image_.bytes(), 0, kMaxImageLength);
  image_.set_kind(kind);
  for (int i = 0; i < kSatelliteSlots; ++i) image_.Satellite(i).set_mSatId(std::uint8_t(i + 1));
}

void ImageBuilder::NameSatellite(int slot, const std::string& name, std::uint16_t degree) {
  const SatelliteRecord sat = image_.Satellite(slot);
  sat.set_mSatName(name);
  sat.set_mDegree(degree);
}

int ImageBuilder::AddTransponder(int sat_id, std::uint16_t frequency, std::uint16_t symbol_rate,
                                 bool vertical, std::uint16_t network_id, std::uint16_t tp_id) {
  const TransponderRecord tp = image_.Transponder(tp_count_++);
  const int number = ++tp_numbers_[sat_id];
  tp.set_mSatId(std::uint8_t(sat_id));
  tp.set_mTpNumber(std::uint8_t(number));
  tp.set_mFrequency(frequency);
  tp.set_mSymbolRate(symbol_rate);
  tp.set_mTpFlag(vertical ? 0x08 : 0x00);
  tp.set_mNetworkId(network_id);
  tp.set_mTpId(tp_id);
  return number;
}

int ImageBuilder::AddChannel(int sat_id, int tp_number, const ChannelSpec& fields) {
  const int slot = service_count_++;
  const ChannelRecord ch = image_.Channel(slot);
  std::uint16_t flag = std::uint16_t((fields.type & 7) << 8);
  if (fields.scrambled) flag |= kFlagScrambled;
  if (fields.locked) flag |= kFlagLocked;
  ch.set_mServiceFlag(flag);
  ch.set_mSatId(std::uint8_t(sat_id));
  ch.set_mTpNumber(std::uint8_t(tp_number));
  ch.set_mChannelNo(1);  // any non-zero value; Finish() renumbers
  ch.set_mServiceName(fields.name);
  ch.set_mVideoPid(fields.video_pid);
  ch.set_mAudioPid(fields.audio_pid);
  ch.set_mPcrPid(fields.pcr_pid);
  ch.set_mServiceId(fields.service_id);
  ch.set_mNetworkId(fields.network_id);
  ch.set_mAudioFlag(fields.audio_pid ? 1 : 0);
  return slot;
}

void ImageBuilder::Finish() {
  for (int s = 0; s < SectorCount(image_.kind()); ++s)
    WriteU16(image_.bytes() + kSectorSize * std::size_t(s) + kSectorMarkerOffset, kSectorMarker);
  image_.set_mTpCount(std::uint16_t(tp_count_));
  image_.set_mServiceCount(std::uint16_t(service_count_));
  RenumberChannels(image_);
  RebuildSatellitesInUse(image_);
}

namespace {

struct DemoSatellite {
  const char* name;
  std::uint16_t degree;  // tenths; West stored as 3600 - w
  int transponders;
};

// Realistic orbital positions; the names are invented.
constexpr DemoSatellite kDemoSatellites[] = {
    {"Astral 19.2E", 192, 14}, {"Hotline 13.0E", 130, 12}, {"Eurosat 9.0E", 90, 6},
    {"Astral 28.2E", 282, 8},  {"Turksat 42.0E", 420, 6},  {"Amazonas 61W", 3600 - 610, 4},
    {"Thorn 0.8W", 3600 - 8, 5}, {"Hispa 30.0W", 3600 - 300, 4},
};

const char* const kTvNames[] = {"Das Erste", "ZDF", "News 24", "Sport One", "Movie Star",
                                 "Kids Club", "Docu Plus", "Music Box", "Travel HD", "Arte Vision",
                                 "Cinema Gold", "Weather Now", "Comedy Max", "History", "Nature"};
const char* const kRadioNames[] = {"Radio One", "Jazz FM", "Classic Radio", "Rock Antenne",
                                    "Deutschlandfunk", "Pop Wave", "Talk Radio", "Country FM"};

}  // namespace

void BuildDemoImage(Image& image, int kind) {
  ImageBuilder builder(image, kind);
  std::uint16_t service_id = 1000;
  int tv_index = 0, radio_index = 0;
  for (int s = 0; s < int(std::size(kDemoSatellites)); ++s) {
    const DemoSatellite& d = kDemoSatellites[s];
    builder.NameSatellite(s, d.name, d.degree);
    const int sat_id = s + 1;
    for (int t = 0; t < d.transponders; ++t) {
      const std::uint16_t frequency = std::uint16_t(10714 + 39 * t + 2 * s);
      const std::uint16_t symbol_rate = (t % 3 == 0) ? 27500 : (t % 3 == 1) ? 22000 : 29700;
      const int tp = builder.AddTransponder(sat_id, frequency, symbol_rate, t % 2 == 1,
                                            std::uint16_t(1 + s), std::uint16_t(1000 + t));
      const int tv_count = 4 + (t * 7 + s) % 5;
      for (int c = 0; c < tv_count; ++c, ++tv_index) {
        ChannelSpec fields;
        fields.type = kServiceTypeTv;
        fields.name = std::string(kTvNames[tv_index % std::size(kTvNames)]);
        if (tv_index >= int(std::size(kTvNames)))
          fields.name += " " + std::to_string(tv_index / std::size(kTvNames) + 1);
        fields.scrambled = (tv_index % 5) == 3;
        fields.locked = (tv_index % 17) == 9;
        fields.video_pid = std::uint16_t(160 + 16 * c);
        fields.audio_pid = std::uint16_t(fields.video_pid + 1);
        fields.pcr_pid = fields.video_pid;
        fields.service_id = service_id++;
        fields.network_id = std::uint16_t(1 + s);
        builder.AddChannel(sat_id, tp, fields);
      }
      const int radio_count = t % 2 == 0 ? 3 : 1;
      for (int c = 0; c < radio_count; ++c, ++radio_index) {
        ChannelSpec fields;
        fields.type = kServiceTypeRadio;
        fields.name = std::string(kRadioNames[radio_index % std::size(kRadioNames)]);
        if (radio_index >= int(std::size(kRadioNames)))
          fields.name += " " + std::to_string(radio_index / std::size(kRadioNames) + 1);
        fields.audio_pid = std::uint16_t(700 + 8 * c);
        fields.service_id = service_id++;
        fields.network_id = std::uint16_t(1 + s);
        builder.AddChannel(sat_id, tp, fields);
      }
    }
  }
  builder.Finish();
}

}  // namespace kavor
