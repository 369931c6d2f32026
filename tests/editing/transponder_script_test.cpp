// The transponder operations' edge cases as edit scripts: New, Insert,
// Delete and Move with their renumbering, the editor's OK rules, the
// 1020-record and 255-per-satellite limits, and satellites whose records are
// not all listed. The fixture checks the tables after every line.
#include <gtest/gtest.h>

#include "editing/transponder_form.h"
#include "editing/script_fixture.h"

namespace kavor {
namespace {

using testing::ScriptedEditor;
using Strings = std::vector<std::string>;

class TransponderScript : public ScriptedEditor {};

TEST_F(TransponderScript, NewOnThreeTranspondersBecomesTheFourthAtTheEndOfTheGroup) {
  const auto homes = ChannelHomes();
  RunOk("transponder-new frequency=11500 symbolrate=30000 polarity=vertical fec=3/4\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "1/4:11500", "2/1:11000", "2/2:11100",
                                     "3/1:0", "3/2:12000", "4/1:0", "7/1:12500"}));
  const TransponderRecord added = image_.Transponder(3);
  EXPECT_EQ(added.mSymbolRate(), 30000);
  EXPECT_EQ(added.mTpFlag(), 0x08 | 3);
  EXPECT_EQ(added.mNetworkId(), 0);
  EXPECT_EQ(added.mTpId(), 0);
  EXPECT_EQ(ChannelHomes(), homes);
  EXPECT_EQ(view_.transponder_row(), 3);
  EXPECT_EQ(view_.current_transponder(), 3);
}

TEST_F(TransponderScript, NewOpensWithFrequencyZeroSoOkAloneIsAFrequencyError) {
  const ScriptResult r = Run("transponder-new symbolrate=27500\n");
  EXPECT_EQ(r.status, ScriptStatus::Failed);
  EXPECT_EQ(r.message, "Frequency Error");
  const TransponderForm opened = LoadTransponderForm(TransponderRecord(std::vector<std::uint8_t>(16).data()));
  EXPECT_EQ(opened.frequency, "0");
  EXPECT_EQ(opened.symbol_rate, "0");
  EXPECT_EQ(opened.polarity, 0);
  EXPECT_EQ(opened.fec, 0);
}

struct InsertCase {
  const char* row;
  Strings table;  // satellite 1's records afterwards
};

class TransponderInsert : public TransponderScript, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(TransponderInsert, CopiesTheSelectedRecordRightAfterItAndRenumbersTheRest) {
  const auto homes = ChannelHomes();
  const std::vector<std::uint8_t> before = Bytes();
  const int row = std::stoi(GetParam().row);
  const TransponderRecord source = image_.Transponder(row - 1);
  const std::vector<std::uint8_t> copied(source.data(), source.data() + TransponderRecord::kSize);
  RunOk(std::string("transponder ") + GetParam().row + "\ntransponder-insert frequency=10950\n");
  Strings table = GetParam().table;
  for (const char* rest : {"2/1:11000", "2/2:11100", "3/1:0", "3/2:12000", "4/1:0", "7/1:12500"}) table.push_back(rest);
  EXPECT_EQ(Transponders(), table);
  // The copy keeps every byte but the frequency and its number.
  std::vector<std::uint8_t> expected = copied;
  TransponderRecord(expected.data()).set_mFrequency(10950);
  TransponderRecord(expected.data()).set_mTpNumber(std::uint8_t(row + 1));
  const TransponderRecord inserted = image_.Transponder(row);
  EXPECT_EQ(std::vector<std::uint8_t>(inserted.data(), inserted.data() + TransponderRecord::kSize), expected);
  EXPECT_EQ(ChannelHomes(), homes);
  // Other satellites' channels are untouched, byte for byte.
  for (int n = 0; n < image_.ServiceCountInUse(); ++n) {
    const ChannelRecord c = image_.Channel(n);
    if (c.mSatId() != 1) {
      EXPECT_EQ(0, std::memcmp(c.data(), before.data() + ChannelOffset(n), ChannelRecord::kSize)) << n;
    }
  }
  EXPECT_EQ(view_.transponder_row(), row);
  EXPECT_EQ(view_.current_transponder(), row);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TransponderInsert,
    ::testing::Values(InsertCase{"3", {"1/1:10700", "1/2:10800", "1/3:10900", "1/4:10950"}},
                      InsertCase{"2", {"1/1:10700", "1/2:10800", "1/3:10950", "1/4:10900"}},
                      InsertCase{"1", {"1/1:10700", "1/2:10950", "1/3:10800", "1/4:10900"}}));

