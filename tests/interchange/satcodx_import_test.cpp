#include "interchange/satcodx_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "database/image_builder.h"
#include "database/table_check.h"
#include "editing/fake_user_interface.h"
#include "editing/operations.h"
#include "support/satcodx_record.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using kavor::testing::TempDir;

using Sdx = kavor::testing::Sdx;

std::string Pid(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04d", value);
  return text;
}

// A user that records each message with its icon.
class MessageUi : public FakeUserInterface {
 public:
  std::vector<std::pair<std::string, MessageIcon>> messages;
  void ShowMessage(const std::string& text, MessageIcon icon) override { messages.emplace_back(text, icon); }
};

// Satellite 1 at 19.2E with 11494 H and 11700 V and two channels on the
// first; satellite 2 at 13.0E with one transponder; satellite 3 at 5.0W with
// none; satellite 4 with one transponder after it in the table.
class SatcoDxImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImageBuilder b(image, 3);
    b.NameSatellite(0, "Astra", 192);
    b.NameSatellite(1, "Hotbird", 130);
    b.NameSatellite(2, "Thor", 3600 - 50);
    b.NameSatellite(3, "Sirius", 50);
    b.AddTransponder(1, 11494, 27500, false);
    b.AddTransponder(1, 11700, 22000, true);
    b.AddTransponder(2, 10992, 27500, true);
    b.AddTransponder(4, 12000, 27500, false);
    b.AddChannel(1, 1, {kServiceTypeTv, "Old TV", false, false, 100, 101, 102, 1, 1});
    b.AddChannel(1, 1, {kServiceTypeRadio, "Old radio", false, false, 0, 201, 202, 2, 1});
    b.AddChannel(2, 1, {kServiceTypeTv, "Other TV", false, false, 300, 301, 302, 3, 1});
    b.Finish();
    ASSERT_THAT(CheckTables(image), IsEmpty());
    view.RebuildIndex();
    view.set_image_loaded();
    view.ChooseSatellite(0);
  }

  SatcoDxCounts Import(const std::string& text) {
    const SatcoDxCounts counts = ImportSatcoDxText(view, ui, text);
    EXPECT_THAT(CheckTables(image), IsEmpty());
    return counts;
  }
  std::optional<SatcoDxCounts> ImportFile(const std::string& path) {
    const std::optional<SatcoDxCounts> counts = ImportSatcoDx(view, ui, path);
    EXPECT_THAT(CheckTables(image), IsEmpty());
    return counts;
  }
  std::vector<std::uint8_t> Bytes() const {
    return std::vector<std::uint8_t>(image.bytes(), image.bytes() + image.length());
  }
  int Transponders() const { return image.mTpCount(); }
  int Channels() const { return image.mServiceCount(); }
  ChannelRecord LastChannel() const { return image.Channel(image.mServiceCount() - 1); }

  Image image;
  ViewState view{image};
  MessageUi ui;
};

