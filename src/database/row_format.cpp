#include "database/row_format.h"

#include <cstdio>

namespace kavor {

namespace {
// Row buffers hold 100 characters; names are at most 20 bytes, so every row fits.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[100];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return std::string(buffer, n < 0 ? 0 : std::size_t(n) < sizeof buffer ? std::size_t(n) : sizeof buffer - 1);
}
}  // namespace

std::string SatelliteRowText(int slot, const SatelliteRecord& sat) {
  return Format("%2d %s", slot + 1, sat.mSatName().c_str());
}

std::string TransponderRowText(const TransponderRecord& tp) {
  return Format("%4d %5d %c %5d", int(tp.mTpNumber()), int(tp.mFrequency()),
                tp.IsVertical() ? 'V' : 'H', int(tp.mSymbolRate()));
}

std::string ChannelRowText(const ChannelRecord& ch) {
  return Format("%4d %c %-16s", int(ch.mChannelNo()), ch.IsScrambled() ? '$' : ' ',
                ch.mServiceName().c_str());
}

std::string SatelliteCaption(int rows) { return Format("%d Satellites", rows); }

std::string TransponderCaption(int rows, int tp_count) {
  return Format("%d TPs [%d/%d]", rows, tp_count, kTransponderSlots);
}

std::string ChannelCaption(int rows, int service_count, int capacity) {
  return Format("%d Channels [%d/%d]", rows, service_count, capacity);
}

}  // namespace kavor
