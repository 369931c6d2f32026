// The desktop entry file managers read to offer the editor for files.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

namespace {

std::map<std::string, std::string> ReadEntry(const std::string& path) {
  std::map<std::string, std::string> keys;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos && line[0] != '#') keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

TEST(DesktopEntryTest, OffersTheEditorForNoEveryBinaryFile) {
  const auto keys = ReadEntry(KAVOR_DESKTOP_FILE);
  ASSERT_EQ(keys.count("Exec"), 1u) << "cannot read " << KAVOR_DESKTOP_FILE;
  EXPECT_EQ(keys.at("Exec"), "kavor %f");
  EXPECT_EQ(keys.at("Type"), "Application");
  // application/octet-stream is every file without a better type: the
  // editor would be offered for all of them.
  const auto mime = keys.find("MimeType");
  if (mime != keys.end()) {
    EXPECT_EQ(mime->second.find("application/octet-stream"), std::string::npos) << mime->second;
  }
}

}  // namespace
