// Arbitrary SatcoDx text imported into the demo image's first satellite: the
// import must never crash, and the tables must stay consistent afterwards.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "database/image_builder.h"
#include "database/table_check.h"
#include "database/view_state.h"
#include "interchange/satcodx_import.h"

namespace {

class QuietUserInterface : public kavor::UserInterface {
 public:
  void ShowMessage(const std::string&, kavor::MessageIcon) override {}
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kavor::Image* pristine = [] {
    auto* image = new kavor::Image;
    kavor::BuildDemoImage(*image, 5);
    return image;
  }();
  kavor::Image image;
  image.Install(pristine->bytes(), pristine->kind());
  kavor::ViewState view(image);
  view.RebuildIndex();
  view.set_image_loaded();
  QuietUserInterface ui;
  kavor::ImportSatcoDxText(view, ui, std::string_view(reinterpret_cast<const char*>(data), size));
  if (!kavor::CheckTables(image).empty()) std::abort();
  return 0;
}
