// The SatcoDx channel-list import: the TV and radio services of the current
// satellite's position are added to the image, a transponder for every
// frequency the satellite lacks and a channel for every service not yet on
// its transponder. Nothing already in the image is removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/view_state.h"
#include "editing/user_interface.h"

namespace kavor {

inline constexpr std::size_t kSatcoDxPieceLength = 128;

// The file's text cut as a line read of at most 128 characters cuts it: a
// piece ends after a line feed or after 128 characters. A CR right before a
// LF has been dropped, as a text-mode read drops it.
std::vector<std::string_view> SplitSatcoDxPieces(std::string_view text);

// The whole file with every CR before a LF dropped; nothing when the path
// names no readable file (missing, a folder, unreadable, a NUL in it).
std::optional<std::string> ReadSatcoDxText(const std::string& path);

struct SatcoDxCounts {
  int transponders = 0;
  int channels = 0;
};

// Imports `text` into the current satellite; the lists are refilled as the
// import leaves them. Nothing happens without a current satellite.
SatcoDxCounts ImportSatcoDxText(ViewState& view, UserInterface& ui, std::string_view text);

// The whole operation after the file was chosen: reads it, imports, and
// reports "%d-Transponder, %d-Channel imported." or "File open error".
// Nothing when the file could not be read (the image is unchanged).
std::optional<SatcoDxCounts> ImportSatcoDx(ViewState& view, UserInterface& ui, const std::string& path);

}  // namespace kavor
