// Load + index + filters on a full kind-5 image (5022 channels, 1020 transponders).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "support/fixtures.h"

namespace {

std::filesystem::path FullImage() {
  static const std::filesystem::path path = [] {
    kavor::Image image;
    kavor::bench::BuildFullKind5(image);
    const auto p = std::filesystem::temp_directory_path() / "kavor-bench-full5.bin";
    kavor::WriteDataFile(p, image);
    return p;
  }();
  return path;
}

void BM_OpenIndexAndFilters(benchmark::State& state) {
  const auto path = FullImage();
  kavor::Document doc;
  for (auto _ : state) {
    if (doc.Open(path)) state.SkipWithError("open failed");
    doc.view().FilterTransponders();
    doc.view().FilterChannels();
    benchmark::DoNotOptimize(doc.view().channel_rows().data());
  }
}
BENCHMARK(BM_OpenIndexAndFilters)->Unit(benchmark::kMillisecond);

void BM_FilterChannels(benchmark::State& state) {
  kavor::Document doc;
  if (doc.Open(FullImage())) state.SkipWithError("open failed");
  for (auto _ : state) {
    doc.view().FilterChannels();
    benchmark::DoNotOptimize(doc.view().channel_rows().data());
  }
  state.counters["rows"] = double(doc.view().channel_rows().size());
}
BENCHMARK(BM_FilterChannels)->Unit(benchmark::kMicrosecond);

void BM_ChooseSatellite(benchmark::State& state) {
  kavor::Document doc;
  if (doc.Open(FullImage())) state.SkipWithError("open failed");
  int s = 0;
  for (auto _ : state) {
    doc.view().ChooseSatellite(s);
    s = (s + 1) % 49;
  }
}
BENCHMARK(BM_ChooseSatellite)->Unit(benchmark::kMicrosecond);

}  // namespace
