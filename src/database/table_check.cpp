#include "database/table_check.h"

#include <set>
#include <utility>

namespace kavor {

std::vector<std::string> CheckTables(const Image& image) {
  std::vector<std::string> errors;
  auto fail = [&errors](std::string text) { errors.push_back(std::move(text)); };
  const int capacity = image.channel_capacity();

  for (int i = 0; i < kSatelliteSlots; ++i) {
    const int id = image.Satellite(i).mSatId();
    if (id != i + 1)
      fail("satellite slot " + std::to_string(i) + ": mSatId " + std::to_string(id) +
           ", expected " + std::to_string(i + 1));
  }

  if (image.mTpCount() > kTransponderSlots)
    fail("header: mTpCount " + std::to_string(image.mTpCount()) + " above 1020");
  if (image.mServiceCount() > capacity)
    fail("header: mServiceCount " + std::to_string(image.mServiceCount()) + " above " +
         std::to_string(capacity));

  const int tp_count = image.TpCountInUse();
  std::set<std::pair<int, int>> transponders;
  int previous_sat = 0, expected_number = 0;
  for (int t = 0; t < tp_count; ++t) {
    const TransponderRecord tp = image.Transponder(t);
    const int sat = tp.mSatId();
    const std::string where = "transponder slot " + std::to_string(t);
    if (sat < 1 || sat > kSatelliteSlots) {
      fail(where + ": mSatId " + std::to_string(sat) + " is no satellite");
      continue;
    }
    if (sat < previous_sat)
      fail(where + ": mSatId " + std::to_string(sat) + " after " + std::to_string(previous_sat) +
           " (table not grouped by ascending satellite)");
    expected_number = sat == previous_sat ? expected_number + 1 : 1;
    previous_sat = sat;
    if (tp.mTpNumber() != expected_number)
      fail(where + ": mTpNumber " + std::to_string(tp.mTpNumber()) + ", expected " +
           std::to_string(expected_number));
    transponders.insert({sat, tp.mTpNumber()});
  }

  const int service_count = image.ServiceCountInUse();
  int tv = 0, radio = 0;
  bool used[kSatelliteSlots + 1] = {};
  for (int n = 0; n < service_count; ++n) {
    const ChannelRecord c = image.Channel(n);
    const std::string where = "channel slot " + std::to_string(n);
    if (c.mChannelNo() == 0) {
      fail(where + ": empty record inside the table (not packed)");
      continue;
    }
    const std::uint16_t flag = c.mServiceFlag();
    int expected = -1;
    if (flag & 0x0100)
      expected = ++tv;
    else if (flag & 0x0200)
      expected = ++radio;
    if (expected > 0 && c.mChannelNo() != expected)
      fail(where + ": mChannelNo " + std::to_string(c.mChannelNo()) + ", expected " +
           std::to_string(expected));
    if (c.mSatId() != 0 && !transponders.count({c.mSatId(), c.mTpNumber()}))
      fail(where + " \"" + c.mServiceName() + "\": no transponder " +
           std::to_string(c.mTpNumber()) + " on satellite " + std::to_string(c.mSatId()));
    if (c.mSatId() >= 1 && c.mSatId() <= kSatelliteSlots && (flag & 0x0300))
      used[c.mSatId()] = true;
  }

  std::vector<int> expected_used;
  for (int id = 1; id <= kSatelliteSlots; ++id)
    if (used[id]) expected_used.push_back(id);
  std::vector<int> stored_used;
  const int stored_count = image.mSatUsedCount();
  for (int k = 0; k < stored_count && k < kSatelliteSlots; ++k)
    stored_used.push_back(image.sat_used_list()[k]);
  if (stored_count > kSatelliteSlots || stored_used != expected_used) {
    std::string text = "satellites-in-use list: stored [";
    for (std::size_t k = 0; k < stored_used.size(); ++k)
      text += (k ? "," : "") + std::to_string(stored_used[k]);
    text += "], channels give [";
    for (std::size_t k = 0; k < expected_used.size(); ++k)
      text += (k ? "," : "") + std::to_string(expected_used[k]);
    fail(text + "]");
  }
  return errors;
}

}  // namespace kavor