TEST_F(SatcoDxImportTest, AddsATransponderAndAChannelWithEveryField) {
  Sdx r;
  r.frequency = "012188";
  r.polarity = "0000";
  r.symbol_rate = "27500";
  r.video = "1023";
  r.audio = "1024";
  r.pcr = "1025";
  r.service_id = "12345";
  r.network_id = "00133";
  r.ts_id = "00007";
  r.name1 = "Das Erst";
  r.name2 = "e HD      x";
  const SatcoDxCounts counts = Import(r.Line());
  EXPECT_EQ(counts.transponders, 1);
  EXPECT_EQ(counts.channels, 1);

  // Appended after satellite 1's records, numbered 3 (N + 1).
  ASSERT_EQ(Transponders(), 5);
  const TransponderRecord tp = image.Transponder(2);
  std::array<std::uint8_t, 16> expected_tp{};
  const TransponderRecord want(expected_tp.data());
  want.set_mFrequency(12188);
  want.set_mSatId(1);
  want.set_mTpNumber(3);
  want.set_mNetworkId(133);
  want.set_mSymbolRate(27500);
  want.set_mTpId(7);
  want.set_mTpFlag(0x08);
  EXPECT_EQ(std::memcmp(tp.data(), expected_tp.data(), expected_tp.size()), 0);

  ASSERT_EQ(Channels(), 4);
  std::array<std::uint8_t, 44> expected_ch{};
  const ChannelRecord ch(expected_ch.data());
  ch.set_mNetworkId(133);
  ch.set_mServiceId(12345);
  ch.set_mChannelNo(3);  // after the two existing TV channels
  ch.set_mVideoPid(1023);
  ch.set_mAudioPid(1024);
  ch.set_mPcrPid(1025);
  ch.set_mServiceFlag(0x0100);
  ch.set_mSatId(1);
  ch.set_mTpNumber(3);
  ch.set_mAudioFlag(1);
  std::memcpy(expected_ch.data() + 0x18, "Das Erste HD      x", 19);
  EXPECT_EQ(std::memcmp(LastChannel().data(), expected_ch.data(), expected_ch.size()), 0);

  // The last added transponder is current; no channel row is selected.
  EXPECT_EQ(view.current_transponder(), 2);
  EXPECT_EQ(view.SelectedChannelCount(), 0);
}

TEST_F(SatcoDxImportTest, NoRecordOfThePositionAddsNothingAndReportsZeroCounts) {
  Sdx r;
  r.position = "0130";
  const auto before = Bytes();
  TempDir dir;
  testing::WriteFile(dir / "a.sdx", r.Line() + r.Line());
  const auto counts = ImportFile((dir / "a.sdx").string());
  ASSERT_TRUE(counts);
  EXPECT_EQ(Bytes(), before);
  EXPECT_THAT(ui.messages,
              ElementsAre(std::pair<std::string, MessageIcon>("0-Transponder, 0-Channel imported.",
                                                              MessageIcon::Exclamation)));
}

TEST_F(SatcoDxImportTest, ReportsTheCountsWithTheWarningIcon) {
  Sdx a, b, c;
  a.frequency = "012000";
  b.frequency = "012100";
  c.frequency = "012100";
  c.video = "0999";
  TempDir dir;
  testing::WriteFile(dir / "a.sdx", a.Line() + b.Line() + c.Line());
  ImportFile((dir / "a.sdx").string());
  EXPECT_THAT(ui.messages,
              ElementsAre(std::pair<std::string, MessageIcon>("2-Transponder, 3-Channel imported.",
                                                              MessageIcon::Exclamation)));
}

// Frequencies of two records read one after the other: how many
// transponders they make and whether they share one.
struct MatchCase {
  const char* first;
  const char* second;
  int transponders_added;
  bool shared;
};

class SatcoDxMatchTest : public SatcoDxImportTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(SatcoDxMatchTest, FindsTheTransponderWithinOneMegahertz) {
  Sdx a, b;
  a.frequency = GetParam().first;
  b.frequency = GetParam().second;
  b.video = "0161";  // not a duplicate of a
  b.polarity = "0000";
  const SatcoDxCounts counts = Import(a.Line() + b.Line());
  EXPECT_EQ(counts.transponders, GetParam().transponders_added);
  EXPECT_EQ(counts.channels, 2);
  const ChannelRecord first = image.Channel(3), second = image.Channel(4);
  EXPECT_EQ(first.mTpNumber() == second.mTpNumber(), GetParam().shared);
}

