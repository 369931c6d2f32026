// kavor-cli's commands, each declared once: its name, synopsis, arguments and
// options on a CLI11 subcommand, and the handler that runs once the command
// line has parsed. --help, COMMAND --help, --help-all (the man page's source)
// and the usage errors all come from these declarations.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace kavor::cli {

class CommandSet {
 public:
  CommandSet(const std::string& description, const std::string& version_line);

  // Declares a command; `run` returns the process exit code. Bind the
  // command's arguments and options to the returned subcommand.
  CLI::App& Add(const std::string& name, const std::string& synopsis, std::function<int()> run);

  // Marks `option` required; when it is missing the usage error says `text`
  // ("info needs exactly one file") instead of CLI11's own words.
  CLI::Option* Require(CLI::Option* option, const std::string& text);

  // Text after the list of commands in kavor-cli --help.
  void SetFooter(const std::string& text);

  // Parses the command line and runs the chosen command. Returns the exit
  // code: 0 for --help and --version (printed on standard output), 64 with a
  // "kavor-cli: ..." line on standard error for a command line that does not
  // parse.
  int Run(int argc, const char* const* argv);

  CLI::App& app() { return app_; }

 private:
  // Today's words for the parse errors scripts already look for.
  std::string UsageText(const CLI::ParseError& error) const;

  CLI::App app_;
  std::map<const CLI::App*, std::function<int()>> handlers_;
  std::map<const CLI::Option*, std::string> missing_texts_;
  std::vector<std::string> words_;  // the command line after the program's name
};

}  // namespace kavor::cli
