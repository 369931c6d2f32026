#include "editing/satellite_form.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

namespace kavor {
namespace {

// One satellite record in its own buffer, every byte set so that a stray
// write shows.
struct Record {
  std::uint8_t bytes[SatelliteRecord::kSize];
  SatelliteRecord record{bytes};
  Record() {
    std::memset(bytes, 0xA5, sizeof bytes);
    record.set_mSatName("Astra");
    record.set_mDegree(192);
    record.set_mAntenaType(3);
    record.set_mLnbFrequency(9750);
    record.set_mSwitcher(1);
    record.set_mFlag(0x04);
    record.set_mSatFlag2(0);
  }
};

struct OpeningCase {
  std::uint16_t degree;
  bool west;
  const char* text;
};

class OpeningDegree : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(OpeningDegree, ShowsSideAndDegree) {
  Record r;
  r.record.set_mDegree(GetParam().degree);
  const SatelliteForm form = LoadSatelliteForm(r.record);
  EXPECT_EQ(form.west, GetParam().west);
  EXPECT_EQ(form.degree, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, OpeningDegree,
                         ::testing::Values(OpeningCase{192, false, "19.2"}, OpeningCase{3300, true, "30.0"},
                                           OpeningCase{1800, false, "180.0"}, OpeningCase{0, false, "0.0"},
                                           OpeningCase{1801, true, "179.9"}, OpeningCase{3600, true, "0.0"},
                                           OpeningCase{5, false, "0.5"}));

struct DegreeCase {
  std::string text;
  int tenths;  // -1: refused
};

class DegreeText : public ::testing::TestWithParam<DegreeCase> {};

TEST_P(DegreeText, ReadsAsOkReadsIt) {
  const std::optional<int> tenths = ReadDegreeTenths(GetParam().text);
  if (GetParam().tenths < 0) {
    EXPECT_FALSE(tenths) << *tenths;
  } else {
    ASSERT_TRUE(tenths);
    EXPECT_EQ(*tenths, GetParam().tenths);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DegreeText,
    ::testing::Values(DegreeCase{"19.25", 192}, DegreeCase{"abc", 0}, DegreeCase{"-0.05", 0},
                      DegreeCase{"180.1", -1}, DegreeCase{"180.0", 1800}, DegreeCase{"180.09", 1800},
                      DegreeCase{"-0.1", -1}, DegreeCase{"", 0}, DegreeCase{" \t19.2xyz", 192},
                      DegreeCase{"+7", 70}, DegreeCase{"1e1", 100}, DegreeCase{"0x10", 160},
                      DegreeCase{"inf", -1}, DegreeCase{"-inf", -1}, DegreeCase{"nan", -1},
                      DegreeCase{"1e999", -1}, DegreeCase{"19,2", 190},
                      // Only the first 99 characters count: the 99th is the "1".
                      DegreeCase{std::string(98, ' ') + "12", 10}, DegreeCase{std::string(97, ' ') + "12", 120}));

TEST(SatelliteForm, DegreeOutOfRangeIsTheDegreeBoxsError) {
  Record r;
  SatelliteForm form = LoadSatelliteForm(r.record);
  form.degree = "180.1";
  const std::optional<SatelliteFormError> error = ValidateSatelliteForm(form);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->control, SatelliteControl::Degree);
  EXPECT_EQ(error->message, "Please enter a number of degree between 0.0 and 180.0");
  EXPECT_EQ(error->icon, MessageIcon::Error);
  form.degree = "180.0";
  EXPECT_FALSE(ValidateSatelliteForm(form));
}

TEST(SatelliteForm, OkWithoutChangesKeepsEveryByte) {
  Record r;
  r.record.set_mFlag(0xFF);
  r.record.set_mSatFlag2(0xFF);
  r.record.set_mDegree(3300);
  std::uint8_t before[SatelliteRecord::kSize];
  std::memcpy(before, r.bytes, sizeof before);
  ApplySatelliteForm(LoadSatelliteForm(r.record), r.record);
  EXPECT_EQ(std::memcmp(before, r.bytes, sizeof before), 0);
}

TEST(SatelliteForm, DegreeAndSideAreStored) {
  struct Case {
    bool west;
    const char* text;
    std::uint16_t stored;
  };
  for (const Case c : {Case{true, "0.0", 3600}, Case{false, "19.25", 192}, Case{false, "abc", 0},
                       Case{true, "30", 3300}, Case{false, "-0.05", 0}, Case{true, "180", 1800}}) {
    Record r;
    SatelliteForm form = LoadSatelliteForm(r.record);
    form.west = c.west;
    form.degree = c.text;
    ASSERT_FALSE(ValidateSatelliteForm(form)) << c.text;
    ApplySatelliteForm(form, r.record);
    EXPECT_EQ(r.record.mDegree(), c.stored) << c.text;
  }
  // West 0.0 reopens as West 0.0.
  Record r;
  r.record.set_mDegree(3600);
  const SatelliteForm reopened = LoadSatelliteForm(r.record);
  EXPECT_TRUE(reopened.west);
  EXPECT_EQ(reopened.degree, "0.0");
}

TEST(SatelliteForm, RefusedDegreeWritesNothing) {
  Record r;
  std::uint8_t before[SatelliteRecord::kSize];
  std::memcpy(before, r.bytes, sizeof before);
  SatelliteForm form = LoadSatelliteForm(r.record);
  form.name = "Other";
  form.degree = "nan";
  ApplySatelliteForm(form, r.record);
  EXPECT_EQ(std::memcmp(before, r.bytes, sizeof before), 0);
}

TEST(SatelliteForm, UserDefinedInputIsLimitedAndOnlyThenStored) {
  struct Case {
    int lnb;
    const char* input;
    std::uint16_t stored;
  };
  for (const Case c : {Case{kUserDefinedLnb, "65000", 60000}, Case{kUserDefinedLnb, "60000", 60000},
                       Case{kUserDefinedLnb, "60001", 60000}, Case{kUserDefinedLnb, "59999", 59999},
                       Case{kUserDefinedLnb, "", 0}, Case{kUserDefinedLnb, "99999999999999999999999", 60000},
                       Case{kUserDefinedLnb, "0010750", 10750}, Case{10, "65000", 9750},
                       Case{kNoEntry, "1", 9750}}) {
    Record r;
    SatelliteForm form = LoadSatelliteForm(r.record);
    form.lnb = c.lnb;
    form.input = c.input;
    ApplySatelliteForm(form, r.record);
    EXPECT_EQ(r.record.mLnbFrequency(), c.stored) << c.input;
    EXPECT_EQ(r.record.mAntenaType(), c.lnb < 0 ? 255 : c.lnb);
  }
}

TEST(SatelliteForm, OpeningLists) {
  Record r;
  r.record.set_mAntenaType(11);
  r.record.set_mLnbFrequency(10750);
  SatelliteForm form = LoadSatelliteForm(r.record);
  EXPECT_EQ(form.lnb, 11);
  EXPECT_EQ(form.input, "10750");
  EXPECT_TRUE(ShowsUserLnbInput(form.lnb));
  EXPECT_FALSE(ShowsUserLnbInput(10));
  r.record.set_mAntenaType(12);
  EXPECT_EQ(LoadSatelliteForm(r.record).lnb, kNoEntry);
  for (const auto& [stored, shown] : {std::pair{0, 0}, {7, 7}, {8, 8}, {200, 8}, {255, 8}}) {
    r.record.set_mSwitcher(std::uint8_t(stored));
    EXPECT_EQ(LoadSatelliteForm(r.record).switch_input, shown) << stored;
  }
  for (const auto& [bits, shown] : {std::pair{0x00, 0}, {0x04, 1}, {0x08, 2}, {0x0C, kNoEntry}}) {
    r.record.set_mFlag(std::uint8_t(bits | 0x93));
    form = LoadSatelliteForm(r.record);
    EXPECT_EQ(form.tone_burst, shown) << bits;
    EXPECT_TRUE(form.lnb_power && form.khz22 && form.v12);
  }
  r.record.set_mFlag(0x6E);  // tone burst 3 and the kept bits only
  r.record.set_mSatFlag2(0xFD);
  form = LoadSatelliteForm(r.record);
  EXPECT_FALSE(form.lnb_power || form.khz22 || form.v12 || form.scramble);
  r.record.set_mSatFlag2(0x02);
  EXPECT_TRUE(LoadSatelliteForm(r.record).scramble);
}

TEST(SatelliteForm, ToneBurstThreeAndSwitch200OnOk) {
  Record r;
  r.record.set_mFlag(0x0C);
  r.record.set_mSwitcher(200);
  ApplySatelliteForm(LoadSatelliteForm(r.record), r.record);
  EXPECT_EQ(r.record.mFlag(), 0x0C);
  EXPECT_EQ(r.record.mSwitcher(), 255);
}

TEST(SatelliteForm, SwitchEntriesStore) {
  for (const auto& [entry, stored] : {std::pair{0, 0}, {7, 7}, {8, 255}, {kNoEntry, 255}}) {
    Record r;
    SatelliteForm form = LoadSatelliteForm(r.record);
    form.switch_input = entry;
    ApplySatelliteForm(form, r.record);
    EXPECT_EQ(r.record.mSwitcher(), stored) << entry;
  }
}

TEST(SatelliteForm, CheckBoxesAndToneBurstKeepTheOtherBits) {
  struct Case {
    std::uint8_t flag, flag2;
    int tone_burst;
    bool on;
    std::uint8_t stored_flag, stored_flag2;
  };
  for (const Case c : {Case{0xFF, 0xFF, 0, false, 0x62, 0xFD}, Case{0x00, 0x00, 2, true, 0x99, 0x02},
                       Case{0x62, 0xFD, 1, true, 0xF7, 0xFF}, Case{0x9D, 0x02, 0, false, 0x00, 0x00}}) {
    Record r;
    r.record.set_mFlag(c.flag);
    r.record.set_mSatFlag2(c.flag2);
    SatelliteForm form = LoadSatelliteForm(r.record);
    form.tone_burst = c.tone_burst;
    form.lnb_power = form.khz22 = form.v12 = form.scramble = c.on;
    ApplySatelliteForm(form, r.record);
    EXPECT_EQ(r.record.mFlag(), c.stored_flag) << int(c.flag);
    EXPECT_EQ(r.record.mSatFlag2(), c.stored_flag2) << int(c.flag2);
  }
  // Each box sets its own bit.
  const struct {
    bool SatelliteForm::*box;
    std::uint8_t flag, flag2;
  } boxes[] = {{&SatelliteForm::lnb_power, 0x80, 0}, {&SatelliteForm::khz22, 0x10, 0},
               {&SatelliteForm::v12, 0x01, 0}, {&SatelliteForm::scramble, 0, 0x02}};
  for (const auto& b : boxes) {
    Record r;
    r.record.set_mFlag(0);
    SatelliteForm form = LoadSatelliteForm(r.record);
    form.tone_burst = 0;
    form.*(b.box) = true;
    ApplySatelliteForm(form, r.record);
    EXPECT_EQ(r.record.mFlag(), b.flag);
    EXPECT_EQ(r.record.mSatFlag2(), b.flag2);
  }
}

TEST(SatelliteForm, NameWritesAtMost15BytesAndKeepsTheRest) {
  Record r;
  std::uint8_t* field = r.bytes + 0x06;
  std::memset(field, 'x', 16);  // 16 bytes, no terminator
  SatelliteForm form = LoadSatelliteForm(r.record);
  EXPECT_EQ(form.name, std::string(16, 'x'));
  form.degree = "1.0";
  ApplySatelliteForm(form, r.record);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 16), std::string(16, 'x'));

