// The channel operations on a full kind-5 image (5022 channels): moving and
// deleting 1000 selected channels, each with the refill of the channel list.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "database/view_state.h"
#include "editing/channel_operations.h"
#include "support/fixtures.h"

namespace {

const kavor::Image& FullImage() {
  static const std::unique_ptr<kavor::Image> image = [] {
    auto im = std::make_unique<kavor::Image>();
    kavor::bench::BuildFullKind5(*im);
    return im;
  }();
  return *image;
}

// A fresh copy of the full image with 1000 TV rows selected, every third.
struct Setup {
  kavor::Image image;
  kavor::ViewState view{image};
  kavor::bench::AnsweringUi ui;
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