INSTANTIATE_TEST_SUITE_P(Cases, SatcoDxMatchTest,
                         ::testing::Values(MatchCase{"012000", "012001", 1, true},    // 1 MHz apart
                                           MatchCase{"012001", "012000", 1, true},    // 1 MHz below
                                           MatchCase{"012000", "012002", 2, false},   // 2 MHz apart
                                           MatchCase{"012002", "012000", 2, false},   // 2 MHz below
                                           MatchCase{"012000", "012000", 1, true},    // H and V
                                           MatchCase{"011495", "011493", 0, true},    // both on 11494
                                           MatchCase{"011494", "011700", 0, false},   // existing ones
                                           MatchCase{"011699", "011701", 0, true},    // both on 11700
                                           MatchCase{"077030", "011494", 0, true}));  // low 16 bits: 11494

TEST_F(SatcoDxImportTest, MatchesOnlyTheCurrentSatellitesTransponders) {
  Sdx r;
  r.frequency = "010992";  // satellite 2's frequency
  EXPECT_EQ(Import(r.Line()).transponders, 1);
  EXPECT_EQ(LastChannel().mSatId(), 1);
  EXPECT_EQ(LastChannel().mTpNumber(), 3);
}

TEST_F(SatcoDxImportTest, AServiceOnAnExistingTransponderTakesItsNumber) {
  Sdx r;
  r.frequency = "011701";
  EXPECT_EQ(Import(r.Line()).transponders, 0);
  EXPECT_EQ(LastChannel().mTpNumber(), 2);
}

TEST_F(SatcoDxImportTest, SkipsForeignAndIncompleteRecords) {
  std::vector<Sdx> records(6);
  records[0].pcr = "0000";
  records[1].pcr = "   x";  // no digits reads as 0
  records[2].type = "TMPG4";
  records[3].type = "tmpg2";
  records[4].tag = "SATCODX102";
  records[5].position = "0193";
  std::string text;
  for (std::size_t i = 0; i < records.size(); ++i) {
    records[i].frequency = "01" + std::to_string(2000 + 10 * i);
    text += records[i].Line();
  }
  const auto before = Bytes();
  const SatcoDxCounts counts = Import(text);
  EXPECT_EQ(counts.transponders, 0);
  EXPECT_EQ(counts.channels, 0);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(SatcoDxImportTest, RadioServicesAndAtoiStyleNumbers) {
  Sdx r;
  r.type = "RMPG2";
  r.video = "0000";
  r.audio = " +12";
  r.pcr = "7x99";
  r.service_id = "  -1 ";
  const SatcoDxCounts counts = Import(r.Line());
  ASSERT_EQ(counts.channels, 1);
  const ChannelRecord c = LastChannel();
  EXPECT_EQ(c.mServiceFlag(), 0x0200);
  EXPECT_EQ(c.mAudioPid(), 12);
  EXPECT_EQ(c.mAudioFlag(), 1);
  EXPECT_EQ(c.mPcrPid(), 7);
  EXPECT_EQ(c.mServiceId(), 0xFFFF);  // low bits of -1
  EXPECT_EQ(c.mChannelNo(), 2);       // the next radio number
}

TEST_F(SatcoDxImportTest, NoAudioPidClearsTheAudioFlag) {
  Sdx r;
  r.audio = "0000";
  ASSERT_EQ(Import(r.Line()).channels, 1);
  EXPECT_EQ(LastChannel().mAudioFlag(), 0);
}

TEST_F(SatcoDxImportTest, ColumnOneHundredElevenTellsFreeToAirFromScrambled) {
  const struct {
    char mark;
    bool scrambled;
  } cases[] = {{' ', false}, {'_', false}, {'X', true}, {'*', true}, {'0', true}};
  int pid = 500;
  for (const auto& c : cases) {
    Sdx r;
    r.free = c.mark;
    r.video = Pid(++pid);
    ASSERT_EQ(Import(r.Line()).channels, 1) << c.mark;
    EXPECT_EQ(LastChannel().mServiceFlag(), c.scrambled ? 0x0108 : 0x0100) << c.mark;
  }
}

TEST_F(SatcoDxImportTest, NamesKeepTheirBlanksAndStopAtNineteenCharacters) {
  Sdx r;
  r.name1 = " A  B   ";
  r.name2 = "C  D       ";
  ASSERT_EQ(Import(r.Line()).channels, 1);
  EXPECT_EQ(LastChannel().mServiceName(), " A  B   C  D       ");
  EXPECT_EQ(LastChannel().data()[0x18 + 19], 0);
}

TEST_F(SatcoDxImportTest, ALongLineGivesItsFirst128CharactersAsARecord) {
  Sdx a;
  // 140 characters: a record and a tail that is no record.
  const std::string long_line = a.Body() + std::string(12, 'Z') + "\n";
  EXPECT_EQ(Import(long_line).channels, 1);
  // A record without its line end, followed directly by another record.
  Sdx b, c;
  b.video = "0700";
  c.video = "0701";
  const SatcoDxCounts counts = Import(b.Body() + "Z" + c.Line());
  EXPECT_EQ(counts.channels, 2);
}

TEST_F(SatcoDxImportTest, ShortAndBrokenPiecesAreNoRecords) {
  Sdx a;
  const std::string body = a.Body();
  const std::string with_nul = body.substr(0, 60) + std::string(1, '\0') + body.substr(61) + "\n";
  // One character short; a NUL inside; no line end at the file's end is
  // still 128 characters.
  EXPECT_EQ(Import(body.substr(0, 126) + "\n").channels, 0);
  EXPECT_EQ(Import(with_nul).channels, 0);
  EXPECT_EQ(Import(body + "Z").channels, 1);
}

TEST_F(SatcoDxImportTest, ACarriageReturnBeforeALineFeedIsDropped) {
  Sdx a, b;
  b.video = "0900";
  TempDir dir;
  // 126 characters + CR LF is a short line once the CR is dropped; 127 + CR
  // LF is a record. A CR elsewhere stays.
  testing::WriteFile(dir / "crlf.sdx", a.Body().substr(0, 126) + "\r\n" + b.Body() + "\r\n");
  const auto counts = ImportFile((dir / "crlf.sdx").string());
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->channels, 1);
  EXPECT_EQ(LastChannel().mVideoPid(), 900);

  EXPECT_EQ(*ReadSatcoDxText((dir / "crlf.sdx").string()), a.Body().substr(0, 126) + "\n" + b.Body() + "\n");
  testing::WriteFile(dir / "cr.sdx", "a\rb\r\r\nc\r");
  EXPECT_EQ(*ReadSatcoDxText((dir / "cr.sdx").string()), "a\rb\r\nc\r");
}

