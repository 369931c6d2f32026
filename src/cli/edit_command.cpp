#include "cli/edit_command.h"

#include <cstdio>
#include <fstream>
#include <iostream>

#include "cli/file_commands.h"
#include "cli/messages.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/file_io.h"
#include "editing/edit_script.h"

namespace kavor::cli {

int RunEdit(const std::string& file, const std::string& out, bool print_state, const std::string& script_path) {
  // Opened as the editor's Open does, without its settings: edit neither
  // reads nor writes Kavor.ini.
  Document doc;
  std::string reason;
  if (auto error = doc.Open(PathFromUtf8(file), &reason)) {
    PrintError(file, *error, reason);
    return kExitLoad;
  }

  std::ifstream script_file;
  std::istream* script = &std::cin;
  if (!script_path.empty() && script_path != "-") {
    script_file.open(PathFromUtf8(script_path), std::ios::binary);
    if (!script_file.is_open()) {
      return UsageError(script_path + ": the script cannot be read");
    }
    script = &script_file;
  }

  EditScript engine(
      doc.view(),
      [](const std::string& text) {
        std::printf("%s\n", Latin1ToUtf8(text).c_str());
        std::fflush(stdout);
      },
      &doc.history());
  const ScriptResult result = engine.Run(*script);
  if (result.status == ScriptStatus::Ok && script->bad()) {
    return UsageError((script_path.empty() ? std::string("-") : script_path) + ": the script cannot be read");
  }
  if (result.status != ScriptStatus::Ok) {
    std::fprintf(stderr, "kavor-cli: line %d: %s\n", result.line, result.message.c_str());
    return int(result.status);
  }

  // Save As: through a temporary file in OUT's folder, renamed over OUT.
  if (!WriteDataFile(PathFromUtf8(out), doc.image(), &reason)) {
    PrintError(out, kFileSaveError, reason);
    return kExitFailed;
  }
  if (print_state) std::printf("%s\n", engine.StateJson().c_str());
  return kExitOk;
}

}  // namespace kavor::cli
