// Builds valid images in memory: used by `kavor-cli demo` and by the tests'
// fixtures. Records are appended in table order; Finish() writes the sector
// markers, the header counts, the numbering and the satellites-in-use list.
#pragma once

#include <cstdint>
#include <string>

#include "database/image.h"

namespace kavor {

struct ChannelSpec {
  int type = kServiceTypeTv;  // service type bits 8-10
  std::string name;
  bool scrambled = false;
  bool locked = false;
  std::uint16_t video_pid = 0, audio_pid = 0, pcr_pid = 0, service_id = 0, network_id = 0;
};

class ImageBuilder {
 public:
  // Starts from an all-zero image of that kind, satellite slot i holding id i+1.
  ImageBuilder(Image& image, int kind);
  void NameSatellite(int slot, const std::string& name, std::uint16_t degree);
  // Appends a transponder of satellite `sat_id`; returns its mTpNumber.
  int AddTransponder(int sat_id, std::uint16_t frequency, std::uint16_t symbol_rate,
                     bool vertical, std::uint16_t network_id = 0, std::uint16_t tp_id = 0);
  // Appends a channel on (sat_id, tp_number); returns its slot.
  int AddChannel(int sat_id, int tp_number, const ChannelSpec& fields);
  void Finish();

 private:
  Image& image_;
  int tp_count_ = 0;
  int service_count_ = 0;
  int tp_numbers_[kSatelliteSlots + 1] = {};
};

// The synthetic image of `kavor-cli demo`.
void BuildDemoImage(Image& image, int kind);

}  // namespace kavor