TEST_F(SatcoDxImportTest, TheSameFileTwiceAddsNothingTheSecondTime) {
  std::string text;
  const char* frequencies[] = {"011494", "012000", "012001", "077030", "999999", "012400"};
  int pid = 100;
  for (const char* f : frequencies) {
    Sdx r;
    r.frequency = f;
    r.video = Pid(++pid);
    r.pcr = "9999";
    r.network_id = "99999";  // beyond 16 bits
    text += r.Line();
  }
  const SatcoDxCounts first = Import(text);
  EXPECT_EQ(first.transponders, 3);  // 12000, 16959 (999999), 12400
  EXPECT_EQ(first.channels, 6);
  const auto after = Bytes();
  const SatcoDxCounts second = Import(text);
  EXPECT_EQ(second.transponders, 0);
  EXPECT_EQ(second.channels, 0);
  EXPECT_EQ(Bytes(), after);
}

TEST_F(SatcoDxImportTest, AFrequencyBeyondSixteenBitsIsStoredAsItsLowBits) {
  // 65537 MHz is stored as 1 and matches nothing here.
  Sdx r;
  r.frequency = "065537";
  ASSERT_EQ(Import(r.Line()).transponders, 1);
  EXPECT_EQ(image.Transponder(2).mFrequency(), 1);
}

