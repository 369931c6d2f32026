// Exporting the default-table headers of a full kind-5 image (50 named
// satellites, 1020 transponders, 5022 channels) into a temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "database/image_builder.h"
#include "interchange/header_export.h"

namespace {

const kavor::Image& FullImage() {
  static const std::unique_ptr<kavor::Image> image = [] {
    auto im = std::make_unique<kavor::Image>();
    kavor::ImageBuilder b(*im, 5);
    for (int s = 0; s < kavor::kSatelliteSlots; ++s)
      b.NameSatellite(s, "Sat \"" + std::to_string(s) + "\\", std::uint16_t(10 * s));
    int tp_numbers[kavor::kTransponderSlots];
    for (int t = 0; t < kavor::kTransponderSlots; ++t)
      tp_numbers[t] = b.AddTransponder(1 + t / 21, std::uint16_t(10700 + t), 27500, t % 2);
    for (int n = 0; n < kavor::ChannelCapacity(5); ++n) {
      kavor::ChannelSpec fields;
      fields.type = n % 4 == 3 ? kavor::kServiceTypeRadio : kavor::kServiceTypeTv;
      fields.name = "Channel\t" + std::to_string(n);
      fields.video_pid = std::uint16_t(n), fields.audio_pid = std::uint16_t(n + 1);
      fields.pcr_pid = std::uint16_t(n);
      const int t = n % kavor::kTransponderSlots;
      b.AddChannel(1 + t / 21, tp_numbers[t], fields);
    }
    b.Finish();
    return im;
  }();
  return *image;
}

void BM_ExportFullImage(benchmark::State& state) {
  const kavor::Image& image = FullImage();
  std::string pattern = (std::filesystem::temp_directory_path() / "kavor-bench-XXXXXX").string();
  const std::filesystem::path dir = ::mkdtemp(pattern.data());
  for (auto _ : state) {
    if (!kavor::ExportDefaultTables(image, dir)) state.SkipWithError("export failed");
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ExportFullImage)->Unit(benchmark::kMillisecond);

}  // namespace