TEST_F(TransponderScript, DeletingTheSecondOfThreeTakesItsChannelsAndRenumbersTheThird) {
  const int tp_count = image_.mTpCount();
  const int last = tp_count - 1;
  RunOk("transponder 2\ntransponder-delete\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10900", "2/1:11000", "2/2:11100", "3/1:0", "3/2:12000",
                                     "4/1:0", "7/1:12500"}));
  EXPECT_EQ(image_.mTpCount(), tp_count - 1);
  const std::uint8_t* freed = image_.bytes() + TransponderOffset(last);
  EXPECT_EQ(std::vector<std::uint8_t>(freed, freed + TransponderRecord::kSize), std::vector<std::uint8_t>(16, 0));
  // A2, A2b and the radio channel R were on 10800; A3 and A3b follow 10900 to number 2.
  EXPECT_EQ(ChannelHomes(), (std::map<std::string, std::string>{{"A1", "Astra / 10700"},
                                                                 {"A3", "Astra / 10900"},
                                                                 {"A3b", "Astra / 10900"},
                                                                 {"B1", "Hot / 11000"},
                                                                 {"B2", "Hot / 11100"},
                                                                 {"C2", "Thor / 12000"},
                                                                 {"D1", "Empty / 0"},
                                                                 {"E1", "Seven / 12500"}}));
  EXPECT_EQ(image_.mServiceCount(), 8);
}

TEST_F(TransponderScript, MovingTheThirdToTheTopAndBack) {
  const auto homes = ChannelHomes();
  const std::vector<std::uint8_t> before = Bytes();
  RunOk("transponder 3\ntransponder-move 1\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10900", "1/2:10700", "1/3:10800", "2/1:11000", "2/2:11100", "3/1:0",
                                     "3/2:12000", "4/1:0", "7/1:12500"}));
  EXPECT_EQ(ChannelHomes(), homes);
  EXPECT_EQ(view_.transponder_row(), 0);
  EXPECT_EQ(view_.current_transponder(), 0);
  RunOk("transponder-move 3\n");
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(view_.transponder_row(), 2);
}

TEST_F(TransponderScript, MovingOntoItsOwnPlaceChangesNothing) {
  const std::vector<std::uint8_t> before = Bytes();
  RunOk("transponder 2\ntransponder-move 2\ntransponder-move 002\n");
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(view_.transponder_row(), 1);
}

TEST_F(TransponderScript, AMoveNumberOutsideTheListFails) {
  for (const char* line : {"transponder-move 4\n", "transponder-move 0\n", "transponder-move -1\n"}) {
    const ScriptResult r = Run(line);
    EXPECT_EQ(r.status, ScriptStatus::Failed) << line;
    EXPECT_EQ(r.message, "the number must be between 1 and 3") << line;
  }
  EXPECT_EQ(Run("transponder-move x\n").message, "Please enter an integer.");
}

TEST_F(TransponderScript, FecSevenAndTheHighBitsSurviveAnEdit) {
  image_.Transponder(0).set_mTpFlag(0xF7);
  EXPECT_EQ(LoadTransponderForm(image_.Transponder(0)).fec, kNoEntry);
  RunOk("transponder-edit frequency=10701\n");
  EXPECT_EQ(image_.Transponder(0).mTpFlag(), 0xF7);
  EXPECT_EQ(image_.Transponder(0).mFrequency(), 10701);
  RunOk("transponder-edit fec=1/2\n");
  EXPECT_EQ(image_.Transponder(0).mTpFlag(), 0xF1);
  RunOk("transponder-edit polarity=VERTICAL fec=6\n");
  EXPECT_EQ(image_.Transponder(0).mTpFlag(), 0xFE);
  RunOk("transponder-edit polarity=0 fec=auto\n");
  EXPECT_EQ(image_.Transponder(0).mTpFlag(), 0xF0);
}

