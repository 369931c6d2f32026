#include "database/document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/ini_file.h"
#include "database/data_file.h"
#include "database/image_builder.h"
#include "database/document_fixture.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::DocumentTest;
using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

std::string Bytes(const Image& image, std::size_t length = kMaxImageLength) {
  return std::string(reinterpret_cast<const char*>(image.bytes()), length);
}

TEST_F(DocumentTest, InitialStateBeforeAnyLoad) {
  EXPECT_EQ(doc.caption(), "Kavor");
  EXPECT_EQ(doc.document_path(), ".\\*.bin");
  EXPECT_EQ(doc.com_port(), 0);
  EXPECT_FALSE(doc.view().image_loaded());
  EXPECT_FALSE(std::filesystem::exists(dir / "Kavor.ini"));  // reading creates nothing
  EXPECT_FALSE(std::filesystem::exists(config));
}

TEST_F(DocumentTest, OpenInstallsTheImageAndRemembersThePath) {
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  const std::string full = (dir / "first.bin").string();
  EXPECT_EQ(doc.document_path(), full);
  EXPECT_EQ(doc.caption(), "Kavor - " + full);
  EXPECT_EQ(GetPrivateProfileString(ini, "Kavor", "PathName", ""), full);
  EXPECT_FALSE(std::filesystem::exists(dir / "Kavor.ini"));
  EXPECT_TRUE(doc.view().image_loaded());
  EXPECT_EQ(doc.image().kind(), 3);
  EXPECT_FALSE(doc.view().channel_rows().empty());

  // A restart in the same folder proposes that path again.
  Document again;
  again.Initialise(dir.path(), config);
  EXPECT_EQ(again.document_path(), full);
}

TEST_F(DocumentTest, AKavorIniInTheStartFolderIsUsedBeforeTheConfigFolder) {
  std::filesystem::create_directories(ini.parent_path());
  WriteFile(ini, "[Kavor]\nPathName=/from/config.bin\nComPort=2\n");
  WriteFile(dir / "Kavor.ini", "; mine\n");
  doc.Initialise(dir.path(), config);
  EXPECT_EQ(doc.document_path(), ".\\*.bin");
  EXPECT_EQ(doc.com_port(), 0);
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  EXPECT_EQ(ReadFile(dir / "Kavor.ini"), "; mine\n[Kavor]\nPathName=" + (dir / "first.bin").string() + "\n");
  EXPECT_EQ(ReadFile(ini), "[Kavor]\nPathName=/from/config.bin\nComPort=2\n");

  // Without one there, the config folder's file is read.
  std::filesystem::remove(dir / "Kavor.ini");
  doc.Initialise(dir.path(), config);
  EXPECT_EQ(doc.document_path(), "/from/config.bin");
  EXPECT_EQ(doc.com_port(), 2);
}

TEST_F(DocumentTest, EveryRefusalLeavesEverythingAsItWas) {
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  doc.view().ChooseSatellite(3);
  const std::string image_before = Bytes(doc.image());
  const auto rows_before = doc.view().channel_rows();
  const int sat_before = doc.view().current_satellite();
  const std::string ini_before = ReadFile(ini);

  Image other;
  BuildDemoImage(other, 5);
  std::string five(reinterpret_cast<const char*>(other.bytes()), other.length());
  std::string bad_marker = five;
  bad_marker[kSectorSize * 60 + kSectorMarkerOffset] = 0;
  std::string bad_count = five;
  bad_count[kHeaderOffset + 6] = char(0xFF);
  bad_count[kHeaderOffset + 7] = char(0xFF);
  WriteFile(dir / "short.bin", five.substr(1));
  WriteFile(dir / "marker.bin", bad_marker);
  WriteFile(dir / "count.bin", bad_count);
  struct Case {
    const char* file;
    const char* message;
  } cases[] = {{"missing.bin", "File open error (1)"},
               {"short.bin", "File open error (2)"},
               {"marker.bin", "File open error (4)"},
               {"count.bin", "File open error (5)"}};
  for (const auto& c : cases) {
    std::string reason;
    const auto error = doc.Open(dir / c.file, &reason);
    ASSERT_TRUE(error) << c.file;
    EXPECT_EQ(*error, c.message);
    EXPECT_FALSE(reason.empty()) << c.file;
    EXPECT_EQ(doc.image().kind(), 3) << c.file;
    EXPECT_TRUE(Bytes(doc.image()) == image_before) << c.file;
    EXPECT_EQ(doc.view().channel_rows(), rows_before) << c.file;
    EXPECT_EQ(doc.view().current_satellite(), sat_before) << c.file;
    EXPECT_EQ(doc.document_path(), (dir / "first.bin").string());
    EXPECT_EQ(ReadFile(ini), ini_before);
  }
}

