// The document's settings through XDG_CONFIG_HOME, and a file name with a
// line break, which only POSIX allows.
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

TEST_F(DocumentTest, TheEditorsInitialisationFindsTheConfigFolderInTheEnvironment) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
  Document editor;
  editor.Initialise(dir.path());
  const auto opened = editor.Open(dir / "first.bin");
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  ASSERT_FALSE(opened);
  EXPECT_EQ(GetPrivateProfileString(dir / "xdg" / "kavor" / "Kavor.ini", "Kavor", "PathName", ""),
            (dir / "first.bin").string());
}

TEST_F(DocumentTest, APathWithALineBreakIsOpenedButNotStored) {
  ASSERT_FALSE(doc.Open(dir / "first.bin"));
  const std::string ini_before = ReadFile(ini);
  std::filesystem::copy_file(dir / "first.bin", dir / "two\nlines.bin");
  ASSERT_FALSE(doc.Open(dir / "two\nlines.bin"));
  EXPECT_EQ(doc.document_path(), (dir / "two\nlines.bin").string());
  EXPECT_EQ(ReadFile(ini), ini_before);
}

}  // namespace
}  // namespace kavor