TEST_F(SatcoDxImportTest, AppendedChannelsGetTheNextNumbersOfTheirType) {
  Sdx tv1, radio, tv2;
  tv1.video = "0601";
  radio.type = "RMPG2";
  radio.video = "0602";
  tv2.video = "0603";
  ASSERT_EQ(Import(tv1.Line() + radio.Line() + tv2.Line()).channels, 3);
  std::vector<std::pair<std::string, int>> numbers;
  for (int n = 0; n < Channels(); ++n)
    numbers.emplace_back(image.Channel(n).mServiceName().substr(0, 5), image.Channel(n).mChannelNo());
  EXPECT_THAT(numbers, ElementsAre(std::pair<std::string, int>("Old T", 1), std::pair<std::string, int>("Old r", 1),
                                   std::pair<std::string, int>("Other", 2), std::pair<std::string, int>("Chann", 3),
                                   std::pair<std::string, int>("Chann", 2), std::pair<std::string, int>("Chann", 4)));
  EXPECT_EQ(image.mSatUsedCount(), 2);
}

TEST_F(SatcoDxImportTest, ASatelliteWithoutTransponderGetsItsFirstInIdOrder) {
  view.ChooseSatellite(2);  // satellite 3 at 5.0W
  Sdx r;
  r.position = "3550";
  r.frequency = "011000";
  const SatcoDxCounts counts = Import(r.Line());
  EXPECT_EQ(counts.transponders, 1);
  EXPECT_EQ(counts.channels, 1);
  // Between satellite 2's record and satellite 4's.
  EXPECT_EQ(image.Transponder(3).mSatId(), 3);
  EXPECT_EQ(image.Transponder(3).mTpNumber(), 1);
  EXPECT_EQ(image.Transponder(4).mSatId(), 4);
  EXPECT_EQ(LastChannel().mSatId(), 3);
  EXPECT_EQ(LastChannel().mTpNumber(), 1);
  // RebuildSatellitesInUse ran: satellite 3 is now in use.
  EXPECT_EQ(image.mSatUsedCount(), 3);
}

TEST_F(SatcoDxImportTest, UnreadablePathsAreAFileOpenError) {
  TempDir dir;
  const auto before = Bytes();
  const std::string paths[] = {(dir / "missing.sdx").string(), dir.path().string(), "",
                               (dir / "a").string() + std::string(1, '\0') + "b"};
  testing::WriteFile(dir / "a", Sdx().Line());
  for (const std::string& path : paths) {
    ui.messages.clear();
    EXPECT_FALSE(ImportFile(path));
    EXPECT_THAT(ui.messages,
                ElementsAre(std::pair<std::string, MessageIcon>("File open error", MessageIcon::Error)));
  }
  EXPECT_EQ(Bytes(), before);
}

// A full transponder table: services needing a new one are skipped, those
// on an existing one still come in.
class SatcoDxFullTableTest : public SatcoDxImportTest {
 protected:
  void Fill(int sat_id_from, int records) {
    ImageBuilder b(image, 3);
    b.NameSatellite(0, "Astra", 192);
    b.AddTransponder(1, 11494, 27500, false);
    int made = 1;
    for (int sat = sat_id_from; made < records; ++sat)
      for (int k = 0; k < 255 && made < records; ++k, ++made) b.AddTransponder(sat == 0 ? 1 : sat, 10000 + k, 27500, false);
    b.Finish();
    ASSERT_THAT(CheckTables(image), IsEmpty());
    view.RebuildIndex();
    view.ChooseSatellite(0);
  }
};

TEST_F(SatcoDxFullTableTest, At1020RecordsNewFrequenciesAreSkipped) {
  Fill(2, kTransponderSlots);
  ASSERT_EQ(Transponders(), kTransponderSlots);
  Sdx lost, kept;
  lost.frequency = "012345";
  kept.frequency = "011494";
  kept.video = "0777";
  const SatcoDxCounts counts = Import(lost.Line() + kept.Line());
  EXPECT_EQ(counts.transponders, 0);
  EXPECT_EQ(counts.channels, 1);
  EXPECT_EQ(LastChannel().mVideoPid(), 777);
  EXPECT_EQ(LastChannel().mTpNumber(), 1);
}

