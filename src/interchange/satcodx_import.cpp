#include "interchange/satcodx_import.h"

#include <array>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "database/file_io.h"
#include "editing/number_text.h"
#include "editing/transponder_operations.h"

namespace kavor {

namespace {

constexpr std::string_view kRecordTag = "SATCODX103";
constexpr std::uint16_t kTvFlag = 0x0100;
constexpr std::uint16_t kRadioFlag = 0x0200;
constexpr std::uint8_t kVerticalBit = 0x08;

// The number in a fixed column range, as atoi reads it.
long long Number(std::string_view piece, std::size_t column, std::size_t width) {
  return ReadLeadingInteger(piece.substr(column, width));
}

// The low 16 bits: what the record's field would hold.
std::uint16_t Stored(long long value) { return std::uint16_t(static_cast<unsigned long long>(value)); }

int CurrentSatId(const ViewState& view) {
  if (!view.indexed() || view.current_satellite() == ViewState::kNone) return -1;
  return view.satellite(view.current_satellite()).mSatId();
}

// The first record of the satellite in use whose frequency is within 1 MHz.
int FindTransponder(const ViewState& view, int sat_id, std::uint16_t frequency) {
  const int count = view.image().TpCountInUse();
  for (int t = 0; t < count; ++t) {
    const TransponderRecord tp = view.transponder(t);
    const int difference = int(tp.mFrequency()) - int(frequency);
    if (tp.mSatId() == sat_id && difference >= -1 && difference <= 1) return t;
  }
  return -1;
}

bool HasDuplicate(const ViewState& view, int sat_id, int tp_number, std::uint16_t video,
                  std::uint16_t audio, std::uint16_t pcr) {
  const int services = view.image().ServiceCountInUse();
  for (int n = 0; n < services; ++n) {
    const ChannelRecord c = view.channel(n);
    if (c.mSatId() == sat_id && c.mTpNumber() == tp_number && c.mVideoPid() == video &&
        c.mAudioPid() == audio && c.mPcrPid() == pcr)
      return true;
  }
  return false;
}

}  // namespace

std::vector<std::string_view> SplitSatcoDxPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t length = std::min(kSatcoDxPieceLength, text.size() - at);
    const std::size_t lf = text.substr(at, length).find('\n');
    if (lf != std::string_view::npos) length = lf + 1;
    pieces.push_back(text.substr(at, length));
    at += length;
  }
  return pieces;
}

