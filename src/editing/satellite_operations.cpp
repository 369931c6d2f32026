#include "editing/satellite_operations.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace kavor {

namespace {

using SatelliteBytes = std::array<std::uint8_t, SatelliteRecord::kSize>;
using TransponderBytes = std::array<std::uint8_t, TransponderRecord::kSize>;

// For every old number, the new one of the first pair that names it; the
// record is looked up once, so swapped numbers remap as a permutation.
struct RemapTable {
  std::array<std::uint8_t, 256> to{};
  std::array<bool, 256> mapped{};
  void Add(std::uint8_t from, std::uint8_t into) {
    if (mapped[from]) return;
    mapped[from] = true;
    to[from] = into;
  }
  std::uint8_t operator()(std::uint8_t id) const { return mapped[id] ? to[id] : id; }
};

// Transponders in use regrouped by ascending mSatId; one satellite's keep
// their order (and so their numbers). A stable sort gives what the old
// neighbour-exchange sort gave, without its n^2 passes over 1020 records.
void GroupTransponders(ViewState& view) {
  const int count = view.image().TpCountInUse();
  std::vector<int> order(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&view](int a, int b) {
    return view.transponder(a).mSatId() < view.transponder(b).mSatId();
  });
  std::vector<TransponderBytes> sorted(static_cast<std::size_t>(count));
  bool moved = false;
  for (int i = 0; i < count; ++i) {
    const int from = order[std::size_t(i)];
    moved = moved || from != i;
    std::memcpy(sorted[std::size_t(i)].data(), view.transponder(from).data(), TransponderRecord::kSize);
  }
  if (!moved) return;
  for (int i = 0; i < count; ++i)
    std::memcpy(view.transponder(i).data(), sorted[std::size_t(i)].data(), TransponderRecord::kSize);
}

std::vector<std::uint8_t> CopyOfImage(const Image& image) {
  return std::vector<std::uint8_t>(image.bytes(), image.bytes() + image.length());
}

bool SameImage(const Image& image, const std::vector<std::uint8_t>& before) {
  return before.size() == image.length() && std::memcmp(before.data(), image.bytes(), before.size()) == 0;
}

}  // namespace

void RenumberSatellites(ViewState& view) {
  if (!view.indexed()) return;
  RemapTable remap;
  bool any = false;
  for (int k = 0; k < kSatelliteSlots; ++k) {
    const SatelliteRecord sat = view.satellite(k);
    const std::uint8_t number = std::uint8_t(k + 1);
    if (sat.mSatId() == number) continue;
    remap.Add(sat.mSatId(), number);
    sat.set_mSatId(number);
    any = true;
  }
  Image& image = view.image();
  if (any) {
    const int tp_count = image.TpCountInUse();
    for (int t = 0; t < tp_count; ++t) {
      const TransponderRecord tp = view.transponder(t);
      tp.set_mSatId(remap(tp.mSatId()));
    }
  }
  GroupTransponders(view);
  if (any) {
    const int service_count = image.ServiceCountInUse();
    for (int n = 0; n < service_count; ++n) {
      const ChannelRecord c = view.channel(n);
      c.set_mSatId(remap(c.mSatId()));
    }
  }
}

bool SatelliteOperations::Edit() {
  if (!view_.indexed() || view_.current_satellite() == ViewState::kNone) return false;
  const int row = view_.satellite_row() == ViewState::kNone ? view_.current_satellite() : view_.satellite_row();
  const SatelliteRecord record = view_.satellite(view_.current_satellite());
  SatelliteBytes before;
  std::memcpy(before.data(), record.data(), before.size());
  if (!ui_.EditSatellite(record)) return false;
  // Only the row's text can change: the number, the transponders and the
  // channels stay as they are.
  view_.RedrawSatelliteRow(row);
  return std::memcmp(before.data(), record.data(), before.size()) != 0;
}

bool SatelliteOperations::Move() {
  if (!view_.indexed() || view_.satellite_row() == ViewState::kNone) return false;
  const int r = view_.satellite_row();
  const std::string prompt = "New sat. number (1-" + std::to_string(kSatelliteSlots) + ")";
  long long number = r + 1;
  for (;;) {
    const std::optional<long long> typed = ui_.AskNumber(prompt, number);
    if (!typed) return false;
    number = *typed;
    if (number == r + 1) return false;
    if (number >= 1 && number <= kSatelliteSlots) break;
  }
  const int t = int(number) - 1;

  const std::vector<std::uint8_t> before = CopyOfImage(view_.image());
  SatelliteBytes moved;
  std::memcpy(moved.data(), view_.satellite(r).data(), moved.size());
  // The satellites between the two slots close up; the others keep their place.
  if (r > t) {
    for (int k = r; k > t; --k)
      std::memcpy(view_.satellite(k).data(), view_.satellite(k - 1).data(), SatelliteRecord::kSize);
  } else {
    for (int k = r; k < t; ++k)
      std::memcpy(view_.satellite(k).data(), view_.satellite(k + 1).data(), SatelliteRecord::kSize);
  }
  std::memcpy(view_.satellite(t).data(), moved.data(), moved.size());
  RenumberSatellites(view_);
  RebuildSatellitesInUse(view_.image());
  view_.RefillSatelliteListAndChoose(t);
  return !SameImage(view_.image(), before);
}

}  // namespace kavor