TEST_F(TransponderScript, EditChangesOnlyTheRecordAndKeepsTheRow) {
  const auto homes = ChannelHomes();
  RunOk("transponder 2\ntransponder-edit frequency=10850 symbolrate=\" 29900\t\"\n");
  EXPECT_EQ(image_.Transponder(1).mFrequency(), 10850);
  EXPECT_EQ(image_.Transponder(1).mSymbolRate(), 29900);
  EXPECT_EQ(image_.Transponder(1).mNetworkId(), 1);
  EXPECT_EQ(image_.Transponder(1).mTpId(), 12);
  EXPECT_EQ(view_.transponder_row(), 1);
  auto moved = homes;
  for (const char* name : {"A2", "A2b", "R"}) moved[name] = "Astra / 10850";
  EXPECT_EQ(ChannelHomes(), moved);
}

// ---- OK's checks on the symbol rate and the frequency, in that order

struct OkCase {
  const char* fields;
  const char* message;  // empty: accepted
  int frequency = 0;    // stored when accepted
  int symbol_rate = 0;
};

class TransponderOk : public TransponderScript, public ::testing::WithParamInterface<OkCase> {};

TEST_P(TransponderOk, ChecksAndStoresAsTheEditorDoes) {
  const OkCase& c = GetParam();
  const ScriptResult r = Run(std::string("transponder-edit ") + c.fields + "\n");
  if (*c.message) {
    EXPECT_EQ(r.status, ScriptStatus::Failed) << c.fields;
    EXPECT_EQ(r.message, c.message) << c.fields;
    return;
  }
  ASSERT_EQ(r.status, ScriptStatus::Ok) << c.fields << ": " << r.message;
  EXPECT_EQ(image_.Transponder(0).mFrequency(), c.frequency) << c.fields;
  EXPECT_EQ(image_.Transponder(0).mSymbolRate(), c.symbol_rate) << c.fields;
}

constexpr const char* kInteger = "Please enter an integer.";
constexpr const char* kRange = "Please enter an integer between 0 and 65535.";
constexpr const char* kFrequency = "Frequency Error";

INSTANTIATE_TEST_SUITE_P(
    Texts, TransponderOk,
    ::testing::Values(
        OkCase{"symbolrate=abc", kInteger}, OkCase{"symbolrate=+0", kInteger}, OkCase{"symbolrate=-0", kInteger},
        OkCase{"symbolrate=\"\"", kInteger}, OkCase{"symbolrate=\"1 2\"", kInteger},
        OkCase{"symbolrate=0", "", 10700, 0}, OkCase{"symbolrate=\" \t00 \"", "", 10700, 0},
        OkCase{"symbolrate=+27500", "", 10700, 27500}, OkCase{"symbolrate=65535", "", 10700, 65535},
        OkCase{"symbolrate=65536", kRange}, OkCase{"symbolrate=-1", kRange}, OkCase{"symbolrate=70000", kRange},
        OkCase{"symbolrate=99999999999999999999999", kRange},
        // The symbol rate is checked first.
        OkCase{"frequency=0 symbolrate=x", kInteger}, OkCase{"frequency=0 symbolrate=70000", kRange},
        OkCase{"frequency=0", kFrequency}, OkCase{"frequency=-5", kFrequency}, OkCase{"frequency=abc", kFrequency},
        OkCase{"frequency=\"\"", kFrequency}, OkCase{"frequency=65536", kFrequency},
        OkCase{"frequency=70000", kFrequency},
        // 2^32 + 1 would wrap to 1 as an int.
        OkCase{"frequency=4294967297", kFrequency}, OkCase{"frequency=99999999999999999999999", kFrequency},
        OkCase{"frequency=65535", "", 65535, 22000}, OkCase{"frequency=11778abc", "", 11778, 22000},
        OkCase{"frequency=\" \t+11778\"", "", 11778, 22000}, OkCase{"frequency=012000", "", 12000, 22000},
        OkCase{"frequency=1 frequency=2", "", 2, 22000}));

