// The channel operations on a full kind-5 image (5022 channels): moving and
// deleting 1000 selected channels, each with the refill of the channel list.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "database/image_builder.h"
#include "database/view_state.h"
#include "editing/channel_operations.h"

namespace {

// Answers every dialog at once: OK, and the number it was given.
class AnsweringUi : public kavor::UserInterface {
 public:
  long long number = 1;
  void ShowMessage(const std::string&, kavor::MessageIcon) override {}
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  std::optional<long long> AskNumber(const std::string&, long long) override { return number; }
};

const kavor::Image& FullImage() {
  static const std::unique_ptr<kavor::Image> image = [] {
    auto im = std::make_unique<kavor::Image>();
    kavor::ImageBuilder b(*im, 5);
    for (int t = 0; t < kavor::kTransponderSlots; ++t)
      b.AddTransponder(1 + t / 21, std::uint16_t(10700 + t), 27500, t % 2);
    for (int n = 0; n < kavor::ChannelCapacity(5); ++n) {
      kavor::ChannelSpec fields;
      fields.type = n % 4 == 3 ? kavor::kServiceTypeRadio : kavor::kServiceTypeTv;
      fields.name = "Channel " + std::to_string(n);
      const int tp = n % kavor::kTransponderSlots;
      b.AddChannel(1 + tp / 21, 1 + tp % 21, fields);
    }
    b.Finish();
    return im;
  }();
  return *image;
}

// A fresh copy of the full image with 1000 TV rows selected, every third.
struct Setup {
  kavor::Image image;
  kavor::ViewState view{image};
  AnsweringUi ui;
  kavor::ChannelOperations ops{view, ui};
  std::vector<int> rows;

  Setup() {
    for (int i = 0; i < 1000; ++i) rows.push_back(3 * i + 1);
    Reset();
  }
  void Reset() {
    const kavor::Image& full = FullImage();
    std::memcpy(image.bytes(), full.bytes(), kavor::kMaxImageLength);
    image.set_kind(full.kind());
    if (!view.indexed()) {
      view.RebuildIndex();
      view.set_image_loaded();
    }
    view.RefillChannelList();
    view.SetChannelSelection(rows, rows.back());
  }
};

void BM_MoveThousandChannels(benchmark::State& state) {
  Setup s;
  s.ui.number = 1;
  for (auto _ : state) {
    state.PauseTiming();
    s.Reset();
    state.ResumeTiming();
    if (!s.ops.Move()) state.SkipWithError("move changed nothing");
  }
  state.counters["rows"] = double(s.view.channel_rows().size());
}
BENCHMARK(BM_MoveThousandChannels)->Unit(benchmark::kMillisecond);

void BM_DeleteThousandChannels(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    state.PauseTiming();
    s.Reset();
    state.ResumeTiming();
    if (!s.ops.DeleteWithConfirmation()) state.SkipWithError("delete changed nothing");
  }
  state.counters["rows"] = double(s.view.channel_rows().size());
}
BENCHMARK(BM_DeleteThousandChannels)->Unit(benchmark::kMillisecond);

}  // namespace
