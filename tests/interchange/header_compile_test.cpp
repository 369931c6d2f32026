// The exported headers compiled by the system C compiler: the values the
// compiled tables hold must be the image's, byte for byte in the names.
#include "interchange/header_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/image.h"
#include "database/image_builder.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::TempDir;
using kavor::testing::WriteFile;

// What the firmware's code provides around the headers, and a main that
// prints every value of the three tables.
const char kProgram[] = R"(#include <stdio.h>
typedef unsigned char uint8;
typedef unsigned short uint16;
#define MAX_SATELLITE_NAME 15
typedef struct {
  uint16 mNetworkId, mServiceId, mChannelNo, mVideoPid, mAudioPid, mPcrPid, mServiceFlag,
      mCaSystemId, mEcmPid;
  uint8 mSatId, mTpNumber, mCategory, mAudioFlag, mServiceFlag2, mCharTable;
  uint8 mServiceName[21];
} SSERVICE_INFO;
#include "PgDefSat.h"
#include "PgDefTp.h"
#include "PgDefSvc_S.h"
static void name(const uint8* p, unsigned n) {
  unsigned i;
  for (i = 0; i < n; ++i) printf(" %02x", p[i]);
}
int main(void) {
  unsigned i;
  for (i = 0; i < DEFAULT_NUM_OF_SAT; ++i) {
    const struct DEFAULT_SAT* s = &defaultsat[i];
    printf("S %u %u %u %u %u", s->mDegree, s->mSatId, s->mAntenaType, s->mFlag, s->mSwitcher);
    name(s->mSatName, 16);
    printf("\n");
  }
  printf("S count %u\n", (unsigned)(sizeof defaultsat / sizeof defaultsat[0]));
  for (i = 0; i < sizeof defaulttp / sizeof defaulttp[0]; ++i) {
    const struct DEFAULT_TP* t = &defaulttp[i];
    printf("T %u %u %u %u %u %u\n", t->mNetworkId, t->mTpId, t->mFrequency, t->mSymbolRate,
           t->mSatId, t->mTpFlag);
  }
  for (i = 0; i < DEFAULT_NUM_OF_SERVICE; ++i) {
    const SSERVICE_INFO* c = &defaultservice[i];
    printf("C %u %u %u %u %u %u %u %u %u %u %u %u %u %u %u", c->mNetworkId, c->mServiceId,
           c->mChannelNo, c->mVideoPid, c->mAudioPid, c->mPcrPid, c->mServiceFlag,
           c->mCaSystemId, c->mEcmPid, c->mSatId, c->mTpNumber, c->mCategory, c->mAudioFlag,
           c->mServiceFlag2, c->mCharTable);
    name(c->mServiceName, 21);
    printf("\n");
  }
  return 0;
}
)";

std::string Hex(const std::uint8_t* p, std::size_t field, std::size_t width) {
  // The compiled array holds the name up to its zero, then zeros.
  std::string out;
  bool ended = false;
  for (std::size_t i = 0; i < width; ++i) {
    const unsigned b = (i < field && !ended) ? p[i] : 0;
    if (b == 0) ended = true;
    char buf[4];
    std::snprintf(buf, sizeof buf, " %02x", b);
    out += buf;
  }
  return out;
}