  form.name = "Hot Bird";
  ApplySatelliteForm(form, r.record);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 16), std::string("Hot Bird\0xxxxxxx", 16));
  form.name = std::string(15, 'y');
  ApplySatelliteForm(form, r.record);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 16), std::string(15, 'y') + '\0');
  EXPECT_EQ(r.bytes[0x16], 0xA5);  // the byte after the field
}

TEST(SatelliteForm, WhatTheBoxesAccept) {
  EXPECT_TRUE(SatelliteNameFits(std::string(15, 'a')));
  EXPECT_TRUE(SatelliteNameFits("\xC4\xD6\xDC\xE9"));
  EXPECT_FALSE(SatelliteNameFits(std::string(16, 'a')));
  EXPECT_FALSE(SatelliteNameFits(std::string("a\0b", 3)));
  EXPECT_TRUE(LnbInputFits(""));
  EXPECT_TRUE(LnbInputFits("0123456789"));
  for (const char* bad : {"1 ", "-1", "+1", "1.5", "1e3", "x"}) EXPECT_FALSE(LnbInputFits(bad)) << bad;
}

TEST(SatelliteForm, EntryTexts) {
  EXPECT_STREQ(kLnbEntries[0], "U-LNB1 (9750/10600)");
  EXPECT_STREQ(kLnbEntries[2], "5150");
  EXPECT_STREQ(kLnbEntries[11], "User defined");
  EXPECT_STREQ(kSwitchEntries[8], "None");
  EXPECT_STREQ(kToneBurstEntries[2], "SB");
}

// A German desktop writes 19,2 and reads "19.2" as 19 through the C library;
// the form must not notice.
TEST(SatelliteForm, GermanNumericLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
  char printed[16];
  std::snprintf(printed, sizeof printed, "%3.1f", 19.2);
  const std::string c_library = printed;
  EXPECT_EQ(FormatDegreeTenths(192), "19.2");
  const std::optional<int> read = ReadDegreeTenths("19.2");
  Record r;
  SatelliteForm form = LoadSatelliteForm(r.record);
  form.degree = "19.2";
  ApplySatelliteForm(form, r.record);
  const std::string reopened = LoadSatelliteForm(r.record).degree;
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_EQ(c_library, "19,2");  // the locale is really in force
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, 192);
  EXPECT_EQ(r.record.mDegree(), 192);
  EXPECT_EQ(reopened, "19.2");
}

}  // namespace
}  // namespace kavor
