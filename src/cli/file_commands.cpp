#include "cli/file_commands.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/command_set.h"
#include "cli/messages.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/file_io.h"
#include "database/image_builder.h"
#include "database/row_format.h"
#include "database/table_check.h"

namespace kavor::cli {

namespace {

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
  if (auto error = doc.Open(PathFromUtf8(path), &reason)) {
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

namespace {

int RunDemo(const std::string& out, const std::optional<std::string>& kind_text) {
  int kind = kKind5;
  if (kind_text) {
    const auto k = ParseInt(*kind_text);
    if (!k || !IsValidKind(*k)) return UsageError("--kind must be 3 or 5");
    kind = *k;
  }
  Image image;
  BuildDemoImage(image, kind);
  std::string reason;
  if (!WriteDataFile(PathFromUtf8(out), image, &reason)) {
    PrintError(out, kFileSaveError, reason);
    return kExitFailed;
  }
  return kExitOk;
}

int RunInfo(const std::string& file, bool json) {
  Document doc;
  if (!Load(doc, file)) return kExitLoad;
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

  if (json) {
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

struct ListOptions {
  std::string file;
  bool radio = false;
  std::optional<std::string> satellite;
  bool transponders = false;
  bool satellites = false;
  bool csv = false;
};

int RunList(const ListOptions& options) {
  const bool transponders = options.transponders;
  const bool satellites = options.satellites;
  const bool csv = options.csv;
  if (transponders && satellites) return UsageError("--transponders and --satellites exclude each other");
  if (csv && (transponders || satellites)) return UsageError("--csv lists channels only");
  int satellite = 0;
  if (options.satellite) {
    const auto n = ParseInt(*options.satellite);
    if (!n || *n < 1 || *n > kSatelliteSlots) return UsageError("--satellite must be 1..50");
    satellite = *n;
  }
  Document doc;
  if (!Load(doc, options.file)) return kExitLoad;
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
  if (options.radio) view.SetTvMode(false);
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

int RunCheck(const std::string& file) {
  Document doc;
  if (!Load(doc, file)) return kExitLoad;
  const auto errors = CheckTables(doc.image());
  for (const auto& e : errors) PrintLine(e);
  if (errors.empty()) std::puts("ok");
  return errors.empty() ? kExitOk : kExitFailed;
}

}  // namespace

void AddFileCommands(CommandSet& commands) {
  {
    auto out = std::make_shared<std::string>();
    auto kind = std::make_shared<std::optional<std::string>>();
    CLI::App& demo = commands.Add("demo", "Write a synthetic demo image", [=] { return RunDemo(*out, *kind); });
    commands.Require(demo.add_option("OUT", *out, "The data file to write"), "demo needs exactly one output file");
    demo.add_option("--kind", *kind, "The image's kind: 3 or 5 (default 5)")->type_name("3|5");
  }
  {
    auto file = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    CLI::App& info =
        commands.Add("info", "Summary of a data file: kind, counts, satellites in use", [=] { return RunInfo(*file, *json); });
    commands.Require(info.add_option("FILE", *file, "The data file"), "info needs exactly one file");
    info.add_flag("--json", *json, "Print one JSON object");
  }
  {
    auto options = std::make_shared<ListOptions>();
    CLI::App& list =
        commands.Add("list", "The rows of a list, as the editor shows them", [=] { return RunList(*options); });
    commands.Require(list.add_option("FILE", options->file, "The data file"), "list needs exactly one file");
    list.add_flag("--radio", options->radio, "The radio channels instead of the TV channels");
    list.add_option("--satellite", options->satellite, "Only satellite slot N (1..50)")->type_name("N");
    list.add_flag("--transponders", options->transponders, "The transponders of satellite N (default 1)");
    list.add_flag("--satellites", options->satellites, "The 50 satellite rows");
    list.add_flag("--csv", options->csv, "The listed channels as CSV, for a spreadsheet");
  }
  {
    auto file = std::make_shared<std::string>();
    CLI::App& check = commands.Add("check", "Check the tables before writing them to a receiver",
                                   [=] { return RunCheck(*file); });
    commands.Require(check.add_option("FILE", *file, "The data file"), "check needs exactly one file");
  }
}

}  // namespace kavor::cli