std::optional<std::string> ReadSatcoDxText(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  std::FILE* file = OpenFile(PathFromUtf8(path), "rb");
  if (!file) return std::nullopt;
  struct stat info {};
  // A folder opens for reading but yields no text.
  if (::fstat(::fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return std::nullopt;
  }
  std::string raw;
  std::array<char, 65536> buffer;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) raw.append(buffer.data(), got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
}

SatcoDxCounts ImportSatcoDxText(ViewState& view, UserInterface& ui, std::string_view text) {
  SatcoDxCounts counts;
  const int sat_id = CurrentSatId(view);
  if (sat_id < 0) return counts;
  Image& image = view.image();
  const std::uint16_t degree = view.satellite(view.current_satellite()).mDegree();
  const int capacity = image.channel_capacity();
  TransponderOperations transponders(view, ui);

  for (const std::string_view piece : SplitSatcoDxPieces(text)) {
    if (piece.size() != kSatcoDxPieceLength || piece.substr(0, kRecordTag.size()) != kRecordTag) continue;
    // A line read would stop its string at the NUL: no whole record.
    if (piece.find('\0') != std::string_view::npos) continue;
    if (Stored(Number(piece, 51, 4)) != degree) continue;
    const std::string_view type = piece.substr(28, 5);
    const bool tv = type == "TMPG2";
    if (!tv && type != "RMPG2") continue;
    const long long pcr_read = Number(piece, 83, 4);
    if (pcr_read == 0) continue;
    const std::uint16_t video = Stored(Number(piece, 75, 4));
    const std::uint16_t audio = Stored(Number(piece, 79, 4));
    const std::uint16_t pcr = Stored(pcr_read);
    const std::uint16_t network_id = Stored(Number(piece, 92, 5));
    const std::uint16_t tp_id = Stored(Number(piece, 97, 5));
    const std::uint16_t service_id = Stored(Number(piece, 87, 5));
    const std::uint16_t frequency = Stored(Number(piece, 33, 6));

    int tp_number = 0;
    const int found = FindTransponder(view, sat_id, frequency);
    if (found >= 0) {
      tp_number = view.transponder(found).mTpNumber();
    } else {
      // A full table, or a satellite with 255 records, leaves the service
      // without a transponder: it is skipped.
      const std::optional<TransponderPlace> place = PlaceNewTransponder(view, AddKind::Import);
      if (!place) continue;
      std::array<std::uint8_t, TransponderRecord::kSize> bytes{};
      const TransponderRecord record(bytes.data());
      record.set_mFrequency(frequency);
      record.set_mSatId(std::uint8_t(sat_id));
      record.set_mTpNumber(std::uint8_t((view.transponder_rows().size() + 1) % 256));
      record.set_mNetworkId(network_id);
      record.set_mSymbolRate(Stored(Number(piece, 69, 5)));
      record.set_mTpId(tp_id);
      if (piece.substr(39, 4) == "0000") record.set_mTpFlag(kVerticalBit);
      if (!transponders.Add(AddKind::Import, bytes.data())) continue;
      ++counts.transponders;
      // The number the record stands at once added; it is N + 1 wherever
      // every record of the satellite is listed.
      tp_number = view.transponder(place->slot).mTpNumber();
    }

    if (HasDuplicate(view, sat_id, tp_number, video, audio, pcr)) continue;
    const int slot = image.ServiceCountInUse();
    if (slot >= capacity) continue;
    const ChannelRecord channel = image.Channel(slot);
    std::memset(channel.data(), 0, ChannelRecord::kSize);
    channel.set_mNetworkId(network_id);
    channel.set_mServiceId(service_id);
    // Non-zero so the renumbering at the end gives it its number.
    channel.set_mChannelNo(std::uint16_t(capacity));
    channel.set_mVideoPid(video);
    channel.set_mAudioPid(audio);
    channel.set_mPcrPid(pcr);
    const char free_mark = piece[111];
    const bool scrambled = free_mark != ' ' && free_mark != '_';
    channel.set_mServiceFlag(std::uint16_t((tv ? kTvFlag : kRadioFlag) | (scrambled ? kFlagScrambled : 0)));
    channel.set_mSatId(std::uint8_t(sat_id));
    channel.set_mTpNumber(std::uint8_t(tp_number));
    channel.set_mAudioFlag(audio != 0 ? 1 : 0);
    std::string name(piece.substr(43, 8));
    name.append(piece.substr(115, 11));
    channel.set_mServiceName(name);
    image.set_mServiceCount(std::uint16_t(slot + 1));
    ++counts.channels;
  }

  RenumberChannels(image);
  RebuildSatellitesInUse(image);
  view.RefillChannelList();
  return counts;
}

std::optional<SatcoDxCounts> ImportSatcoDx(ViewState& view, UserInterface& ui, const std::string& path) {
  const std::optional<std::string> text = ReadSatcoDxText(path);
  if (!text) {
    ui.ShowMessage("File open error", MessageIcon::Error);
    return std::nullopt;
  }
  const SatcoDxCounts counts = ImportSatcoDxText(view, ui, *text);
  ui.ShowMessage(std::to_string(counts.transponders) + "-Transponder, " + std::to_string(counts.channels) +
                     "-Channel imported.",
                 MessageIcon::Exclamation);
  return counts;
}

}  // namespace kavor