TEST_F(DocumentTest, SaveAsChangesPathOnlyWhenTheSaveSucceeded) {
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  const std::string caption = doc.caption();
  const auto error = doc.SaveAs(dir / "missing-folder" / "x.bin");
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "File save error");
  EXPECT_EQ(doc.caption(), caption);
  EXPECT_EQ(GetPrivateProfileString(ini, "Kavor", "PathName", ""), (dir / "first.bin").string());

  ASSERT_FALSE(doc.SaveAs(dir / "second.bin"));
  EXPECT_EQ(doc.caption(), "Kavor - " + (dir / "second.bin").string());
  EXPECT_EQ(GetPrivateProfileString(ini, "Kavor", "PathName", ""), (dir / "second.bin").string());
  EXPECT_EQ(ReadFile(dir / "second.bin"), ReadFile(dir / "first.bin"));
}

TEST_F(DocumentTest, ReceivedImageIsNamedReadDataWithoutTouchingTheSettings) {
  Image received;
  BuildDemoImage(received, 5);
  doc.InstallReceivedImage(received.bytes(), 5);
  EXPECT_EQ(doc.document_path(), "ReadData.bin");
  EXPECT_EQ(doc.caption(), "Kavor - ReadData.bin");
  EXPECT_TRUE(doc.view().image_loaded());
  EXPECT_EQ(doc.image().kind(), 5);
  EXPECT_EQ(doc.view().channel_rows().size(), 355u);
  EXPECT_FALSE(std::filesystem::exists(dir / "Kavor.ini"));
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(DocumentTest, ReinitialisingKeepsTheImageAndResetsTitleAndModes) {
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  doc.view().SetTvMode(false);
  doc.view().SetAllSatellites(false);
  const auto rows = doc.view().channel_rows();
  WritePrivateProfileString(dir / "Kavor.ini", "Kavor", "PathName", "elsewhere.bin");
  doc.Initialise(dir.path(), config);
  EXPECT_EQ(doc.caption(), "Kavor");
  EXPECT_EQ(doc.document_path(), "elsewhere.bin");
  EXPECT_TRUE(doc.view().tv_mode());
  EXPECT_TRUE(doc.view().all_satellites());
  EXPECT_EQ(doc.view().channel_rows(), rows);  // the lists are not refilled
  EXPECT_TRUE(doc.view().image_loaded());
}

// The default ".\\*.bin" is a pattern, not a name: after Ctrl+N with it
// stored, a save must not create a file literally called that.
TEST_F(DocumentTest, TheDefaultPatternIsNoNameToSaveUnder) {
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  EXPECT_TRUE(doc.has_real_name());
  WritePrivateProfileString(ini, "Kavor", "PathName", ".\\*.bin");
  doc.Initialise(dir.path(), config);
  EXPECT_FALSE(doc.has_real_name());
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(doc.Save(), std::optional<std::string>("File save error"));
  std::filesystem::current_path(previous);
  EXPECT_FALSE(std::filesystem::exists(dir / ".\\*.bin"));
  doc.InstallReceivedImage(doc.image().bytes(), doc.image().kind());
  EXPECT_TRUE(doc.has_real_name());  // "ReadData.bin" names a file
}

TEST_F(DocumentTest, ComPortIsReadInRangeOrAsZero) {
  struct Case {
    const char* stored;
    int expected;
  } cases[] = {{"0", 0}, {"2", 2}, {"3", 3}, {"4", 0}, {"-1", 0}, {"abc", 0}, {"1x", 1}};
  for (const auto& c : cases) {
    WritePrivateProfileString(dir / "Kavor.ini", "Kavor", "ComPort", c.stored);
    doc.Initialise(dir.path(), config);
    EXPECT_EQ(doc.com_port(), c.expected) << c.stored;
  }
  doc.SetComPort(3);
  EXPECT_EQ(GetPrivateProfileString(dir / "Kavor.ini", "Kavor", "ComPort", ""), "3");
}

}  // namespace
}  // namespace kavor
