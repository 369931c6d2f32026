#include "cli/import_command.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "cli/command_set.h"
#include "cli/file_commands.h"
#include "cli/messages.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/file_io.h"
#include "editing/edit_script.h"

namespace kavor::cli {

int RunImportSdx(const std::string& file, const std::string& sdx, const std::string& satellite,
                 const std::string& out) {
  Document doc;
  std::string reason;
  if (auto error = doc.Open(PathFromUtf8(file), &reason)) {
    PrintError(file, *error, reason);
    return kExitLoad;
  }
  EditScript engine(doc.view(), [](const std::string& text) {
    std::printf("%s\n", Latin1ToUtf8(text).c_str());
    std::fflush(stdout);
  });
  // The two lines as words, so the path needs no quoting.
  const std::vector<std::vector<ScriptWord>> lines = {{{"satellite"}, {satellite}}, {{"import-sdx"}, {sdx}}};
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const ScriptResult result = engine.RunWords(int(n + 1), lines[n]);
    if (result.status == ScriptStatus::Ok) continue;
    if (result.status == ScriptStatus::Usage) return UsageError("--satellite: " + result.message);
    PrintError(n == 0 ? std::string("--satellite") : sdx, result.message);
    return kExitFailed;
  }
  if (!WriteDataFile(PathFromUtf8(out), doc.image(), &reason)) {
    PrintError(out, kFileSaveError, reason);
    return kExitFailed;
  }
  return kExitOk;
}

void AddImportCommand(CommandSet& commands) {
  struct Args {
    std::string file, sdx, satellite, output;
  };
  auto args = std::make_shared<Args>();
  CLI::App& command =
      commands.Add("import-sdx", "Import a satellite's TV and radio services from a SatcoDx channel list",
                   [=] { return RunImportSdx(args->file, args->sdx, args->satellite, args->output); });
  commands.Require(command.add_option("FILE", args->file, "The data file to open"), "import-sdx needs FILE and SDX");
  commands.Require(command.add_option("SDX", args->sdx, "The SatcoDx file (.sdx)"), "import-sdx needs FILE and SDX");
  commands.Require(command.add_option("--satellite", args->satellite, "The satellite row (1..50) to import into")
                       ->type_name("N"),
                   "--satellite N is required");
  commands.Require(command.add_option("-o,--output", args->output, "Where to save the result (may be FILE)")
                       ->type_name("OUT"),
                   "-o OUT is required");
}

}  // namespace kavor::cli
