#include "editing/channel_form.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>

namespace kavor {
namespace {

using Bytes = std::array<std::uint8_t, ChannelRecord::kSize>;

// A record with every field set to something recognisable.
Bytes SampleRecord() {
  Bytes b{};
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::uint8_t(0xA0 + i);
  ChannelRecord r(b.data());
  r.set_mVideoPid(101);
  r.set_mAudioPid(102);
  r.set_mPcrPid(103);
  r.set_mServiceFlag(0x0100);
  r.set_mCaSystemId(0x0B00);
  r.set_mEcmPid(0x1234);
  r.set_mCategory(4);
  r.set_mCharTable(1);
  // "Sample" then a zero, then the rest of the field keeps its filler bytes.
  std::memcpy(b.data() + 0x18, "Sample", 7);
  return b;
}

TEST(ChannelForm, AllZeroTemplateOpensEmpty) {
  Bytes b{};
  const ChannelForm f = LoadChannelForm(ChannelRecord(b.data()));
  EXPECT_EQ(f.name, "");
  EXPECT_EQ(f.char_table, 0);
  EXPECT_EQ(f.video, "0");
  EXPECT_EQ(f.audio, "0");
  EXPECT_EQ(f.pcr, "0");
  EXPECT_EQ(f.category, 0);
  for (bool fav : f.favourite) EXPECT_FALSE(fav);
  EXPECT_FALSE(f.lock);
  EXPECT_FALSE(f.scramble);
  EXPECT_EQ(f.ca_system_id, "0");
  EXPECT_EQ(f.ecm_pid, "0");
}

TEST(ChannelForm, OpensEveryControlFromTheRecord) {
  Bytes b = SampleRecord();
  ChannelRecord r(b.data());
  r.set_mServiceFlag(0x0080 | 0x0010 | 0x0002 | 0x8000 | kFlagLocked | 0x0100);
  r.set_mCaSystemId(0xBEEF);
  const ChannelForm f = LoadChannelForm(r);
  EXPECT_EQ(f.name, "Sample");
  EXPECT_EQ(f.opened_name, "Sample");
  EXPECT_EQ(f.char_table, 1);
  EXPECT_EQ(f.video, "101");
  EXPECT_EQ(f.audio, "102");
  EXPECT_EQ(f.pcr, "103");
  EXPECT_EQ(f.category, 4);
  EXPECT_EQ(f.favourite, (std::array<bool, 8>{true, false, false, true, true, false, false, true}));
  EXPECT_TRUE(f.lock);
  EXPECT_FALSE(f.scramble);
  EXPECT_EQ(f.ca_system_id, "beef");
  EXPECT_EQ(f.ecm_pid, "1234");
}

TEST(ChannelForm, IndexOutsideADropDownSelectsNothing) {
  Bytes b = SampleRecord();
  ChannelRecord r(b.data());
  r.set_mCharTable(6);
  r.set_mCategory(16);
  ChannelForm f = LoadChannelForm(r);
  EXPECT_EQ(f.char_table, kNoEntry);
  EXPECT_EQ(f.category, kNoEntry);
  r.set_mCharTable(5);
  r.set_mCategory(15);
  f = LoadChannelForm(r);
  EXPECT_EQ(f.char_table, 5);
  EXPECT_EQ(f.category, 15);
}

// One row per rule: change the opened form, OK, expect these record bytes.
struct ApplyCase {
  const char* what;
  std::function<void(ChannelForm&)> change;
  std::function<void(ChannelRecord)> expected;  // applied to the original record
};

TEST(ChannelForm, OkWritesWhatEachControlSays) {
  const ApplyCase cases[] = {
      {"nothing changed keeps every byte", [](ChannelForm&) {}, [](ChannelRecord) {}},
      {"video 8191 stored", [](ChannelForm& f) { f.video = "8191"; },
       [](ChannelRecord r) { r.set_mVideoPid(8191); }},
      {"audio with plus and blanks", [](ChannelForm& f) { f.audio = " +17\t"; },
       [](ChannelRecord r) { r.set_mAudioPid(17); }},
      {"pcr 0", [](ChannelForm& f) { f.pcr = "0"; }, [](ChannelRecord r) { r.set_mPcrPid(0); }},
      {"ecm 1fff", [](ChannelForm& f) { f.ecm_pid = "1fff"; },
       [](ChannelRecord r) { r.set_mEcmPid(0x1FFF); }},
      {"ecm 0x100", [](ChannelForm& f) { f.ecm_pid = "0x100"; },
       [](ChannelRecord r) { r.set_mEcmPid(0x0100); }},
      {"ca ffff", [](ChannelForm& f) { f.ca_system_id = "FFFF"; },
       [](ChannelRecord r) { r.set_mCaSystemId(0xFFFF); }},
      {"ca with trailing text", [](ChannelForm& f) { f.ca_system_id = " 0x5z9"; },
       [](ChannelRecord r) { r.set_mCaSystemId(0x5); }},
      {"empty hex keeps the old value", [](ChannelForm& f) { f.ca_system_id = ""; }, [](ChannelRecord) {}},
      {"unreadable hex keeps the old value", [](ChannelForm& f) { f.ecm_pid = "zz"; },
       [](ChannelRecord) {}},
      {"signed hex keeps the old value", [](ChannelForm& f) { f.ecm_pid = "-1"; },
       [](ChannelRecord) {}},
      {"category none stores 255", [](ChannelForm& f) { f.category = kNoEntry; },
       [](ChannelRecord r) { r.set_mCategory(255); }},
      {"char table none stores 255", [](ChannelForm& f) { f.char_table = kNoEntry; },
       [](ChannelRecord r) { r.set_mCharTable(255); }},
      {"char table entry 5", [](ChannelForm& f) { f.char_table = 5; },
       [](ChannelRecord r) { r.set_mCharTable(5); }},
      {"favourite 1", [](ChannelForm& f) { f.favourite[0] = true; },
       [](ChannelRecord r) { r.set_mServiceFlag(0x0180); }},
      {"favourites 2 3 4", [](ChannelForm& f) { f.favourite[1] = f.favourite[2] = f.favourite[3] = true; },
       [](ChannelRecord r) { r.set_mServiceFlag(0x0170); }},
      {"hidden favourites 5-8",
       [](ChannelForm& f) { f.favourite[4] = f.favourite[5] = f.favourite[6] = f.favourite[7] = true; },
       [](ChannelRecord r) { r.set_mServiceFlag(0xE102); }},
      {"lock and scramble", [](ChannelForm& f) { f.lock = f.scramble = true; },
       [](ChannelRecord r) { r.set_mServiceFlag(0x010C); }},
      {"name of 19 stored whole, zero after it, tail kept",
       [](ChannelForm& f) { f.name = "ABCDEFGHIJKLMNOPQRS"; },
       [](ChannelRecord r) { std::memcpy(r.data() + 0x18, "ABCDEFGHIJKLMNOPQRS", 20); }},
      {"shorter name: tail after its zero kept", [](ChannelForm& f) { f.name = "Ab"; },
       [](ChannelRecord r) { std::memcpy(r.data() + 0x18, "Ab", 3); }},
      {"longer name cut to 19", [](ChannelForm& f) { f.name = "ABCDEFGHIJKLMNOPQRSTU"; },
       [](ChannelRecord r) { std::memcpy(r.data() + 0x18, "ABCDEFGHIJKLMNOPQRS", 20); }},
      {"empty name", [](ChannelForm& f) { f.name = ""; }, [](ChannelRecord r) { r.data()[0x18] = 0; }},
      {"latin-1 bytes kept", [](ChannelForm& f) { f.name = "\xE9t\xE9"; },
       [](ChannelRecord r) { std::memcpy(r.data() + 0x18, "\xE9t\xE9", 4); }},
  };
  for (const ApplyCase& c : cases) {
    Bytes original = SampleRecord();
    Bytes edited = original;
    ChannelForm f = LoadChannelForm(ChannelRecord(edited.data()));
    c.change(f);
    ASSERT_FALSE(ValidateChannelForm(f).has_value()) << c.what;
    ApplyChannelForm(f, ChannelRecord(edited.data()));
    Bytes expected = original;
    c.expected(ChannelRecord(expected.data()));
    EXPECT_EQ(edited, expected) << c.what;
  }
}

TEST(ChannelForm, FlagBitsTheDialogDoesNotOwnSurvive) {
  // Bit 0, the type bits 8-10 and bits 11-12 stay; every other bit follows
  // the boxes, also favourite 6 although its box is hidden.
  for (std::uint16_t kept : {0x0001, 0x0100, 0x0200, 0x0400, 0x0800, 0x1000, 0x1F01}) {
    Bytes b = SampleRecord();
    ChannelRecord r(b.data());
    r.set_mServiceFlag(std::uint16_t(kept | 0x2000 | kFlagScrambled));
    ChannelForm f = LoadChannelForm(r);
    EXPECT_TRUE(f.favourite[5]);
    ApplyChannelForm(f, r);
    EXPECT_EQ(r.mServiceFlag(), kept | 0x2000 | kFlagScrambled) << std::hex << kept;
    f.favourite[5] = false;
    f.scramble = false;
    ApplyChannelForm(f, r);
    EXPECT_EQ(r.mServiceFlag(), kept) << std::hex << kept;
  }
}

TEST(ChannelForm, CategoryTwentyOpensWithNoneAndStores255) {
  Bytes b = SampleRecord();
  ChannelRecord r(b.data());
  r.set_mCategory(20);
  const ChannelForm f = LoadChannelForm(r);
  EXPECT_EQ(f.category, kNoEntry);
  ApplyChannelForm(f, r);
  EXPECT_EQ(r.mCategory(), 255);
}

TEST(ChannelForm, UnterminatedTwentyByteNameSurvivesAnEditThatKeepsIt) {
  Bytes b = SampleRecord();
  ChannelRecord r(b.data());
  std::memcpy(b.data() + 0x18, "ABCDEFGHIJKLMNOPQRST", 20);  // no zero in the field
  const Bytes before = b;
  ChannelForm f = LoadChannelForm(r);
  EXPECT_EQ(f.name, "ABCDEFGHIJKLMNOPQRST");
  ASSERT_FALSE(ValidateChannelForm(f));
  ApplyChannelForm(f, r);
  EXPECT_EQ(b, before);
  // Touching the name writes it as the box holds it, cut to 19.
  f.name = "ABCDEFGHIJKLMNOPQRSX";
  ApplyChannelForm(f, r);
  EXPECT_EQ(r.mServiceName(), "ABCDEFGHIJKLMNOPQRS");
}

struct RefusalCase {
  const char* what;
  std::function<void(ChannelForm&)> change;
  ChannelControl control;
  const char* message;
};

TEST(ChannelForm, OkRefusesInTheFixedOrder) {
  const char* kInteger = "Please enter an integer.";
  const char* kPositive = "Please enter a positive integer.";
  const char* kRange = "Please enter an integer between 0 and 8191.";
  const char* kHex = "Please enter a hexadecimal number between 0 and ffff.";
  const RefusalCase cases[] = {
      {"video empty", [](ChannelForm& f) { f.video = ""; }, ChannelControl::Video, kInteger},
      {"video 12x", [](ChannelForm& f) { f.video = "12x"; }, ChannelControl::Video, kInteger},
      {"video 8192", [](ChannelForm& f) { f.video = "8192"; }, ChannelControl::Video, kRange},
      {"video -1", [](ChannelForm& f) { f.video = "-1"; }, ChannelControl::Video, kRange},
      {"video huge", [](ChannelForm& f) { f.video = "99999999999999999999"; }, ChannelControl::Video, kRange},
      {"pcr 99999", [](ChannelForm& f) { f.pcr = "99999"; }, ChannelControl::Pcr, kRange},
      {"pcr text", [](ChannelForm& f) { f.pcr = "a"; }, ChannelControl::Pcr, kInteger},
      {"audio empty", [](ChannelForm& f) { f.audio = ""; }, ChannelControl::Audio, kPositive},
      {"audio -5", [](ChannelForm& f) { f.audio = "-5"; }, ChannelControl::Audio, kPositive},
      {"audio 65536", [](ChannelForm& f) { f.audio = "65536"; }, ChannelControl::Audio, kRange},
      {"ca 10000", [](ChannelForm& f) { f.ca_system_id = "10000"; }, ChannelControl::CaSystemId, kHex},
      {"ecm 0x1ffff", [](ChannelForm& f) { f.ecm_pid = "0x1ffff"; }, ChannelControl::EcmPid, kHex},
      // Order: video, pcr, audio (each fully), then ca, then ecm.
      {"video range before pcr integer",
       [](ChannelForm& f) { f.video = "9000"; f.pcr = "x"; }, ChannelControl::Video, kRange},
      {"pcr before audio", [](ChannelForm& f) { f.audio = ""; f.pcr = "x"; }, ChannelControl::Pcr, kInteger},
      {"pcr range before audio integer",
       [](ChannelForm& f) { f.audio = ""; f.pcr = "8192"; }, ChannelControl::Pcr, kRange},
      {"audio before ca", [](ChannelForm& f) { f.audio = "8192"; f.ca_system_id = "10000"; },
       ChannelControl::Audio, kRange},
      {"ca before ecm", [](ChannelForm& f) { f.ecm_pid = "10000"; f.ca_system_id = "10000"; },
       ChannelControl::CaSystemId, kHex},
  };
  for (const RefusalCase& c : cases) {
    Bytes b = SampleRecord();
    ChannelForm f = LoadChannelForm(ChannelRecord(b.data()));
    c.change(f);
    const std::optional<FormError> e = ValidateChannelForm(f);
    ASSERT_TRUE(e.has_value()) << c.what;
    EXPECT_EQ(e->control, c.control) << c.what;
    EXPECT_EQ(e->message, c.message) << c.what;
  }
}

TEST(ChannelForm, PidBoundariesAndHexBoundaryPass) {
  Bytes b = SampleRecord();
  ChannelForm f = LoadChannelForm(ChannelRecord(b.data()));
  f.video = "-0";
  f.pcr = "8191";
  f.audio = "+0";
  f.ca_system_id = "ffff";
  f.ecm_pid = "0000ffff";
  EXPECT_FALSE(ValidateChannelForm(f).has_value());
}

TEST(ChannelForm, NameBoxTakesNineteenBytesWithoutNul) {
  EXPECT_TRUE(ChannelNameFits(""));
  EXPECT_TRUE(ChannelNameFits("ABCDEFGHIJKLMNOPQRS"));
  EXPECT_TRUE(ChannelNameFits("\xFF\xE9\x80"));
  EXPECT_FALSE(ChannelNameFits("ABCDEFGHIJKLMNOPQRST"));
  EXPECT_FALSE(ChannelNameFits(std::string("A\0B", 3)));
}

TEST(ChannelForm, EntryTablesReadAsTheDialogLists) {
  EXPECT_STREQ(kCharTableEntries[0], "Latin alphabet");
  EXPECT_STREQ(kCharTableEntries[5], "Latin alphabet number 5");
  EXPECT_STREQ(kCategoryEntries[0], "Etc");
  EXPECT_STREQ(kCategoryEntries[5], "Children's");
  EXPECT_STREQ(kCategoryEntries[11], "Special");
  EXPECT_STREQ(kCategoryEntries[15], "USER4");
}

}  // namespace
}  // namespace kavor
