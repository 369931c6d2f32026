// kavor-cli's file commands; each returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace kavor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitLoad = 2;
inline constexpr int kExitUsage = 64;

int RunDemoCommand(const std::vector<std::string>& args);
int RunInfoCommand(const std::vector<std::string>& args);
int RunListCommand(const std::vector<std::string>& args);
int RunCheckCommand(const std::vector<std::string>& args);

// Latin-1 bytes as UTF-8, for terminals and spreadsheets.
std::string Latin1ToUtf8(const std::string& bytes);

}  // namespace kavor::cli
