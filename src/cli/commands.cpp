#include "cli/commands.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>

#include "cli/messages.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "database/row_format.h"
#include "database/table_check.h"

namespace kavor::cli {

namespace {

// Splits words into positional arguments and --options; options listed in
// `with_value` take the next word as their value.
struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::string error;
};

Args Parse(const std::vector<std::string>& words, const std::vector<std::string>& flags,
           const std::vector<std::string>& with_value) {
  Args out;
  auto listed = [](const std::vector<std::string>& v, const std::string& w) {
    for (const auto& x : v)
      if (x == w) return true;
    return false;
  };
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() > 1 && w[0] == '-') {
      if (listed(flags, w)) {
        out.options[w] = "";
      } else if (listed(with_value, w)) {
        if (i + 1 >= words.size()) {
          out.error = "option " + w + " needs a value";
          return out;
        }
        out.options[w] = words[++i];
      } else {
        out.error = "unknown option " + w;
        return out;
      }
    } else {
      out.positional.push_back(w);
    }
  }
  return out;
}

int Usage(const std::string& text) {
  std::fprintf(stderr, "kavor-cli: %s (see kavor-cli --help)\n", text.c_str());
  return kExitUsage;
}

std::optional<int> ParseInt(const std::string& s) {
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

// Loads FILE exactly as the editor's Open does; on failure prints the
// editor's message with the file and the reason.
bool Load(Document& doc, const std::string& path) {
  std::string reason;
  if (auto error = doc.Open(path, &reason)) {
    PrintError(path, *error, reason);
    return false;
  }
  return true;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void PrintChannelCsv(const ViewState& view) {
  std::puts(
      "slot,number,type,name,sat_id,tp_number,frequency,polarity,symbol_rate,video_pid,"
      "audio_pid,pcr_pid,service_id,network_id,scrambled,locked");
  const Image& image = view.image();
  const int tp_count = image.TpCountInUse();
  for (int slot : view.channel_rows()) {
    const ChannelRecord c = view.channel(slot);
    std::string frequency, polarity, symbol_rate;
    for (int t = 0; t < tp_count; ++t) {
      const TransponderRecord tp = view.transponder(t);
      if (tp.mSatId() == c.mSatId() && tp.mTpNumber() == c.mTpNumber()) {
        frequency = std::to_string(tp.mFrequency());
        polarity = tp.IsVertical() ? "V" : "H";
        symbol_rate = std::to_string(tp.mSymbolRate());
        break;
      }
    }
    const std::string line =
        std::to_string(slot) + "," + std::to_string(c.mChannelNo()) + "," +
        (c.ServiceType() == kServiceTypeTv ? "TV" : "Radio") + "," +
        CsvField(Latin1ToUtf8(c.mServiceName())) + "," + std::to_string(c.mSatId()) + "," +
        std::to_string(c.mTpNumber()) + "," + frequency + "," + polarity + "," + symbol_rate +
        "," + std::to_string(c.mVideoPid()) + "," + std::to_string(c.mAudioPid()) + "," +
        std::to_string(c.mPcrPid()) + "," + std::to_string(c.mServiceId()) + "," +
        std::to_string(c.mNetworkId()) + "," + (c.IsScrambled() ? "1" : "0") + "," +
        (c.IsLocked() ? "1" : "0");
    std::puts(line.c_str());
  }
}

void PrintLine(const std::string& row) { std::puts(Latin1ToUtf8(row).c_str()); }

}  // namespace

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out += char(b);
    } else {
      out += char(0xC0 | (b >> 6));
      out += char(0x80 | (b & 0x3F));
    }
  }
  return out;
}

int RunDemoCommand(const std::vector<std::string>& words) {
  const Args args = Parse(words, {}, {"--kind"});
  if (!args.error.empty()) return Usage(args.error);
  if (args.positional.size() != 1) return Usage("demo needs exactly one output file");
  int kind = kKind5;
  if (args.options.count("--kind")) {
    const auto k = ParseInt(args.options.at("--kind"));
    if (!k || !IsValidKind(*k)) return Usage("--kind must be 3 or 5");
    kind = *k;
  }
  Image image;
  BuildDemoImage(image, kind);
  std::string reason;
  if (!WriteDataFile(args.positional[0], image, &reason)) {
    PrintError(args.positional[0], kFileSaveError, reason);
    return kExitFailed;
  }
  return kExitOk;
}

