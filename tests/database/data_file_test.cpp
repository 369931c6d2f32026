#include "database/data_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "database/document.h"
#include "database/image_builder.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

std::string ImageBytes(const Image& image) {
  return std::string(reinterpret_cast<const char*>(image.bytes()), image.length());
}

// A valid image whose every byte outside the interpreted fields is noise, so
// a round trip shows any byte that is lost or rewritten.
std::string NoisyImage(int kind, unsigned seed) {
  Image image;
  std::mt19937 random(seed);
  for (std::size_t i = 0; i < kMaxImageLength; ++i) image.bytes()[i] = std::uint8_t(random());
  image.set_kind(kind);
  for (int s = 0; s < SectorCount(kind); ++s)
    WriteU16(image.bytes() + kSectorSize * std::size_t(s) + kSectorMarkerOffset, kSectorMarker);
  image.set_mTpCount(std::uint16_t(random() % 1021));
  image.set_mServiceCount(std::uint16_t(random() % (ChannelCapacity(kind) + 1)));
  return ImageBytes(image);
}

TEST(ReadDataFile, RefusalsAndTheirNumbers) {
  TempDir dir;
  const std::string good3 = NoisyImage(3, 1);
  const std::string good5 = NoisyImage(5, 2);
  auto with_header = [](std::string bytes, std::size_t offset, std::uint16_t value) {
    bytes[kHeaderOffset + offset] = char(value & 0xFF);
    bytes[kHeaderOffset + offset + 1] = char(value >> 8);
    return bytes;
  };
  auto broken_marker = [](std::string bytes, int sector) {
    bytes[kSectorSize * std::size_t(sector) + kSectorMarkerOffset] = 0;
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int expected;
  } cases[] = {
      {"kind 3", good3, 0},
      {"kind 5", good5, 0},
      {"empty", "", 2},
      {"one byte short of kind 5", good5.substr(0, 0x3D000 - 1), 2},
      {"one byte over kind 3", good3 + "x", 2},
      {"kind 5 with a bad last sector", broken_marker(good5, 60), 4},
      {"kind 3 with a bad sector 1", broken_marker(good3, 1), 4},
      {"kind 3 with a bad sector 2", broken_marker(good3, 2), 4},
      {"mTpCount 1021", with_header(good3, 4, 1021), 5},
      {"mTpCount 1020", with_header(good3, 4, 1020), 0},
      {"mServiceCount 3091 in kind 3", with_header(good3, 6, 3091), 5},
      {"mServiceCount 3091 in kind 5", with_header(good5, 6, 3091), 0},
      {"mServiceCount 5023 in kind 5", with_header(good5, 6, 5023), 5},
  };
  for (const auto& c : cases) {
    const auto path = dir / "case.bin";
    WriteFile(path, c.bytes);
    StagedImage staged;
    EXPECT_EQ(ReadDataFile(path, staged), c.expected) << c.what;
    EXPECT_EQ(staged.bytes != nullptr, c.expected == 0) << c.what;
  }
  StagedImage staged;
  EXPECT_EQ(ReadDataFile(dir / "missing.bin", staged), 1);
  EXPECT_EQ(FileOpenErrorText(4), "File open error (4)");
}

TEST(ReadDataFile, AFolderCannotBeOpenedAsAFile) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.bin");
  StagedImage staged;
  std::string reason;
  EXPECT_EQ(ReadDataFile(dir / "folder.bin", staged, &reason), 1);
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_EQ(staged.bytes, nullptr);
}

TEST(ReadDataFile, ReasonsNameWhatIsWrong) {
  TempDir dir;
  struct Case {
    std::string bytes;
    int code;
    std::string reason;
  } cases[] = {
      {std::string(1000, 'x'), 2, "1000 bytes; a data file has 163840 or 249856"},
      {NoisyImage(3, 5).replace(kSectorSize * 7 + kSectorMarkerOffset, 1, 1, '\0'), 4,
       "sector 7 lacks its marker"},
  };
  for (const auto& c : cases) {
    WriteFile(dir / "f.bin", c.bytes);
    StagedImage staged;
    std::string reason;
    EXPECT_EQ(ReadDataFile(dir / "f.bin", staged, &reason), c.code);
    EXPECT_EQ(reason, c.reason);
  }
  StagedImage staged;
  std::string reason;
  EXPECT_EQ(ReadDataFile(dir / "missing.bin", staged, &reason), 1);
  EXPECT_EQ(reason, "No such file or directory");
}

TEST(DataFileRoundTrip, OpenThenSaveIsByteExact) {
  TempDir dir;
  for (int kind : {3, 5}) {
    const std::string original = NoisyImage(kind, unsigned(kind) * 7);
    const auto in = dir / "in.bin";
    WriteFile(in, original);
    Document doc;
    ASSERT_FALSE(doc.Open(in)) << kind;
    EXPECT_EQ(doc.image().kind(), kind);
    const auto out = dir / "out.bin";
    ASSERT_FALSE(doc.SaveAs(out));
    EXPECT_EQ(ReadFile(out), original) << "kind " << kind;
    ASSERT_FALSE(doc.Save());
    EXPECT_EQ(ReadFile(out), original);
  }
}

TEST(DataFileRoundTrip, SaveReplacesTheFileAndLeavesNoTemporaryBehind) {
  TempDir dir;
  const auto path = dir / "chan.bin";
  WriteFile(path, "old contents");
  Image image;
  BuildDemoImage(image, 3);
  ASSERT_TRUE(WriteDataFile(path, image));
  EXPECT_EQ(ReadFile(path), ImageBytes(image));
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(DataFileSave, ALongLegalNameSaves) {
  TempDir dir;
  Image image;
  BuildDemoImage(image, 3);
  const auto path = dir / (std::string(251, 'n') + ".bin");  // 255 bytes, the longest name
  std::string reason;
  ASSERT_TRUE(WriteDataFile(path, image, &reason)) << reason;
  EXPECT_EQ(ReadFile(path), ImageBytes(image));
}

TEST(PendingSave, FailsBeforeAnyWorkAndCleansUpWhenNotCommitted) {
  TempDir dir;
  PendingSave missing_folder;
  EXPECT_FALSE(missing_folder.Begin(dir / "none" / "x.bin"));
  EXPECT_EQ(missing_folder.reason(), "No such file or directory");

  const auto path = dir / "out.bin";
  WriteFile(path, "previous image");
  {
    PendingSave save;
    ASSERT_TRUE(save.Begin(path));
    EXPECT_TRUE(std::filesystem::exists(save.temporary()));
    EXPECT_EQ(save.temporary().parent_path(), dir.path());
    EXPECT_LT(save.temporary().filename().string().size(), 24u);
  }  // never committed: an interrupted transfer
  EXPECT_EQ(ReadFile(path), "previous image");
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);

  PendingSave save;
  ASSERT_TRUE(save.Begin(path));
  const std::string bytes = "new";
  ASSERT_TRUE(save.Commit(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_FALSE(std::filesystem::exists(save.temporary()));
}

}  // namespace
}  // namespace kavor
