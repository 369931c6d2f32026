// The default-table headers: exact texts, escaping that keeps them compilable,
// and write failures reported as such.
#include "interchange/header_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/image.h"
#include "database/image_builder.h"
#include "interchange/header_export_fixture.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::HeaderExportTest;
using kavor::testing::TempDir;

const char kTpPrefix[] =
    "// PgDefTp.h\n\n"
    "struct\tDEFAULT_TP\n{\n\tuint16\tmNetworkId;\n\tuint16\tmTpId;\n\tuint16\tmFrequency;\n"
    "\tuint16\tmSymbolRate;\n\tuint8\tmSatId;\n\tuint8\tmTpFlag;\n};\n\n"
    "struct\tDEFAULT_TP\tdefaulttp[] = \n{";

TEST_F(HeaderExportTest, NoTransponderGivesEmptyCommentAndTerminator) {
  ImageBuilder b(image_, kKind3);
  b.Finish();
  EXPECT_EQ(Export("PgDefTp.h"),
            std::string(kTpPrefix) + "\n//\t\n{    0,     0,     0,     0,  0, 0x00}\n};\n");
}

TEST_F(HeaderExportTest, OneCommentPerSatelliteAndOneBeforeTerminator) {
  ImageBuilder b(image_, kKind5);
  b.NameSatellite(0, "Astra", 192);
  b.NameSatellite(1, "Hotbird", 130);
  b.AddTransponder(1, 11494, 22000, false, 1, 1093);
  b.AddTransponder(1, 12603, 22000, true, 1, 1115);
  b.AddTransponder(2, 10719, 27500, true, 318, 12000);
  b.Finish();
  const std::string vflag = [&] {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", image_.Transponder(1).mTpFlag());
    return std::string(buf);
  }();
  EXPECT_EQ(Export("PgDefTp.h"),
            std::string(kTpPrefix) +
                "\n//\tAstra\n"
                "{    1,  1093, 11494, 22000,  1, 0x00},\n"
                "{    1,  1115, 12603, 22000,  1, " + vflag + "},\n"
                "\n//\tHotbird\n"
                "{  318, 12000, 10719, 27500,  2, " + vflag + "},\n"
                "\n//\t\n"
                "{    0,     0,     0,     0,  0, 0x00}\n};\n");
}

TEST_F(HeaderExportTest, SatelliteTableHasFiftyEntriesLastWithoutComma) {
  ImageBuilder b(image_, kKind3);
  b.NameSatellite(0, "Astra", 192);
  b.Finish();
  image_.Satellite(0).set_mAntenaType(11);
  image_.Satellite(0).set_mFlag(0xA5);
  image_.Satellite(0).set_mSwitcher(0x0C);
  image_.Satellite(49).set_mDegree(3550);
  const std::string text = Export("PgDefSat.h");
  const std::string head =
      "// PgDefSat.h\n\n#define\tDEFAULT_NUM_OF_SAT\t50\n\n"
      "struct\tDEFAULT_SAT\n{\n\tuint16\tmDegree;\n\tuint8\tmSatName[MAX_SATELLITE_NAME+1];\n"
      "\tuint8\tmSatId;\n\tuint8\tmAntenaType;\n\tuint8\tmFlag;\n\tuint8\tmSwitcher;\n};\n\n"
      "struct\tDEFAULT_SAT\tdefaultsat[] = \n{\n"
      // mAntenaType 11 widens its one-character field.
      "{ 192, \"Astra          \",  1, 11, 0xA5, 0x0C},\n";
  ASSERT_EQ(text.substr(0, head.size()), head);
  std::string lines = text.substr(head.size());
  // The entry above, then one line per slot: 49 with a comma, the last without.
  int entries = 1, commas = 1;
  for (std::size_t begin = 0, end; (end = lines.find('\n', begin)) != std::string::npos;
       begin = end + 1) {
    const std::string line = lines.substr(begin, end - begin);
    if (line.empty() || line[0] != '{') continue;
    ++entries;
    if (line.back() == ',') ++commas;
  }
  EXPECT_EQ(commas, 49);
  EXPECT_EQ(entries, 50);
  char last[64];
  std::snprintf(last, sizeof last, "{3550, \"%-15s\", %2d, %1d, 0x00, 0x00}\n};\n", "",
                image_.Satellite(49).mSatId(), image_.Satellite(49).mAntenaType());
  EXPECT_EQ(lines.substr(lines.size() - std::string(last).size()), last);
}

TEST_F(HeaderExportTest, NoChannelsGivesZeroDefineAndEmptyTable) {
  ImageBuilder b(image_, kKind3);
  b.AddTransponder(1, 11494, 22000, false);
  b.Finish();
  EXPECT_EQ(Export("PgDefSvc_S.h"),
            "// PgDefSvc_S.h\n\n#define\tDEFAULT_NUM_OF_SERVICE\t0\n\n"
            "SSERVICE_INFO\tdefaultservice[] = \n{\n};\n");
}

