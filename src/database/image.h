// The receiver's channel-table memory image: one fixed buffer of the largest
// capacity, addressed slot by slot. Bytes the editor does not interpret are
// never touched, so they survive every load, edit and store.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kavor {

constexpr std::size_t kMaxImageLength = 0x3D000;
constexpr std::size_t kSectorSize = 4096;
constexpr std::size_t kSectorMarkerOffset = 4092;
constexpr std::uint16_t kSectorMarker = 0x4723;
constexpr int kSatelliteSlots = 50;
constexpr int kTransponderSlots = 1020;
constexpr int kKind3 = 3;
constexpr int kKind5 = 5;
constexpr int kMaxSatelliteName = 15;  // MAX_SATELLITE_NAME
constexpr int kSatelliteNameField = 16;
constexpr int kChannelNameField = 20;
constexpr std::size_t kHeaderOffset = 0x0FBA;
constexpr std::size_t kHeaderLength = 66;
constexpr std::size_t kSatUsedOffset = 0x0640;

// Sizes derived from the capacity kind (3 or 5); 0 for any other kind.
std::size_t ImageLength(int kind);
int SectorCount(int kind);
int ChannelCapacity(int kind);
bool IsValidKind(int kind);

// Byte positions of the slots inside the image.
std::size_t SatelliteOffset(int slot);
std::size_t TransponderOffset(int slot);
std::size_t ChannelOffset(int slot);

std::uint16_t ReadU16(const std::uint8_t* p);
void WriteU16(std::uint8_t* p, std::uint16_t v);
std::uint32_t ReadU32(const std::uint8_t* p);
void WriteU32(std::uint8_t* p, std::uint32_t v);

// Reads a NUL-terminated name that may fill its whole field without a NUL.
std::string ReadFixedName(const std::uint8_t* field, std::size_t width);
// Writes at most width-1 bytes and NUL-pads the rest of the field.
void WriteFixedName(std::uint8_t* field, std::size_t width, const std::string& name);

// True when every sector of an image of that kind carries the marker 0x4723.
// `bytes` must hold at least ImageLength(kind) bytes.
bool CheckSectorMarkers(const std::uint8_t* bytes, int kind);
// True when the header's mTpCount and mServiceCount fit the slots of an image
// of that kind; larger counts would make the index address slots that do not
// exist. Every path that installs an image checks this.
bool HeaderCountsFit(const std::uint8_t* bytes, int kind);

// Typed views onto one record; they hold only a pointer into the image.
class SatelliteRecord {
 public:
  static constexpr std::size_t kSize = 32;
  explicit SatelliteRecord(std::uint8_t* p) : p_(p) {}
  std::uint8_t* data() const { return p_; }
  std::uint16_t mLnbFrequency() const { return ReadU16(p_ + 0x00); }
  void set_mLnbFrequency(std::uint16_t v) const { WriteU16(p_ + 0x00, v); }
  std::uint16_t mDegree() const { return ReadU16(p_ + 0x02); }
  void set_mDegree(std::uint16_t v) const { WriteU16(p_ + 0x02, v); }
  std::string mSatName() const { return ReadFixedName(p_ + 0x06, kSatelliteNameField); }
  void set_mSatName(const std::string& s) const { WriteFixedName(p_ + 0x06, kSatelliteNameField, s); }
  std::uint8_t mSatId() const { return p_[0x16]; }
  void set_mSatId(std::uint8_t v) const { p_[0x16] = v; }
  std::uint8_t mAntenaType() const { return p_[0x17]; }
  void set_mAntenaType(std::uint8_t v) const { p_[0x17] = v; }
  std::uint8_t mFlag() const { return p_[0x18]; }
  void set_mFlag(std::uint8_t v) const { p_[0x18] = v; }
  std::uint8_t mSwitcher() const { return p_[0x19]; }
  void set_mSwitcher(std::uint8_t v) const { p_[0x19] = v; }
  std::uint8_t mSatFlag2() const { return p_[0x1D]; }
  void set_mSatFlag2(std::uint8_t v) const { p_[0x1D] = v; }

 private:
  std::uint8_t* p_;
};

class TransponderRecord {
 public:
  static constexpr std::size_t kSize = 16;
  explicit TransponderRecord(std::uint8_t* p) : p_(p) {}
  std::uint8_t* data() const { return p_; }
  std::uint16_t mNetworkId() const { return ReadU16(p_ + 0x04); }
  void set_mNetworkId(std::uint16_t v) const { WriteU16(p_ + 0x04, v); }
  std::uint16_t mTpId() const { return ReadU16(p_ + 0x06); }
  void set_mTpId(std::uint16_t v) const { WriteU16(p_ + 0x06, v); }
  std::uint16_t mFrequency() const { return ReadU16(p_ + 0x08); }
  void set_mFrequency(std::uint16_t v) const { WriteU16(p_ + 0x08, v); }
  std::uint16_t mSymbolRate() const { return ReadU16(p_ + 0x0A); }
  void set_mSymbolRate(std::uint16_t v) const { WriteU16(p_ + 0x0A, v); }
  std::uint8_t mSatId() const { return p_[0x0C]; }
  void set_mSatId(std::uint8_t v) const { p_[0x0C] = v; }
  std::uint8_t mTpNumber() const { return p_[0x0D]; }
  void set_mTpNumber(std::uint8_t v) const { p_[0x0D] = v; }
  std::uint8_t mTpFlag() const { return p_[0x0E]; }
  void set_mTpFlag(std::uint8_t v) const { p_[0x0E] = v; }
  bool IsVertical() const { return (mTpFlag() & 0x08) != 0; }
  int Fec() const { return mTpFlag() & 0x07; }

