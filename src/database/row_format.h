// Row texts and list captions, formatted exactly as the lists show them, so
// the editor and kavor-cli print the same text.
#pragma once

#include <string>

#include "database/image.h"

namespace kavor {

std::string SatelliteRowText(int slot, const SatelliteRecord& sat);   // "%2d %s"
std::string TransponderRowText(const TransponderRecord& tp);          // "%4d %5d %C %5d"
std::string ChannelRowText(const ChannelRecord& ch);                  // "%4d %c %-16s"
std::string SatelliteCaption(int rows);                               // "%d Satellites"
std::string TransponderCaption(int rows, int tp_count);               // "%d TPs [%d/%d]"
std::string ChannelCaption(int rows, int service_count, int capacity);  // "%d Channels [%d/%d]"

}  // namespace kavor