TEST_F(HeaderExportTest, EveryServiceLineEndsWithComma) {
  ImageBuilder b(image_, kKind3);
  const int tp = b.AddTransponder(1, 11494, 22000, false);
  ChannelSpec tv;
  tv.name = "Das Erste";
  tv.video_pid = 101, tv.audio_pid = 102, tv.pcr_pid = 101, tv.service_id = 28106,
  tv.network_id = 1;
  ChannelSpec radio;
  radio.type = kServiceTypeRadio;
  radio.name = "Bayern 3";
  radio.audio_pid = 2001, radio.pcr_pid = 2001, radio.service_id = 28403;
  b.AddChannel(1, tp, tv);
  b.AddChannel(1, tp, radio);
  b.Finish();
  const ChannelRecord c0 = image_.Channel(0);
  c0.set_mCaSystemId(0x1702);
  c0.set_mEcmPid(65535);
  c0.set_mCategory(7);
  c0.set_mAudioFlag(1);
  c0.set_mServiceFlag2(0xFF);
  c0.set_mCharTable(200);
  const std::string text = Export("PgDefSvc_S.h");
  char line0[200], line1[200];
  std::snprintf(line0, sizeof line0,
                "{    1, 28106, %4d,  101,  102,  101, 0x%04X,  5890, 65535,   1, %3d,   7, 0x01, "
                "0xFF, 200, \"Das Erste\"},\n",
                c0.mChannelNo(), c0.mServiceFlag(), tp);
  const ChannelRecord c1 = image_.Channel(1);
  std::snprintf(line1, sizeof line1,
                "{    0, 28403, %4d,    0, 2001, 2001, 0x%04X,     0,     0,   1, %3d,   0, 0x%02X, "
                "0x00,   0, \"Bayern 3\"},\n",
                c1.mChannelNo(), c1.mServiceFlag(), tp, c1.mAudioFlag());
  EXPECT_EQ(text, std::string("// PgDefSvc_S.h\n\n#define\tDEFAULT_NUM_OF_SERVICE\t2\n\n"
                              "SSERVICE_INFO\tdefaultservice[] = \n{\n") +
                      line0 + line1 + "};\n");
}

struct EscapeCase {
  std::string name, quoted, comment;
};

TEST(HeaderExportText, EscapesNamesForStringsAndComments) {
  const EscapeCase cases[] = {
      {"plain", "plain", "plain"},
      {"a\"b", "a\\\"b", "a\"b"},
      {"a\\b", "a\\\\b", "a_b"},
      {"end\\", "end\\\\", "end_"},
      {"\x01" "7", "\\0017", "_7"},
      {"tab\tcr\r", "tab\\011cr\\015", "tab_cr_"},
      {"del\x7F", "del\\177", "del_"},
      {"\x1F\x20", "\\037 ", "_ "},
      {"\x80\xE4\xFF", "\x80\xE4\xFF", "\x80\xE4\xFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuotedNameText(c.name), c.quoted) << c.name;
    EXPECT_EQ(CommentNameText(c.name), c.comment) << c.name;
  }
}

TEST_F(HeaderExportTest, SatelliteNameIsPaddedBeforeEscaping) {
  ImageBuilder b(image_, kKind3);
  b.NameSatellite(0, "A\"B\\", 10);
  b.Finish();
  // Padded to 15 bytes of the name first: the two escapes add two more.
  EXPECT_NE(Export("PgDefSat.h").find("{  10, \"A\\\"B\\\\           \",  1,"), std::string::npos);
}

TEST_F(HeaderExportTest, NamesFillingTheirWholeFieldStopAtTheField) {
  ImageBuilder b(image_, kKind3);
  const int tp = b.AddTransponder(1, 11494, 22000, false);
  ChannelSpec ch;
  ch.name = "x";
  b.AddChannel(1, tp, ch);
  b.Finish();
  // No terminating zero in either field; the bytes after them are not names.
  std::memset(image_.Satellite(0).data() + 0x06, 'S', kSatelliteNameField);
  std::memset(image_.Channel(0).data() + 0x18, 'C', kChannelNameField);
  image_.Channel(1).data()[0] = 'Z';
  EXPECT_NE(Export("PgDefSat.h").find("\"" + std::string(16, 'S') + "\""), std::string::npos);
  EXPECT_NE(Export("PgDefSvc_S.h").find("\"" + std::string(20, 'C') + "\"}"), std::string::npos);
  EXPECT_NE(Export("PgDefTp.h").find("//\t" + std::string(16, 'S') + "\n{"), std::string::npos);
}

TEST(HeaderExportResult, Texts) {
  EXPECT_STREQ(ExportResultText(true), "Ok");
  EXPECT_STREQ(ExportResultText(false), "Error");
}

TEST_F(HeaderExportTest, FileThatCannotBeCreatedStopsTheExport) {
  ImageBuilder b(image_, kKind3);
  b.Finish();
  std::filesystem::create_directory(dir_ / "PgDefTp.h");
  EXPECT_FALSE(ExportDefaultTables(image_, dir_.path()));
  EXPECT_FALSE(ReadFile(dir_ / "PgDefSat.h").empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "PgDefSvc_S.h"));
}

}  // namespace
}  // namespace kavor