int RunInfoCommand(const std::vector<std::string>& words) {
  const Args args = Parse(words, {"--json"}, {});
  if (!args.error.empty()) return Usage(args.error);
  if (args.positional.size() != 1) return Usage("info needs exactly one file");
  Document doc;
  if (!Load(doc, args.positional[0])) return kExitLoad;
  ViewState& view = doc.view();
  const Image& image = doc.image();
  const std::size_t tv = view.channel_rows().size();
  view.SetTvMode(false);
  const std::size_t radio = view.channel_rows().size();
  view.SetTvMode(true);
  // Only ids that name a satellite slot are listed, and counted.
  std::vector<int> used;
  for (int k = 0; k < image.mSatUsedCount() && k < kSatelliteSlots; ++k) {
    const int id = image.sat_used_list()[k];
    if (id >= 1 && id <= kSatelliteSlots) used.push_back(id);
  }

  if (args.options.count("--json")) {
    std::string sat_used;
    for (std::size_t k = 0; k < used.size(); ++k)
      sat_used += (k ? "," : "") + std::to_string(used[k]);
    std::printf(
        "{\"kind\":%d,\"image_length\":%zu,\"service_count\":%d,\"service_capacity\":%d,"
        "\"tv_channels\":%zu,\"radio_channels\":%zu,\"tp_count\":%d,\"tp_capacity\":%d,"
        "\"sat_used\":[%s]}\n",
        image.kind(), image.length(), int(image.mServiceCount()), image.channel_capacity(), tv,
        radio, int(image.mTpCount()), kTransponderSlots, sat_used.c_str());
    return kExitOk;
  }
  std::printf("File:          %s\n", doc.document_path().c_str());
  std::printf("Kind:          %d (%zu bytes)\n", image.kind(), image.length());
  std::printf("Channels:      %d of %d (%zu TV, %zu radio)\n", int(image.mServiceCount()),
              image.channel_capacity(), tv, radio);
  std::printf("Transponders:  %d of %d\n", int(image.mTpCount()), kTransponderSlots);
  std::printf("Satellites in use (%zu):\n", used.size());
  for (int id : used) PrintLine("  " + SatelliteRowText(id - 1, view.satellite(id - 1)));
  return kExitOk;
}

int RunListCommand(const std::vector<std::string>& words) {
  const Args args =
      Parse(words, {"--radio", "--transponders", "--satellites", "--csv"}, {"--satellite"});
  if (!args.error.empty()) return Usage(args.error);
  if (args.positional.size() != 1) return Usage("list needs exactly one file");
  const bool transponders = args.options.count("--transponders") != 0;
  const bool satellites = args.options.count("--satellites") != 0;
  const bool csv = args.options.count("--csv") != 0;
  if (transponders && satellites) return Usage("--transponders and --satellites exclude each other");
  if (csv && (transponders || satellites)) return Usage("--csv lists channels only");
  int satellite = 0;
  if (args.options.count("--satellite")) {
    const auto n = ParseInt(args.options.at("--satellite"));
    if (!n || *n < 1 || *n > kSatelliteSlots) return Usage("--satellite must be 1..50");
    satellite = *n;
  }
  Document doc;
  if (!Load(doc, args.positional[0])) return kExitLoad;
  ViewState& view = doc.view();

  if (satellites) {
    for (int i = 0; i < kSatelliteSlots; ++i) PrintLine(SatelliteRowText(i, view.satellite(i)));
    return kExitOk;
  }
  if (transponders) {
    view.ChooseSatellite((satellite ? satellite : 1) - 1);
    for (int t : view.transponder_rows()) PrintLine(TransponderRowText(view.transponder(t)));
    return kExitOk;
  }
  if (args.options.count("--radio")) view.SetTvMode(false);
  if (satellite) {
    view.SetAllSatellites(false);
    view.ChooseSatellite(satellite - 1);
  }
  if (csv) {
    PrintChannelCsv(view);
    return kExitOk;
  }
  for (int slot : view.channel_rows()) PrintLine(ChannelRowText(view.channel(slot)));
  return kExitOk;
}

int RunCheckCommand(const std::vector<std::string>& words) {
  const Args args = Parse(words, {}, {});
  if (!args.error.empty()) return Usage(args.error);
  if (args.positional.size() != 1) return Usage("check needs exactly one file");
  Document doc;
  if (!Load(doc, args.positional[0])) return kExitLoad;
  const auto errors = CheckTables(doc.image());
  for (const auto& e : errors) PrintLine(e);
  if (errors.empty()) std::puts("ok");
  return errors.empty() ? kExitOk : kExitFailed;
}

}  // namespace kavor::cli