TEST_F(SatcoDxFullTableTest, At255RecordsOfTheSatelliteNewFrequenciesAreSkipped) {
  Fill(0, 255);  // all on satellite 1
  Sdx lost;
  lost.frequency = "012345";
  const SatcoDxCounts counts = Import(lost.Line());
  EXPECT_EQ(counts.transponders, 0);
  EXPECT_EQ(counts.channels, 0);
  EXPECT_EQ(Transponders(), 255);
}

TEST_F(SatcoDxImportTest, AFullChannelTableStillAddsTransponders) {
  ImageBuilder b(image, 3);
  b.NameSatellite(0, "Astra", 192);
  b.AddTransponder(1, 11494, 27500, false);
  for (int n = 0; n < image.channel_capacity(); ++n)
    b.AddChannel(1, 1, {kServiceTypeTv, "c", false, false, std::uint16_t(n), 0, 1, 0, 0});
  b.Finish();
  view.RebuildIndex();
  view.ChooseSatellite(0);
  Sdx r;
  r.frequency = "012000";
  const SatcoDxCounts counts = Import(r.Line());
  EXPECT_EQ(counts.transponders, 1);
  EXPECT_EQ(counts.channels, 0);
  EXPECT_EQ(Channels(), image.channel_capacity());
}

TEST_F(SatcoDxImportTest, ADuplicateNeedsAllThreePids) {
  Sdx same, other_audio, other_pcr;
  same.video = "0100";
  same.audio = "0101";
  same.pcr = "0102";
  other_audio = same;
  other_audio.audio = "0109";
  other_pcr = same;
  other_pcr.pcr = "0109";
  EXPECT_EQ(Import(same.Line()).channels, 0);  // "Old TV" is on 11494 already
  EXPECT_EQ(Import(other_audio.Line()).channels, 1);
  EXPECT_EQ(Import(other_pcr.Line()).channels, 1);
}

// The popup's "Import SatcoDx": the file asked for, then the import; a
// change only when bytes changed.
class ChoosingUi : public MessageUi {
 public:
  std::optional<std::string> file;
  int asked_for_file = 0;
  std::optional<std::string> ChooseSatcoDxFile() override {
    ++asked_for_file;
    return file;
  }
};

TEST_F(SatcoDxImportTest, ThePopupCommandAsksForTheFileAndReportsAChange) {
  ChoosingUi chooser;
  EditOperations operations(view, chooser);
  const Routed import = DispatchPopupCommand(ListId::Satellite, ID_POPUP_IMPORT);
  const auto before = Bytes();
  EXPECT_FALSE(operations.Run(import));  // cancelled
  EXPECT_EQ(chooser.asked_for_file, 1);
  EXPECT_TRUE(chooser.messages.empty());
  EXPECT_EQ(Bytes(), before);

  TempDir dir;
  chooser.file = (dir / "missing.sdx").string();
  EXPECT_FALSE(operations.Run(import));
  testing::WriteFile(dir / "a.sdx", Sdx().Line());
  chooser.file = (dir / "a.sdx").string();
  EXPECT_TRUE(operations.Run(import));
  EXPECT_FALSE(operations.Run(import));  // the same file again changes nothing
  EXPECT_THAT(chooser.messages,
              ElementsAre(std::pair<std::string, MessageIcon>("File open error", MessageIcon::Error),
                          std::pair<std::string, MessageIcon>("0-Transponder, 1-Channel imported.",
                                                              MessageIcon::Exclamation),
                          std::pair<std::string, MessageIcon>("0-Transponder, 0-Channel imported.",
                                                              MessageIcon::Exclamation)));
  EXPECT_THAT(CheckTables(image), IsEmpty());
}

}  // namespace
}  // namespace kavor
