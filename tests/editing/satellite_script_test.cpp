// The satellite operations' edge cases as edit scripts: the editor's degree,
// LNB, switch, tone-burst and flag rules, the name box, and the move that
// renumbers satellites and rewrites and regroups every reference. The
// fixture checks the tables after every line.
#include <gtest/gtest.h>

#include "editing/satellite_form.h"
#include "editing/script_fixture.h"

namespace kavor {
namespace {

using testing::ScriptedEditor;
using Strings = std::vector<std::string>;

class SatelliteScript : public ScriptedEditor {
 protected:
  SatelliteRecord Astra() const { return image_.Satellite(0); }
};

struct DegreeCase {
  const char* fields;
  const char* message;  // empty: accepted
  int stored = 0;       // mDegree when accepted
};

class SatelliteDegree : public SatelliteScript, public ::testing::WithParamInterface<DegreeCase> {};

TEST_P(SatelliteDegree, IsReadAsTheEditorReadsIt) {
  const DegreeCase& c = GetParam();
  const ScriptResult r = Run(std::string("satellite-edit ") + c.fields + "\n");
  if (*c.message) {
    EXPECT_EQ(r.status, ScriptStatus::Failed) << c.fields;
    EXPECT_EQ(r.message, c.message) << c.fields;
    return;
  }
  ASSERT_EQ(r.status, ScriptStatus::Ok) << c.fields << ": " << r.message;
  EXPECT_EQ(Astra().mDegree(), c.stored) << c.fields;
}

constexpr const char* kDegree = "Please enter a number of degree between 0.0 and 180.0";

INSTANTIATE_TEST_SUITE_P(
    Texts, SatelliteDegree,
    ::testing::Values(DegreeCase{"degree=19.25", "", 192}, DegreeCase{"degree=abc", "", 0},
                      DegreeCase{"degree=-0.05", "", 0}, DegreeCase{"degree=180.1", kDegree},
                      DegreeCase{"degree=180.0", "", 1800}, DegreeCase{"degree=180.09", "", 1800},
                      DegreeCase{"degree=-0.1", kDegree}, DegreeCase{"degree=inf", kDegree},
                      DegreeCase{"degree=nan", kDegree}, DegreeCase{"degree=1e1", "", 100},
                      DegreeCase{"degree=\" 19.2x\"", "", 192}, DegreeCase{"degree=19,2", "", 190},
                      DegreeCase{"degree=\"\"", "", 0}, DegreeCase{"side=west degree=0.0", "", 3600},
                      DegreeCase{"side=WEST degree=30", "", 3300}, DegreeCase{"side=West", "", 3600 - 192},
                      DegreeCase{"side=west degree=180.1", kDegree}, DegreeCase{"side=west side=east", "", 192}));

TEST_F(SatelliteScript, WestZeroReopensAsWestZero) {
  RunOk("satellite-edit side=west degree=0.0\n");
  const SatelliteForm form = LoadSatelliteForm(Astra());
  EXPECT_TRUE(form.west);
  EXPECT_EQ(form.degree, "0.0");
  // Opening and OK untouched keep it.
  RunOk("satellite-edit\n");
  EXPECT_EQ(Astra().mDegree(), 3600);
}

TEST_F(SatelliteScript, ToneBurstThreeIsKeptAndSwitch200BecomesNone) {
  Astra().set_mFlag(0x0C | 0x62);
  Astra().set_mSwitcher(200);
  RunOk("satellite-edit\n");
  EXPECT_EQ(Astra().mFlag(), 0x0C | 0x62);
  EXPECT_EQ(Astra().mSwitcher(), 255);
  RunOk("satellite-edit toneburst=sb switch=sw3\n");
  EXPECT_EQ(Astra().mFlag(), 0x08 | 0x62);
  EXPECT_EQ(Astra().mSwitcher(), 2);
  RunOk("satellite-edit toneburst=0 switch=None\n");
  EXPECT_EQ(Astra().mFlag(), 0x62);
  EXPECT_EQ(Astra().mSwitcher(), 255);
  RunOk("satellite-edit switch=7\n");
  EXPECT_EQ(Astra().mSwitcher(), 7);
}

TEST_F(SatelliteScript, InputCountsOnlyForUserDefinedAndIsCappedAt60000) {
  Astra().set_mLnbFrequency(9750);
  RunOk("satellite-edit input=65000 lnb=5150\n");
  EXPECT_EQ(Astra().mAntenaType(), 2);
  EXPECT_EQ(Astra().mLnbFrequency(), 9750);
  RunOk("satellite-edit input=65000 lnb=\"user DEFINED\"\n");
  EXPECT_EQ(Astra().mAntenaType(), 11);
  EXPECT_EQ(Astra().mLnbFrequency(), 60000);
  RunOk("satellite-edit lnb=11 input=10200\n");
  EXPECT_EQ(Astra().mLnbFrequency(), 10200);
  // Away from "User defined": the frequency stays.
  RunOk("satellite-edit lnb=\"U-LNB2 (9750/10750)\" input=1\n");
  EXPECT_EQ(Astra().mAntenaType(), 1);
  EXPECT_EQ(Astra().mLnbFrequency(), 10200);
  RunOk("satellite-edit lnb=11 input=\"\"\n");
  EXPECT_EQ(Astra().mLnbFrequency(), 0);
}

TEST_F(SatelliteScript, TheInputBoxTakesDigitsOnlyWhateverTheLnb) {
  for (const char* value : {"12a", "-1", "+5", " 5", "1.5"}) {
    const ScriptResult r = Run(std::string("satellite-edit lnb=0 input=\"") + value + "\"\n");
    EXPECT_EQ(r.status, ScriptStatus::Failed) << value;
    EXPECT_EQ(r.message, std::string("input: \"") + value + "\" is not digits only") << value;
  }
}

TEST_F(SatelliteScript, FlagsReachTheirBitsAndTheOthersStay) {
  Astra().set_mFlag(0x62);
  Astra().set_mSatFlag2(0xFD);
  RunOk("satellite-edit lnbpower=1 22khz=1 12v=1 scramble=0\n");
  EXPECT_EQ(Astra().mFlag(), 0x80 | 0x10 | 0x01 | 0x62);
  EXPECT_EQ(Astra().mSatFlag2(), 0xFD);
  RunOk("satellite-edit scramble=1 22khz=0\n");
  EXPECT_EQ(Astra().mFlag(), 0x80 | 0x01 | 0x62);
  EXPECT_EQ(Astra().mSatFlag2(), 0xFF);
  RunOk("satellite-edit lnbpower=0 12v=0 scramble=0\n");
  EXPECT_EQ(Astra().mFlag(), 0x62);
  EXPECT_EQ(Astra().mSatFlag2(), 0xFD);
}

TEST_F(SatelliteScript, EditChangesOnlyTheRecordAndKeepsTheRow) {
  const std::vector<std::uint8_t> before = Bytes();
  RunOk("satellite 2\nsatellite-edit name=\"Hot Bird\"\n");
  EXPECT_EQ(image_.Satellite(1).mSatName(), "Hot Bird");
  EXPECT_EQ(view_.satellite_row(), 1);
  std::vector<std::uint8_t> expected = before;
  SatelliteRecord(expected.data() + SatelliteOffset(1)).set_mSatName("Hot Bird");
  EXPECT_EQ(Bytes(), expected);
}

TEST_F(SatelliteScript, TheNameBoxTakesFifteenLatin1Characters) {
  RunOk("satellite-edit name=\"123456789012345\"\n");
  EXPECT_EQ(Astra().mSatName(), "123456789012345");
  RunOk("satellite-edit name=\"\xC3\x86gypten\"\n");
  EXPECT_EQ(Astra().mSatName(), "\xC6gypten");
  EXPECT_EQ(Run("satellite-edit name=1234567890123456\n").message,
            "name: \"1234567890123456\" is longer than the box's 15 characters");
  EXPECT_EQ(Run("satellite-edit name=\xE2\x82\xAC\n").message,
            "name: \"\xE2\x82\xAC\" has a character that does not fit one byte");
}

TEST_F(SatelliteScript, ANameTheLineDoesNotSetStaysByteForByte) {
  // 16 bytes without a terminating zero.
  std::memcpy(Astra().data() + 0x06, "ABCDEFGHIJKLMNOP", 16);
  const std::vector<std::uint8_t> before = Bytes();
  RunOk("satellite-edit degree=19.2\n");
  EXPECT_EQ(Bytes(), before);
}

TEST_F(SatelliteScript, DropDownsTakeAnEntryOrItsIndex) {
  for (const auto& [fields, why] : std::vector<std::pair<std::string, std::string>>{
           {"lnb=12", "lnb: no entry \"12\""},
           {"lnb=\"User\"", "lnb: no entry \"User\""},
           {"switch=9", "switch: no entry \"9\""},
           {"switch=SW9", "switch: no entry \"SW9\""},
           {"toneburst=3", "toneburst: no entry \"3\""},
           {"side=north", "side: takes east or west, not \"north\""},
           {"side=e", "side: takes east or west, not \"e\""},
           {"lnbpower=2", "lnbpower: a check box takes 0 or 1, not \"2\""},
           {"22khz=on", "22khz: a check box takes 0 or 1, not \"on\""},
           {"12v=", "12v: a check box takes 0 or 1, not \"\""},
           {"scramble=01", "scramble: a check box takes 0 or 1, not \"01\""}}) {
    const ScriptResult r = Run("satellite-edit " + fields + "\n");
    EXPECT_EQ(r.status, ScriptStatus::Failed) << fields;
    EXPECT_EQ(r.message, why) << fields;
  }
  RunOk("satellite-edit lnb=10600 lnb=5150\n");
  EXPECT_EQ(Astra().mAntenaType(), 2);  // "5150" is an entry's text before it is an index
  RunOk("satellite-edit lnb=5\n");
  EXPECT_EQ(Astra().mAntenaType(), 5);
  RunOk("satellite-edit lnb=\"u-lnb1 (9750/10600)\"\n");
  EXPECT_EQ(Astra().mAntenaType(), 0);
}

// ---- Move

TEST_F(SatelliteScript, MovingTheThirdToSlotOneRenumbersAndRegroupsEverything) {
  const auto homes = ChannelHomes();
  RunOk("satellite 3\nsatellite-move 1\n");
  EXPECT_EQ(image_.Satellite(0).mSatName(), "Thor");
  EXPECT_EQ(image_.Satellite(1).mSatName(), "Astra");
  EXPECT_EQ(image_.Satellite(2).mSatName(), "Hot");
  for (int s = 0; s < kSatelliteSlots; ++s) EXPECT_EQ(image_.Satellite(s).mSatId(), s + 1);
  // Thor's records first, in their former order and with their numbers.
  EXPECT_EQ(Transponders(), Strings({"1/1:0", "1/2:12000", "2/1:10700", "2/2:10800", "2/3:10900", "3/1:11000",
                                     "3/2:11100", "4/1:0", "7/1:12500"}));
  EXPECT_EQ(ChannelHomes(), homes);
  // Channels keep their slots.
  EXPECT_EQ(image_.Channel(0).mServiceName(), "A1");
  EXPECT_EQ(image_.Channel(0).mSatId(), 2);
  EXPECT_EQ(image_.Channel(5).mServiceName(), "C2");
  EXPECT_EQ(image_.Channel(5).mSatId(), 1);
  EXPECT_EQ(view_.satellite_row(), 0);
  EXPECT_EQ(view_.current_satellite(), 0);
  EXPECT_EQ(view_.transponder_rows().size(), 1u);  // Thor lists 12000 only
}

TEST_F(SatelliteScript, MovingBackRestoresEveryByte) {
  const std::vector<std::uint8_t> before = Bytes();
  RunOk("satellite 3\nsatellite-move 1\nsatellite-move 3\n");
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(view_.satellite_row(), 2);
  RunOk("satellite 1\nsatellite-move 50\nsatellite 50\nsatellite-move 1\n");
  EXPECT_EQ(Bytes(), before);
}

TEST_F(SatelliteScript, MovingPastEmptySlotsKeepsTheTableGrouped) {
  const auto homes = ChannelHomes();
  RunOk("satellite 7\nsatellite-move 2\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "2/1:12500", "3/1:11000", "3/2:11100",
                                     "4/1:0", "4/2:12000", "5/1:0"}));
  EXPECT_EQ(ChannelHomes(), homes);
}

TEST_F(SatelliteScript, MovingOntoItsOwnSlotChangesNothing) {
  const std::vector<std::uint8_t> before = Bytes();
  RunOk("satellite 2\nsatellite-move 2\nsatellite-move 02\n");
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(view_.satellite_row(), 1);
}

TEST_F(SatelliteScript, AMoveNumberOutsideOneToFiftyFails) {
  for (const char* line : {"satellite-move 51\n", "satellite-move 0\n", "satellite-move -3\n"}) {
    const ScriptResult r = Run(line);
    EXPECT_EQ(r.status, ScriptStatus::Failed) << line;
    EXPECT_EQ(r.message, "the number must be between 1 and 50") << line;
  }
  EXPECT_EQ(Run("satellite-move 1.5\n").message, "Please enter an integer.");
}

}  // namespace
}  // namespace kavor
