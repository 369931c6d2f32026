// A fresh folder per test, removed afterwards.
#pragma once

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

namespace kavor::testing {

class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() / ("kavor-test-" + std::to_string(random() % 1000000000u));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "kavor-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
#endif
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// The names in a folder, sorted: what a save leaves behind.
inline std::vector<std::string> FileNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kavor::testing
