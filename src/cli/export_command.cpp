#include "cli/export_command.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cli/command_set.h"
#include "cli/messages.h"
#include "database/document.h"
#include "database/file_io.h"
#include "interchange/header_export.h"

namespace kavor::cli {

namespace {

int RunExport(const std::string& file, const std::string& dir) {
  Document doc;
  std::string reason;
  if (auto error = doc.Open(PathFromUtf8(file), &reason)) {
    PrintError(file, *error, reason);
    return kExitLoad;
  }
  const bool ok = ExportDefaultTables(doc.image(), PathFromUtf8(dir));
  if (!ok) {
    // The editor's one word on standard output, as on success; the log line
    // names the folder.
    std::puts(ExportResultText(false));
    PrintError(dir, ExportResultText(false));
    return kExitFailed;
  }
  std::puts(ExportResultText(true));
  return kExitOk;
}

}  // namespace

void AddExportCommand(CommandSet& commands) {
  auto file = std::make_shared<std::string>();
  auto dir = std::make_shared<std::string>(".");
  CLI::App& command = commands.Add("export", "Write PgDefSat.h, PgDefTp.h and PgDefSvc_S.h, the receiver's default tables",
                                   [=] { return RunExport(*file, *dir); });
  commands.Require(command.add_option("FILE", *file, "The data file"), "export needs exactly one file");
  command.add_option("--dir", *dir, "The folder to write the headers into (default the current one)")
      ->type_name("DIR");
}

}  // namespace kavor::cli
