// File names outside ASCII, through every way a file is opened or saved: on
// Windows they reach the system as UTF-16, and text naming them is UTF-8.
#include "database/file_io.h"

#include <gtest/gtest.h>

#include <string>

#include "app/ini_file.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "interchange/header_export.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include "platform/windows_api.h"
// Ours, not the Win32 ANSI/Unicode macros of the same names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#endif

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::TempDir;
using kavor::testing::WriteFile;

// "Kanäle-Ωμέγα-频道": Latin-1, Greek and CJK, so no single code page holds it.
const std::string kFolderUtf8 = "Kan\xC3\xA4le-\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1-\xE9\xA2\x91\xE9\x81\x93";

std::string Bytes(const Image& image) { return std::string(reinterpret_cast<const char*>(image.bytes()), image.length()); }

TEST(FileIo, Utf8TextAndPathsConvertBothWays) {
  const std::filesystem::path p = PathFromUtf8(kFolderUtf8 + "/x.bin");
  EXPECT_EQ(PathToUtf8(p), kFolderUtf8 + "/x.bin");
  EXPECT_EQ(PathToUtf8(p.filename()), "x.bin");
  EXPECT_EQ(PathToUtf8(p.parent_path()), kFolderUtf8);
#ifdef _WIN32
  // Decoded, not read through the ANSI code page: one UTF-16 unit for the a-umlaut.
  EXPECT_EQ(p.parent_path().native().substr(0, 4), std::wstring(L"Kan\u00E4"));
#endif
  EXPECT_TRUE(PathFromUtf8("").empty());
}

TEST(FileIo, DataFilesInAFolderNamedOutsideAscii) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / PathFromUtf8(kFolderUtf8);
  std::filesystem::create_directory(folder);
  Image image;
  BuildDemoImage(image, 5);
  std::string reason;
  ASSERT_TRUE(WriteDataFile(folder / "demo.bin", image, &reason)) << reason;
  StagedImage staged;
  ASSERT_EQ(ReadDataFile(folder / "demo.bin", staged, &reason), 0) << reason;
  EXPECT_EQ(staged.kind, 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(staged.bytes.get()), image.length()), Bytes(image));

  // Through the document, as the editor and kavor-cli open and save: the
  // stored path is UTF-8 text and still names the file for Save.
  Document doc;
  ASSERT_FALSE(doc.Open(folder / "demo.bin"));
  EXPECT_NE(doc.document_path().find(kFolderUtf8), std::string::npos) << doc.document_path();
  ASSERT_FALSE(doc.SaveAs(folder / "copy.bin"));
  EXPECT_EQ(ReadFile(folder / "copy.bin"), Bytes(image));
  WriteFile(folder / "copy.bin", "older");
  ASSERT_FALSE(doc.Save());  // to the stored (text) path
  EXPECT_EQ(ReadFile(folder / "copy.bin"), Bytes(image));

  std::FILE* f = OpenFile(folder / "demo.bin", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(OpenFile(folder / "none.bin", "rb"), nullptr);
}

TEST(FileIo, SettingsAndHeadersInAFolderNamedOutsideAscii) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / PathFromUtf8(kFolderUtf8);
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(WritePrivateProfileString(folder / "Kavor.ini", "Kavor", "PathName", kFolderUtf8));
  EXPECT_EQ(GetPrivateProfileString(folder / "Kavor.ini", "Kavor", "PathName", ""), kFolderUtf8);
  EXPECT_EQ(ReadFile(folder / "Kavor.ini"), "[Kavor]\nPathName=" + kFolderUtf8 + "\n");

  Image image;
  BuildDemoImage(image, 3);
  ASSERT_TRUE(ExportDefaultTables(image, folder));
  EXPECT_FALSE(ReadFile(folder / "PgDefSat.h").empty());
}

#ifdef _WIN32
// Windows has no file modes; the read-only attribute is what a user sets.
TEST(FileIo, AReadOnlyFileIsNeitherSavedOverNorRewrittenAsSettings) {
  TempDir dir;
  const auto data = dir / "locked.bin";
  const auto ini = dir / "Kavor.ini";
  WriteFile(data, "previous image");
  WriteFile(ini, "[Kavor]\nComPort=1\n");
  for (const auto& p : {data, ini}) ASSERT_TRUE(::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_READONLY));
  Image image;
  BuildDemoImage(image, 3);
  std::string reason;
  EXPECT_FALSE(WriteDataFile(data, image, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(WritePrivateProfileString(ini, "Kavor", "ComPort", "2"));
  EXPECT_EQ(ReadFile(data), "previous image");
  EXPECT_EQ(ReadFile(ini), "[Kavor]\nComPort=1\n");
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2);  // no temporary left behind
  for (const auto& p : {data, ini}) ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(WriteDataFile(data, image));
  EXPECT_EQ(ReadFile(data), Bytes(image));
}

// Replacing keeps what the user set on the file (here: hidden).
TEST(FileIo, ASaveKeepsTheFilesAttributes) {
  TempDir dir;
  const auto data = dir / "kept.bin";
  WriteFile(data, "previous image");
  ASSERT_TRUE(::SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_HIDDEN));
  Image image;
  BuildDemoImage(image, 3);
  ASSERT_TRUE(WriteDataFile(data, image));
  EXPECT_EQ(ReadFile(data), Bytes(image));
  const DWORD attributes = ::GetFileAttributesW(data.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
}
#endif

}  // namespace
}  // namespace kavor
