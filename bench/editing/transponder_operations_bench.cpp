// Deleting a transponder that carries 500 channels on a full kind-5 image
// (1020 transponders, 5022 channels): the channels go with it, the table
// closes up, the satellite's transponders and channels are renumbered and
// both lists refilled.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "database/image_builder.h"
#include "database/view_state.h"
#include "editing/transponder_operations.h"

namespace {

class ConfirmingUi : public kavor::UserInterface {
 public:
  void ShowMessage(const std::string&, kavor::MessageIcon) override {}
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
};

constexpr int kTranspondersPerSatellite = 21;
constexpr int kDeletedRow = 2;  // satellite 1's third transponder

// Every tenth of the first 5000 channels (500) sits on satellite 1's third
// transponder; the others spread over all the other transponders.
const kavor::Image& FullImage() {
  static const std::unique_ptr<kavor::Image> image = [] {
    auto im = std::make_unique<kavor::Image>();
    kavor::ImageBuilder b(*im, 5);
    for (int t = 0; t < kavor::kTransponderSlots; ++t)
      b.AddTransponder(1 + t / kTranspondersPerSatellite, std::uint16_t(10700 + t), 27500, t % 2);
    for (int n = 0; n < kavor::ChannelCapacity(5); ++n) {
      kavor::ChannelSpec fields;
      fields.type = n % 4 == 3 ? kavor::kServiceTypeRadio : kavor::kServiceTypeTv;
      fields.name = "Channel " + std::to_string(n);
      int tp = n % kavor::kTransponderSlots;
      if (tp == kDeletedRow) ++tp;
      if (n % 10 == 0 && n < 5000) tp = kDeletedRow;
      b.AddChannel(1 + tp / kTranspondersPerSatellite, 1 + tp % kTranspondersPerSatellite, fields);
    }
    b.Finish();
    return im;
  }();
  return *image;
}

void BM_DeleteTransponderWith500Channels(benchmark::State& state) {
  kavor::Image image;
  kavor::ViewState view{image};
  ConfirmingUi ui;
  kavor::TransponderOperations ops{view, ui};
  const kavor::Image& full = FullImage();
  int deleted = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(image.bytes(), full.bytes(), kavor::kMaxImageLength);
    image.set_kind(full.kind());
    if (!view.indexed()) {
      view.RebuildIndex();
      view.set_image_loaded();
    }
    view.ChooseSatellite(1);  // away and back: the first satellite's rows afresh
    view.ChooseSatellite(0);
    view.ChooseTransponder(kDeletedRow);
    const int before = image.mServiceCount();
    state.ResumeTiming();
    if (!ops.DeleteWithConfirmation()) state.SkipWithError("delete changed nothing");
    state.PauseTiming();
    deleted = before - image.mServiceCount();
    state.ResumeTiming();
  }
  state.counters["channels_deleted"] = double(deleted);
  state.counters["transponders"] = double(image.mTpCount() + 1);
}
BENCHMARK(BM_DeleteTransponderWith500Channels)->Unit(benchmark::kMillisecond);

}  // namespace
