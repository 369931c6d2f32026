// What several benchmarks share: a full kind-5 image and a user who answers
// every dialog at once.
#pragma once

#include <optional>
#include <string>

#include "database/image_builder.h"
#include "editing/user_interface.h"

namespace kavor::bench {

// 1020 transponders, 21 to a satellite (1 + t / 21), and 5022 channels,
// channel n on transponder n % 1020, every fourth one radio.
inline void BuildFullKind5(Image& image) {
  ImageBuilder b(image, kKind5);
  for (int t = 0; t < kTransponderSlots; ++t) b.AddTransponder(1 + t / 21, std::uint16_t(10700 + t), 27500, t % 2);
  for (int n = 0; n < ChannelCapacity(kKind5); ++n) {
    ChannelSpec fields;
    fields.type = n % 4 == 3 ? kServiceTypeRadio : kServiceTypeTv;
    fields.name = "Channel " + std::to_string(n);
    const int tp = n % kTransponderSlots;
    b.AddChannel(1 + tp / 21, 1 + tp % 21, fields);
  }
  b.Finish();
}

// OK to every question, and `number` in every Move dialog.
class AnsweringUi : public UserInterface {
 public:
  long long number = 1;
  void ShowMessage(const std::string&, MessageIcon) override {}
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  std::optional<long long> AskNumber(const std::string&, long long) override { return number; }
};

}  // namespace kavor::bench