 private:
  std::uint8_t* p_;
};

// mServiceFlag bits.
constexpr std::uint16_t kFlagFavourite5 = 1u << 1;
constexpr std::uint16_t kFlagLocked = 1u << 2;
constexpr std::uint16_t kFlagScrambled = 1u << 3;
constexpr std::uint16_t kServiceTypeMask = 0x0700;
constexpr int kServiceTypeTv = 1;
constexpr int kServiceTypeRadio = 2;

class ChannelRecord {
 public:
  static constexpr std::size_t kSize = 44;
  explicit ChannelRecord(std::uint8_t* p) : p_(p) {}
  std::uint8_t* data() const { return p_; }
  std::uint16_t mNetworkId() const { return ReadU16(p_ + 0x00); }
  void set_mNetworkId(std::uint16_t v) const { WriteU16(p_ + 0x00, v); }
  std::uint16_t mServiceId() const { return ReadU16(p_ + 0x02); }
  void set_mServiceId(std::uint16_t v) const { WriteU16(p_ + 0x02, v); }
  std::uint16_t mChannelNo() const { return ReadU16(p_ + 0x04); }
  void set_mChannelNo(std::uint16_t v) const { WriteU16(p_ + 0x04, v); }
  std::uint16_t mVideoPid() const { return ReadU16(p_ + 0x06); }
  void set_mVideoPid(std::uint16_t v) const { WriteU16(p_ + 0x06, v); }
  std::uint16_t mAudioPid() const { return ReadU16(p_ + 0x08); }
  void set_mAudioPid(std::uint16_t v) const { WriteU16(p_ + 0x08, v); }
  std::uint16_t mPcrPid() const { return ReadU16(p_ + 0x0A); }
  void set_mPcrPid(std::uint16_t v) const { WriteU16(p_ + 0x0A, v); }
  std::uint16_t mServiceFlag() const { return ReadU16(p_ + 0x0C); }
  void set_mServiceFlag(std::uint16_t v) const { WriteU16(p_ + 0x0C, v); }
  std::uint16_t mCaSystemId() const { return ReadU16(p_ + 0x0E); }
  void set_mCaSystemId(std::uint16_t v) const { WriteU16(p_ + 0x0E, v); }
  std::uint16_t mEcmPid() const { return ReadU16(p_ + 0x10); }
  void set_mEcmPid(std::uint16_t v) const { WriteU16(p_ + 0x10, v); }
  std::uint8_t mSatId() const { return p_[0x12]; }
  void set_mSatId(std::uint8_t v) const { p_[0x12] = v; }
  std::uint8_t mTpNumber() const { return p_[0x13]; }
  void set_mTpNumber(std::uint8_t v) const { p_[0x13] = v; }
  std::uint8_t mCategory() const { return p_[0x14]; }
  void set_mCategory(std::uint8_t v) const { p_[0x14] = v; }
  std::uint8_t mAudioFlag() const { return p_[0x15]; }
  void set_mAudioFlag(std::uint8_t v) const { p_[0x15] = v; }
  std::uint8_t mServiceFlag2() const { return p_[0x16]; }
  void set_mServiceFlag2(std::uint8_t v) const { p_[0x16] = v; }
  std::uint8_t mCharTable() const { return p_[0x17]; }
  void set_mCharTable(std::uint8_t v) const { p_[0x17] = v; }
  std::string mServiceName() const { return ReadFixedName(p_ + 0x18, kChannelNameField); }
  void set_mServiceName(const std::string& s) const { WriteFixedName(p_ + 0x18, kChannelNameField, s); }

  int ServiceType() const { return (mServiceFlag() & kServiceTypeMask) >> 8; }
  bool IsScrambled() const { return (mServiceFlag() & kFlagScrambled) != 0; }
  bool IsLocked() const { return (mServiceFlag() & kFlagLocked) != 0; }

 private:
  std::uint8_t* p_;
};

// The image itself together with its capacity kind. Heap-allocated once; the
// buffer is always kMaxImageLength bytes whatever the kind.
class Image {
 public:
  Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  std::uint8_t* bytes() { return bytes_.get(); }
  const std::uint8_t* bytes() const { return bytes_.get(); }
  int kind() const { return kind_; }
  void set_kind(int kind) { kind_ = kind; }
  std::size_t length() const { return ImageLength(kind_); }
  int channel_capacity() const { return ChannelCapacity(kind_); }

  SatelliteRecord Satellite(int slot) const;
  TransponderRecord Transponder(int slot) const;
  ChannelRecord Channel(int slot) const;

  std::uint16_t mTpCount() const;
  void set_mTpCount(std::uint16_t v);
  std::uint16_t mServiceCount() const;
  void set_mServiceCount(std::uint16_t v);
  std::uint16_t mSatUsedCount() const;
  void set_mSatUsedCount(std::uint16_t v);
  std::uint8_t* header() { return bytes() + kHeaderOffset; }
  std::uint8_t* sat_used_list() { return bytes() + kSatUsedOffset; }
  const std::uint8_t* sat_used_list() const { return bytes() + kSatUsedOffset; }

  // Counts clamped to what the kind can address; Open refuses larger counts,
  // this is the second line of defence for images built in memory.
  int TpCountInUse() const;
  int ServiceCountInUse() const;

  // Replaces the image with `length` bytes of an accepted new image.
  void Install(const std::uint8_t* staged, int kind);

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  int kind_ = 0;
};

// TV and radio channels numbered 1, 2, ... in slot order, separately.
void RenumberChannels(Image& image);
// Ascending ids of satellites that have at least one numbered TV/radio channel.
void RebuildSatellitesInUse(Image& image);

}  // namespace kavor
