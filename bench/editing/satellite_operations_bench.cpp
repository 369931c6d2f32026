// Moving a satellite on a full kind-5 image (1020 transponders, 5022
// channels spread over all 50 satellites): the last satellite to slot 1 and
// back, so every satellite, transponder and channel is renumbered and the
// whole transponder table regrouped, with the lists' refills.
#include <benchmark/benchmark.h>

#include <memory>

#include "database/image_builder.h"
#include "database/view_state.h"
#include "editing/satellite_operations.h"
#include "support/fixtures.h"

namespace {

// Transponder t belongs to satellite 1 + t * 50 / 1020, so each of the 50
// has 20 or 21; channel n sits on transponder n % 1020.
void BuildFullImage(kavor::Image& image) {
  kavor::ImageBuilder b(image, 5);
  auto satellite_of = [](int t) { return 1 + t * kavor::kSatelliteSlots / kavor::kTransponderSlots; };
  int first[kavor::kSatelliteSlots + 1] = {};
  for (int t = kavor::kTransponderSlots - 1; t >= 0; --t) first[satellite_of(t)] = t;
  for (int t = 0; t < kavor::kTransponderSlots; ++t)
    b.AddTransponder(satellite_of(t), std::uint16_t(10700 + t), 27500, t % 2);
  for (int n = 0; n < kavor::ChannelCapacity(5); ++n) {
    kavor::ChannelSpec fields;
    fields.type = n % 4 == 3 ? kavor::kServiceTypeRadio : kavor::kServiceTypeTv;
    fields.name = "Channel " + std::to_string(n);
    const int t = n % kavor::kTransponderSlots;
    b.AddChannel(satellite_of(t), 1 + t - first[satellite_of(t)], fields);
  }
  b.Finish();
}

void BM_MoveSatelliteRemappingEverything(benchmark::State& state) {
  auto image = std::make_unique<kavor::Image>();
  BuildFullImage(*image);
  kavor::ViewState view(*image);
  view.RebuildIndex();
  view.set_image_loaded();
  kavor::bench::AnsweringUi ui;
  kavor::SatelliteOperations ops(view, ui);
  bool to_front = true;
  for (auto _ : state) {
    // 50 to 1 shifts every slot up, 1 to 50 every slot back down.
    state.PauseTiming();
    view.ChooseSatellite(to_front ? kavor::kSatelliteSlots - 1 : 0);
    ui.number = to_front ? 1 : kavor::kSatelliteSlots;
    state.ResumeTiming();
    if (!ops.Move()) state.SkipWithError("move changed nothing");
    to_front = !to_front;
  }
  state.counters["transponders"] = double(image->TpCountInUse());
  state.counters["channels"] = double(image->ServiceCountInUse());
}
BENCHMARK(BM_MoveSatelliteRemappingEverything)->Unit(benchmark::kMillisecond);

}  // namespace