std::string Expected(const Image& image) {
  std::string out;
  char line[256];
  for (int slot = 0; slot < kSatelliteSlots; ++slot) {
    const SatelliteRecord s = image.Satellite(slot);
    std::snprintf(line, sizeof line, "S %u %u %u %u %u", s.mDegree(), s.mSatId(),
                  s.mAntenaType(), s.mFlag(), s.mSwitcher());
    // The name as the table stores it: padded with blanks to 15 bytes.
    std::uint8_t padded[16] = {};
    const std::string n = s.mSatName();
    std::memset(padded, ' ', 15);
    std::memcpy(padded, n.data(), n.size());
    out += line + Hex(padded, 16, 16) + "\n";
  }
  out += "S count 50\n";
  for (int i = 0; i <= image.TpCountInUse(); ++i) {
    if (i == image.TpCountInUse()) {
      out += "T 0 0 0 0 0 0\n";
      break;
    }
    const TransponderRecord t = image.Transponder(i);
    std::snprintf(line, sizeof line, "T %u %u %u %u %u %u\n", t.mNetworkId(), t.mTpId(),
                  t.mFrequency(), t.mSymbolRate(), t.mSatId(), t.mTpFlag());
    out += line;
  }
  for (int i = 0; i < image.ServiceCountInUse(); ++i) {
    const ChannelRecord c = image.Channel(i);
    std::snprintf(line, sizeof line, "C %u %u %u %u %u %u %u %u %u %u %u %u %u %u %u",
                  c.mNetworkId(), c.mServiceId(), c.mChannelNo(), c.mVideoPid(), c.mAudioPid(),
                  c.mPcrPid(), c.mServiceFlag(), c.mCaSystemId(), c.mEcmPid(), c.mSatId(),
                  c.mTpNumber(), c.mCategory(), c.mAudioFlag(), c.mServiceFlag2(),
                  c.mCharTable());
    out += line + Hex(c.data() + 0x18, kChannelNameField, 21) + "\n";
  }
  return out;
}

class HeaderCompileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v cc >/dev/null 2>&1") != 0) GTEST_SKIP() << "no cc on PATH";
  }
  // Exports, compiles with `cc -c` in its default mode, links, runs; returns
  // what the program printed, or "" when a step failed.
  std::string CompileAndRun() {
    EXPECT_TRUE(ExportDefaultTables(image_, dir_.path()));
    WriteFile(dir_ / "tables.c", kProgram);
    const std::string d = dir_.path().string();
    const std::string build = "cd '" + d + "' && cc -c tables.c -o tables.o 2>compile.log && " +
                              "cc tables.o -o tables 2>>compile.log";
    if (std::system(build.c_str()) != 0) {
      ADD_FAILURE() << kavor::testing::ReadFile(dir_ / "compile.log");
      return "";
    }
    EXPECT_EQ(std::system(("'" + d + "/tables' > '" + d + "/out.txt'").c_str()), 0);
    return kavor::testing::ReadFile(dir_ / "out.txt");
  }
  Image image_;
  TempDir dir_;
};

TEST_F(HeaderCompileTest, AwkwardNamesCompileToTheImagesBytes) {
  ImageBuilder b(image_, kKind5);
  b.NameSatellite(0, "Quote\"Back\\", 192);
  b.NameSatellite(1, "Tail\\", 130);  // a trailing backslash in the comment line
  b.NameSatellite(2, "Ctl\x01" "7\x7F\xE4", 3550);
  const int tp1 = b.AddTransponder(1, 11494, 22000, false, 1, 1093);
  b.AddTransponder(2, 10719, 27500, true, 318, 12000);
  const int tp3 = b.AddTransponder(3, 12000, 30000, true, 65535, 65535);
  ChannelSpec a;
  a.name = "\"Q\" \\ \t\x1F" "1\x7F\xFF";
  a.video_pid = 8191, a.audio_pid = 8190, a.pcr_pid = 8191, a.service_id = 65535,
  a.network_id = 65535, a.scrambled = true;
  b.AddChannel(1, tp1, a);
  ChannelSpec r;
  r.type = kServiceTypeRadio;
  r.name = "Radio with blanks  ";
  r.audio_pid = 1, r.pcr_pid = 1;
  b.AddChannel(3, tp3, r);
  b.Finish();
  // A name filling its whole field, and values in the bytes the editor
  // otherwise leaves alone.
  std::memset(image_.Channel(1).data() + 0x18, 'N', kChannelNameField);
  image_.Satellite(3).set_mAntenaType(11);
  image_.Channel(0).set_mCaSystemId(0x1702);
  image_.Channel(0).set_mServiceFlag2(0xFF);
  const std::string out = CompileAndRun();
  EXPECT_EQ(out, Expected(image_));
}

TEST_F(HeaderCompileTest, EmptyImageCompiles) {
  ImageBuilder b(image_, kKind3);
  b.Finish();
  EXPECT_EQ(CompileAndRun(), Expected(image_));
}

}  // namespace
}  // namespace kavor
