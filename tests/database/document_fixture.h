// A document initialised in a fresh folder with a demo image beside it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "support/temp_dir.h"

namespace kavor::testing {

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.Initialise(dir.path(), config);
    Image demo;
    BuildDemoImage(demo, 3);
    ASSERT_TRUE(WriteDataFile(dir / "first.bin", demo));
  }
  TempDir dir;
  // Started where no Kavor.ini is, as from a desktop menu: the settings go
  // to the per-user config folder.
  std::filesystem::path config = dir / "config";
  std::filesystem::path ini = config / "kavor" / "Kavor.ini";
  Document doc;
};

}  // namespace kavor::testing
