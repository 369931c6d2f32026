// The header export into a fresh folder, each file checked for CR LF line
// ends and handed back with LF ones.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "database/image.h"
#include "interchange/header_export.h"
#include "support/temp_dir.h"

namespace kavor::testing {

std::string Lf(const std::string& crlf) {
  std::string out;
  for (std::size_t i = 0; i < crlf.size(); ++i) {
    if (crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n') continue;
    out += crlf[i];
  }
  return out;
}

class HeaderExportTest : public ::testing::Test {
 protected:
  std::string Export(const std::string& file) {
    EXPECT_TRUE(ExportDefaultTables(image_, dir_.path()));
    const std::string bytes = kavor::testing::ReadFile(dir_ / file);
    // Every line feed is preceded by a CR, and there is no other CR.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\n') {
        EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << file << " at " << i;
      }
      if (bytes[i] == '\r') {
        EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << file;
      }
    }
    return Lf(bytes);
  }
  Image image_;
  TempDir dir_;
};

}  // namespace kavor::testing
