#include "database/image.h"

#include <algorithm>
#include <cstring>

namespace kavor {

namespace {
constexpr std::size_t kChannelsInSector0 = 54;
constexpr std::size_t kChannelsPerSector = 92;
constexpr std::size_t kTranspondersPerSector = 255;
constexpr std::size_t kSector0ChannelBase = 0x0672;
constexpr std::size_t kTransponderBase = 0x3000;
constexpr std::size_t kChannelBase = 0x7000;
constexpr std::size_t kTpCountOffset = 4;
constexpr std::size_t kServiceCountOffset = 6;
constexpr std::size_t kSatUsedCountOffset = 10;
}  // namespace

bool IsValidKind(int kind) { return kind == kKind3 || kind == kKind5; }

std::size_t ImageLength(int kind) {
  return kind == kKind3 ? 0x28000 : kind == kKind5 ? 0x3D000 : 0;
}

int SectorCount(int kind) { return kind == kKind3 ? 40 : kind == kKind5 ? 61 : 0; }

int ChannelCapacity(int kind) {
  const int sectors = SectorCount(kind);
  return sectors == 0 ? 0 : int(kChannelsInSector0 + (sectors - 7) * kChannelsPerSector);
}

std::size_t SatelliteOffset(int slot) { return 32 * std::size_t(slot); }

std::size_t TransponderOffset(int slot) {
  const auto t = std::size_t(slot);
  return kTransponderBase + kSectorSize * (t / kTranspondersPerSector) +
         16 * (t % kTranspondersPerSector);
}

std::size_t ChannelOffset(int slot) {
  const auto n = std::size_t(slot);
  if (n < kChannelsInSector0) return kSector0ChannelBase + 44 * n;
  const std::size_t k = n - kChannelsInSector0;
  return kChannelBase + kSectorSize * (k / kChannelsPerSector) + 44 * (k % kChannelsPerSector);
}

std::uint16_t ReadU16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

void WriteU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}

std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void WriteU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

std::string ReadFixedName(const std::uint8_t* field, std::size_t width) {
  const auto* end = std::find(field, field + width, std::uint8_t(0));
  return std::string(reinterpret_cast<const char*>(field), std::size_t(end - field));
}

void WriteFixedName(std::uint8_t* field, std::size_t width, const std::string& name) {
  const std::size_t n = std::min(name.size(), width - 1);
  std::memcpy(field, name.data(), n);
  std::memset(field + n, 0, width - n);
}

bool CheckSectorMarkers(const std::uint8_t* bytes, int kind) {
  const int sectors = SectorCount(kind);
  if (sectors == 0) return false;
  for (int s = 0; s < sectors; ++s) {
    if (ReadU16(bytes + kSectorSize * std::size_t(s) + kSectorMarkerOffset) != kSectorMarker)
      return false;
  }
  return true;
}

bool HeaderCountsFit(const std::uint8_t* bytes, int kind) {
  const std::uint8_t* header = bytes + kHeaderOffset;
  return ReadU16(header + 4) <= kTransponderSlots && ReadU16(header + 6) <= ChannelCapacity(kind);
}

Image::Image() : bytes_(new std::uint8_t[kMaxImageLength]()) {}

SatelliteRecord Image::Satellite(int slot) const {
  return SatelliteRecord(bytes_.get() + SatelliteOffset(slot));
}
TransponderRecord Image::Transponder(int slot) const {
  return TransponderRecord(bytes_.get() + TransponderOffset(slot));
}
ChannelRecord Image::Channel(int slot) const {
  return ChannelRecord(bytes_.get() + ChannelOffset(slot));
}

std::uint16_t Image::mTpCount() const { return ReadU16(bytes() + kHeaderOffset + kTpCountOffset); }
void Image::set_mTpCount(std::uint16_t v) { WriteU16(header() + kTpCountOffset, v); }
std::uint16_t Image::mServiceCount() const {
  return ReadU16(bytes() + kHeaderOffset + kServiceCountOffset);
}
void Image::set_mServiceCount(std::uint16_t v) { WriteU16(header() + kServiceCountOffset, v); }
std::uint16_t Image::mSatUsedCount() const {
  return ReadU16(bytes() + kHeaderOffset + kSatUsedCountOffset);
}
void Image::set_mSatUsedCount(std::uint16_t v) { WriteU16(header() + kSatUsedCountOffset, v); }

int Image::TpCountInUse() const { return std::min<int>(mTpCount(), kTransponderSlots); }
int Image::ServiceCountInUse() const { return std::min<int>(mServiceCount(), channel_capacity()); }

void Image::Install(const std::uint8_t* staged, int kind) {
  std::memcpy(bytes_.get(), staged, ImageLength(kind));
  kind_ = kind;
}

void RenumberChannels(Image& image) {
  std::uint16_t tv = 0, radio = 0;
  const int count = image.ServiceCountInUse();
  for (int n = 0; n < count; ++n) {
    const ChannelRecord c = image.Channel(n);
    if (c.mChannelNo() == 0) continue;
    const std::uint16_t flag = c.mServiceFlag();
    if (flag & 0x0100)
      c.set_mChannelNo(++tv);
    else if (flag & 0x0200)
      c.set_mChannelNo(++radio);
  }
}

void RebuildSatellitesInUse(Image& image) {
  const int count = image.ServiceCountInUse();
  // One pass marking ids; same result as scanning per id, in ascending order.
  bool used[kSatelliteSlots + 1] = {};
  for (int n = 0; n < count; ++n) {
    const ChannelRecord c = image.Channel(n);
    const int id = c.mSatId();
    if (id >= 1 && id <= kSatelliteSlots && c.mChannelNo() != 0 && (c.mServiceFlag() & 0x0300))
      used[id] = true;
  }
  std::uint8_t* list = image.sat_used_list();
  int k = 0;
  for (int id = 1; id <= kSatelliteSlots; ++id)
    if (used[id]) list[k++] = std::uint8_t(id);
  image.set_mSatUsedCount(std::uint16_t(k));
}

}  // namespace kavor
