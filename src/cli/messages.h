// kavor-cli's error lines: the editor's own text, framed by the file (or
// port) it concerns and the reason behind it, so a script's log says what
// went wrong where: "kavor-cli: backup.bin: File open error (2): 1000 bytes;
// a data file has 163840 or 249856".
#pragma once

#include <cstdio>
#include <string>

#include "cli/exit_codes.h"

namespace kavor::cli {

inline std::string ErrorLine(const std::string& subject, const std::string& text, const std::string& reason = {}) {
  std::string line = "kavor-cli: ";
  if (!subject.empty()) line += subject + ": ";
  line += text;
  if (!reason.empty()) line += ": " + reason;
  return line;
}

inline void PrintError(const std::string& subject, const std::string& text, const std::string& reason = {}) {
  std::fprintf(stderr, "%s\n", ErrorLine(subject, text, reason).c_str());
}

// A command line that names no valid use: the reason, and where to look.
inline int UsageError(const std::string& text) {
  std::fprintf(stderr, "kavor-cli: %s (see kavor-cli --help)\n", text.c_str());
  return kExitUsage;
}

}  // namespace kavor::cli
