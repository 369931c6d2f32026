// Feeds arbitrary bytes to the loader, then browses the image as a user would.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "database/document.h"
#include "database/row_format.h"
#include "database/table_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Short inputs are stretched to an image length so the interesting paths run.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!bytes.empty() && bytes[0] & 1) {
    const std::size_t length = (bytes[0] & 2) ? 0x3D000 : 0x28000;
    bytes.resize(length, 0);
    for (std::size_t s = 0; s < length / 4096; ++s) {
      bytes[4096 * s + 4092] = 0x23;
      bytes[4096 * s + 4093] = 0x47;
    }
  }
  static const std::string path = "/tmp/kavor-fuzz-" + std::to_string(::getpid()) + ".bin";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);

  kavor::Document doc;
  if (doc.Open(path)) return 0;
  kavor::ViewState& view = doc.view();
  for (int s = 0; s < kavor::kSatelliteSlots; s += 7) {
    view.ChooseSatellite(s);
    for (std::size_t r = 0; r < view.transponder_rows().size(); r += 3) view.ChooseTransponder(int(r));
    for (int slot : view.channel_rows()) (void)kavor::ChannelRowText(view.channel(slot));
    view.SetTvMode(s % 2 == 0);
    view.SetAllSatellites(s % 3 == 0);
    if (!view.channel_rows().empty()) view.SelectChannelRow(int(view.channel_rows().size() - 1));
  }
  (void)kavor::CheckTables(doc.image());
  return 0;
}
