// kavor-cli's help, usage errors and man page, all from the commands'
// declarations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::TempDir;

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun Cli(const std::string& args) {
  TempDir dir;
  const std::string cmd = std::string(KAVOR_CLI_PATH) + " " + args + " </dev/null >" + (dir / "out").string() +
                          " 2>" + (dir / "err").string();
  const int code = kavor::testing::RunCommandStatus(cmd);
  return {code, ReadFile(dir / "out"), ReadFile(dir / "err")};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct CommandHelp {
  std::string command;
  std::string usage;
  std::vector<std::string> lines;  // arguments and options, as listed
};

const std::vector<CommandHelp>& Commands() {
  static const std::vector<CommandHelp> commands = {
      {"demo", "usage: kavor-cli demo [OPTIONS] OUT", {"OUT REQUIRED", "--kind 3|5"}},
      {"info", "usage: kavor-cli info [OPTIONS] FILE", {"FILE REQUIRED", "--json"}},
      {"list",
       "usage: kavor-cli list [OPTIONS] FILE",
       {"FILE REQUIRED", "--radio", "--satellite N", "--transponders", "--satellites", "--csv"}},
      {"check", "usage: kavor-cli check [OPTIONS] FILE", {"FILE REQUIRED"}},
      {"read", "usage: kavor-cli read [OPTIONS]", {"--port PORT REQUIRED", "-o,--output OUT REQUIRED"}},
      {"write", "usage: kavor-cli write [OPTIONS] FILE", {"FILE REQUIRED", "--port PORT REQUIRED"}},
      {"edit",
       "usage: kavor-cli edit [OPTIONS] FILE [SCRIPT]",
       {"FILE REQUIRED", "SCRIPT", "-o,--output OUT REQUIRED", "--state"}},
  };
  return commands;
}

TEST(KavorCliHelp, TheOverviewListsEveryCommand) {
  const CliRun help = Cli("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_TRUE(Has(help.out, "usage: kavor-cli [OPTIONS] COMMAND\n")) << help.out;
  for (const auto& c : Commands()) EXPECT_TRUE(Has(help.out, "\n  " + c.command + " ")) << c.command << "\n" << help.out;
  EXPECT_FALSE(Has(help.out, "  help ")) << "help is not a command of its own";
  EXPECT_TRUE(Has(help.out, "64 usage error")) << help.out;
  EXPECT_EQ(Cli("-h").out, help.out);
  EXPECT_EQ(Cli("help").out, help.out);

  const CliRun version = Cli("--version");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "kavor-cli " KAVOR_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

TEST(KavorCliHelp, EachCommandListsItsOwnOptions) {
  for (const auto& c : Commands()) {
    const CliRun help = Cli(c.command + " --help");
    EXPECT_EQ(help.code, 0) << c.command;
    EXPECT_EQ(help.err, "") << c.command;
    EXPECT_TRUE(Has(help.out, c.usage + "\n")) << c.command << "\n" << help.out;
    for (const auto& line : c.lines)
      EXPECT_TRUE(Has(help.out, "\n  " + line + " ")) << c.command << ": " << line << "\n" << help.out;
    // Only its own: no other command's usage, no option of the overview.
    for (const auto& other : Commands()) {
      if (other.command == c.command) continue;
      EXPECT_FALSE(Has(help.out, other.usage + "\n")) << c.command;
    }
    EXPECT_FALSE(Has(help.out, "--version")) << c.command;
    EXPECT_EQ(Cli("help " + c.command).out, help.out) << c.command;
  }
}

TEST(KavorCliHelp, HelpAllShowsEveryCommandsBlock) {
  const CliRun all = Cli("--help-all");
  EXPECT_EQ(all.code, 0);
  for (const auto& c : Commands()) {
    const std::string heading = c.usage.substr(std::string("usage: ").size()) + ":\n";
    const auto at = all.out.find(heading);
    ASSERT_NE(at, std::string::npos) << c.command << "\n" << all.out;
    const std::string block = all.out.substr(at, all.out.find("\n\n", all.out.find("\n\n", at) + 2) - at);
    for (const auto& line : c.lines) EXPECT_TRUE(Has(block, "\n  " + line + " ")) << c.command << ": " << line << "\n" << block;
  }
}

TEST(KavorCliHelp, UsageErrorsExit64WithOneLine) {
  TempDir dir;
  const std::string f = (dir / "f.bin").string();
  const struct {
    std::string args;
    std::string line;
  } cases[] = {
      {"--bogus", "unknown option --bogus (see kavor-cli --help)"},
      {"demo", "demo needs exactly one output file (see kavor-cli --help)"},
      {"demo " + f + " extra", "unexpected argument extra (see kavor-cli --help)"},
      {"demo " + f + " --kind", "option --kind needs a value (see kavor-cli --help)"},
      {"demo " + f + " --kind x", "--kind must be 3 or 5 (see kavor-cli --help)"},
      {"demo " + f + " --kind=", "option --kind needs a value (see kavor-cli --help)"},
      {"demo " + f + " --version", "unknown option --version (see kavor-cli --help)"},
      {"info", "info needs exactly one file (see kavor-cli --help)"},
      {"info " + f + " " + f, "unexpected argument " + f + " (see kavor-cli --help)"},
      {"list " + f + " --json", "unknown option --json (see kavor-cli --help)"},
      {"list " + f + " --satellite 0", "--satellite must be 1..50 (see kavor-cli --help)"},
      {"list " + f + " --transponders --satellites",
       "--transponders and --satellites exclude each other (see kavor-cli --help)"},
      {"list " + f + " --csv --satellites", "--csv lists channels only (see kavor-cli --help)"},
      {"check", "check needs exactly one file (see kavor-cli --help)"},
      {"read --port", "option --port needs a value (see kavor-cli --help)"},
      {"read -o " + f, "--port is required (see kavor-cli --help)"},
      {"read --port /dev/null", "-o OUT is required (see kavor-cli --help)"},
      {"read --port /dev/null -o " + f + " " + f, "unexpected argument " + f + " (see kavor-cli --help)"},
      {"write --port /dev/null", "write needs the FILE to send (see kavor-cli --help)"},
      {"edit", "edit needs the FILE to open (see kavor-cli --help)"},
      {"edit " + f, "-o OUT is required (see kavor-cli --help)"},
      {"edit " + f + " -o", "option -o needs a value (see kavor-cli --help)"},
      {"edit " + f + " --output", "option --output needs a value (see kavor-cli --help)"},
      {"edit " + f + " -o " + f + " script extra", "unexpected argument extra (see kavor-cli --help)"},
      {"edit " + f + " -o " + f + " --stat", "unknown option --stat (see kavor-cli --help)"},
      {"help frobnicate", "unknown command 'frobnicate' (see kavor-cli --help)"},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, 64) << c.args;
    EXPECT_EQ(r.err, "kavor-cli: " + c.line + "\n") << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(f));

  // Without a command, or with an unknown one: the overview on stderr.
  const std::string overview = Cli("--help").out;
  CliRun r = Cli("");
  EXPECT_EQ(r.code, 64);
  EXPECT_EQ(r.err, overview);
  EXPECT_EQ(r.out, "");
  r = Cli("frobnicate");
  EXPECT_EQ(r.code, 64);
  EXPECT_EQ(r.err, "kavor-cli: unknown command 'frobnicate'\n\n" + overview);
}

TEST(KavorCliHelp, AnOptionGivenTwiceKeepsItsLastValue) {
  TempDir dir;
  const CliRun r = Cli("demo " + (dir / "d.bin").string() + " --kind 5 --kind 3");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::filesystem::file_size(dir / "d.bin"), 163840u);
}

// Arguments that look like command names are still arguments.
TEST(KavorCliHelp, ACommandNameAfterTheCommandIsAnArgument) {
  TempDir dir;
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const CliRun demo = Cli("demo list --kind 3");
  const CliRun info = Cli("info list --json");
  std::filesystem::current_path(old);
  EXPECT_EQ(demo.code, 0) << demo.err;
  EXPECT_EQ(info.code, 0) << info.err;
  EXPECT_TRUE(Has(info.out, "\"kind\":3")) << info.out;
}

TEST(KavorCliHelp, TheManPageIsMadeFromTheHelp) {
  const std::string page_path = KAVOR_CLI_MAN_PAGE;
  if (page_path.empty()) GTEST_SKIP() << "help2man was not found when the build was configured";
  const std::string page = ReadFile(page_path);
  ASSERT_FALSE(page.empty()) << page_path;
  EXPECT_TRUE(Has(page, ".TH KAVOR-CLI \"1\"")) << page;
  EXPECT_TRUE(Has(page, "kavor-cli " KAVOR_VERSION)) << page;
  // Every command has its sub-section, with its options as items.
  for (const auto& c : Commands()) {
    std::string heading = c.usage.substr(std::string("usage: ").size());
    EXPECT_TRUE(Has(page, ".SS \"" + heading + ":\"")) << heading;
  }
  EXPECT_TRUE(Has(page, ".TP\n\\fB\\-\\-kind\\fR 3|5\n")) << page;
  EXPECT_TRUE(Has(page, ".TP\n\\fB\\-\\-state\\fR\n")) << page;
}

}  // namespace
}  // namespace kavor