// ---- the limits

// Five satellites of 204 records each: 1020 in use, none at 255.
void BuildFullTable(Image& image) {
  ImageBuilder b(image, kKind3);
  for (int sat = 1; sat <= 5; ++sat)
    for (int k = 0; k < 204; ++k) b.AddTransponder(sat, std::uint16_t(10000 + k), 27500, false);
  b.Finish();
}

class FullTable : public ScriptedEditor {
  void SetUp() override { Open(BuildFullTable); }
};

TEST_F(FullTable, NoNewOrInsertAt1020Records) {
  ASSERT_EQ(image_.mTpCount(), 1020);
  EXPECT_EQ(Run("transponder-new frequency=1\n").message, "\"New\" is not available");
  EXPECT_EQ(Run("transponder-insert frequency=1\n").message, "\"Insert\" is not available");
  // Delete one, and there is room for one again.
  RunOk("satellite 2\ntransponder-delete\nsatellite 1\ntransponder-new frequency=11111\n");
  EXPECT_EQ(image_.mTpCount(), 1020);
  EXPECT_EQ(image_.Transponder(204).mFrequency(), 11111);
  EXPECT_EQ(image_.Transponder(204).mTpNumber(), 205);
  EXPECT_EQ(Run("transponder-new frequency=1\n").message, "\"New\" is not available");
}

// Satellite 1 with 255 records in use, the last one unlisted; satellite 2 with one.
void BuildFullSatellite(Image& image) {
  ImageBuilder b(image, kKind3);
  for (int k = 0; k < 254; ++k) b.AddTransponder(1, std::uint16_t(10000 + k), 27500, false);
  b.AddTransponder(1, 0, 0, false);
  b.AddTransponder(2, 11000, 27500, false);
  b.Finish();
}

class FullSatellite : public ScriptedEditor {
  void SetUp() override { Open(BuildFullSatellite); }
};

TEST_F(FullSatellite, NoNewOrInsertOnASatelliteWith255Records) {
  EXPECT_EQ(Run("transponder-new frequency=1\n").message, "\"New\" is not available");
  EXPECT_EQ(Run("transponder 254\ntransponder-insert frequency=1\n").message, "\"Insert\" is not available");
  // Another satellite still takes one; and after a delete this one does too.
  RunOk("satellite 2\ntransponder-new frequency=11100\n");
  RunOk("satellite 1\ntransponder-delete\ntransponder-new frequency=12000\n");
  // After the last listed row, so in front of the unlisted record.
  EXPECT_EQ(image_.Transponder(253).mFrequency(), 12000);
  EXPECT_EQ(image_.Transponder(253).mTpNumber(), 254);
  EXPECT_EQ(image_.Transponder(254).mFrequency(), 0);
  EXPECT_EQ(image_.Transponder(254).mTpNumber(), 255);
}

// ---- satellites whose records are not all listed, and satellites without any

TEST_F(TransponderScript, OnAnEmptyListOnlyNewIsOffered) {
  for (const char* line : {"transponder-edit frequency=1", "transponder-insert frequency=1", "transponder-delete",
                           "transponder-move 1"}) {
    const ScriptResult r = Run(std::string("satellite 6\n") + line + "\n");
    const std::string verb = std::string(line).substr(12, std::string(line).find_first_of(" ", 12) - 12);
    const std::string item = verb == "edit"     ? "Edit"
                             : verb == "insert" ? "Insert"
                             : verb == "delete" ? "Delete"
                                                : "Move to";
    EXPECT_EQ(r.status, ScriptStatus::Failed) << line;
    EXPECT_EQ(r.message, "\"" + item + "\" is not available") << line;
  }
  // Satellite 4 lists nothing either: its only record is 0/0.
  EXPECT_EQ(Run("satellite 4\ntransponder-insert frequency=1\n").message, "\"Insert\" is not available");
}

