// kavor-cli's exit codes, the same for every command.
#pragma once

namespace kavor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitLoad = 2;
inline constexpr int kExitUsage = 64;

}  // namespace kavor::cli
