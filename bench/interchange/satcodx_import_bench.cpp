// Importing a 5,000-service SatcoDx file into the demo image's first
// satellite: 100 new transponders, channels added until the table is full.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "database/image_builder.h"
#include "database/view_state.h"
#include "interchange/satcodx_import.h"
#include "support/satcodx_record.h"

namespace {

class QuietUserInterface : public kavor::UserInterface {
 public:
  void ShowMessage(const std::string&, kavor::MessageIcon) override {}
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }
};

std::string FiveThousandServices() {
  std::string text;
  for (int i = 0; i < 5000; ++i) {
    kavor::testing::Sdx r;
    const int tp = i / 50;
    r.frequency = "0" + std::to_string(10702 + 17 * tp);
    r.polarity = tp % 2 ? "0001" : "0000";
    r.name1 = "Svc" + std::to_string(i);
    r.video = std::to_string(1000 + i % 50);
    r.audio = std::to_string(2000 + i % 50);
    r.pcr = r.video;
    text += r.Line();
  }
  return text;
}

void BM_ImportSatcoDx5000(benchmark::State& state) {
  static const std::string text = FiveThousandServices();
  kavor::Image pristine;
  kavor::BuildDemoImage(pristine, 5);
  kavor::Image image;
  kavor::ViewState view(image);
  QuietUserInterface ui;
  for (auto _ : state) {
    state.PauseTiming();
    image.Install(pristine.bytes(), pristine.kind());
    view.RebuildIndex();
    view.set_image_loaded();
    state.ResumeTiming();
    const kavor::SatcoDxCounts counts = kavor::ImportSatcoDxText(view, ui, text);
    benchmark::DoNotOptimize(counts);
    if (counts.transponders == 0) state.SkipWithError("nothing was imported");
  }
}
BENCHMARK(BM_ImportSatcoDx5000)->Unit(benchmark::kMillisecond);

}  // namespace