TEST_F(TransponderScript, NewWithoutListedRecordsGoesInFrontOfTheUnlistedOne) {
  const auto homes = ChannelHomes();
  RunOk("satellite 4\ntransponder-new frequency=11900\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "2/1:11000", "2/2:11100", "3/1:0",
                                     "3/2:12000", "4/1:11900", "4/2:0", "7/1:12500"}));
  // D1 follows the unlisted record to number 2.
  EXPECT_EQ(ChannelHomes(), homes);
  EXPECT_EQ(image_.Channel(8).mTpNumber(), 2);
  EXPECT_EQ(view_.transponder_row(), 0);
  EXPECT_EQ(view_.current_transponder(), 7);
}

struct EmptySatelliteCase {
  const char* satellite;
  int slot;  // where the new record lands
};

class NewOnASatelliteWithoutRecords : public TransponderScript,
                                      public ::testing::WithParamInterface<EmptySatelliteCase> {};

TEST_P(NewOnASatelliteWithoutRecords, KeepsTheTableGroupedAndSelectsTheNewRecord) {
  const auto homes = ChannelHomes();
  const int tp_count = image_.mTpCount();
  RunOk(std::string("satellite ") + GetParam().satellite + "\ntransponder-new frequency=11800 fec=2\n");
  EXPECT_EQ(image_.mTpCount(), tp_count + 1);
  const TransponderRecord added = image_.Transponder(GetParam().slot);
  EXPECT_EQ(added.mFrequency(), 11800);
  EXPECT_EQ(added.mSatId(), std::stoi(GetParam().satellite));
  EXPECT_EQ(added.mTpNumber(), 1);
  EXPECT_EQ(added.mTpFlag(), 2);
  EXPECT_EQ(ChannelHomes(), homes);
  EXPECT_EQ(view_.transponder_rows().size(), 1u);
  EXPECT_EQ(view_.transponder_row(), 0);
  EXPECT_EQ(view_.current_transponder(), GetParam().slot);
  EXPECT_EQ(SelectedTransponderSlot(), GetParam().slot);
}

INSTANTIATE_TEST_SUITE_P(Satellites, NewOnASatelliteWithoutRecords,
                         // In front of satellite 7's record; at the end, after every record.
                         ::testing::Values(EmptySatelliteCase{"5", 8}, EmptySatelliteCase{"6", 8},
                                           EmptySatelliteCase{"50", 9}));

TEST_F(TransponderScript, AnUnlistedRecordFirstDoesNotShiftWhatDeleteAndNewMeanByNumber) {
  // Satellite 3 lists one row, numbered 2: Delete takes C2 (number 2), not
  // the channels of number 1.
  image_.Channel(0).set_mSatId(3);  // A1 onto satellite 3's unlisted record
  image_.Channel(0).set_mTpNumber(1);
  RunOk("satellite 3\ntransponder-new frequency=12100\n");
  // Numbered as it stands: 3, after the unlisted 1 and 12000 as 2.
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "2/1:11000", "2/2:11100", "3/1:0",
                                     "3/2:12000", "3/3:12100", "4/1:0", "7/1:12500"}));
  EXPECT_EQ(ChannelHomes().at("C2"), "Thor / 12000");
  RunOk("transponder 1\ntransponder-insert frequency=12050\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "2/1:11000", "2/2:11100", "3/1:0",
                                     "3/2:12000", "3/3:12050", "3/4:12100", "4/1:0", "7/1:12500"}));
  EXPECT_EQ(ChannelHomes().at("C2"), "Thor / 12000");
  RunOk("transponder 1\ntransponder-delete\n");
  const auto homes = ChannelHomes();
  EXPECT_EQ(homes.count("C2"), 0u);
  EXPECT_EQ(homes.at("A1"), "Thor / 0");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "2/1:11000", "2/2:11100", "3/1:0",
                                     "3/2:12050", "3/3:12100", "4/1:0", "7/1:12500"}));
}

}  // namespace
}  // namespace kavor
