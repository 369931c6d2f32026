#include "cli/command_set.h"

#include <cstdio>
#include <memory>

#include "cli/exit_codes.h"

namespace kavor::cli {

namespace {

bool IsOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// CLI11's layout, with two changes: arguments show no value type, and
// --help-all gives each command a block under its usage line, which help2man
// turns into a sub-section of the man page.
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* option) const override {
    if (option->get_positional()) return option->get_required() ? " " + get_label("REQUIRED") : "";
    return CLI::Formatter::make_option_opts(option);
  }

  // A blank line between the description and the usage line, so that the
  // man page keeps them apart.
  std::string make_description(const CLI::App* app) const override {
    const std::string text = CLI::Formatter::make_description(app);
    return text.empty() ? text : text + "\n";
  }

  // --help-all: the overview's list, then each command's block.
  std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override {
    std::string out = CLI::Formatter::make_subcommands(app, CLI::AppFormatMode::Normal);
    if (mode != CLI::AppFormatMode::All) return out;
    for (const CLI::App* command : app->get_subcommands([](const CLI::App* c) { return !c->get_group().empty(); }))
      out += "\n" + make_expanded(command);
    return out;
  }

  std::string make_expanded(const CLI::App* command) const override {
    std::string usage = make_usage(command, command->get_parent()->get_name() + " " + command->get_name());
    const std::string label = get_label("Usage") + ": ";
    if (usage.compare(0, label.size(), label) == 0) usage.erase(0, label.size());
    while (!usage.empty() && usage.back() == '\n') usage.pop_back();
    std::string out = usage + ":\n  " + command->get_description() + "\n\n";
    for (const CLI::Option* option : command->get_options())
      if (option != command->get_help_ptr()) out += make_option(option, option->get_positional());
    return out;
  }
};


}  // namespace

CommandSet::CommandSet(const std::string& description, const std::string& version_line)
    : app_(description, "kavor-cli") {
  auto formatter = std::make_shared<HelpFormatter>();
  app_.formatter(formatter);
  formatter->label("Usage", "usage");
  formatter->label("SUBCOMMAND", "COMMAND");
  formatter->label("Positionals", "Arguments");
  formatter->column_width(34);
  app_.set_help_flag("-h,--help", "Print this help and exit");
  app_.set_help_all_flag("--help-all", "Print the help of every command and exit");
  app_.set_version_flag("--version", version_line, "Print the version and exit");
  app_.require_subcommand(1);
  // An option given twice keeps its last value, as before CLI11.
  app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

  // "kavor-cli help [COMMAND]", kept from the days before --help was
  // everywhere; it is not listed.
  auto topic = std::make_shared<std::string>();
  CLI::App& help = *app_.add_subcommand("help", "")->group("");
  help.add_option("COMMAND", *topic);
  handlers_[&help] = [this, topic] {
    const CLI::App& app = app_;
    const CLI::App* command = nullptr;
    for (const CLI::App* candidate : app.get_subcommands([](const CLI::App*) { return true; }))
      if (candidate->get_name() == *topic) command = candidate;
    if (!topic->empty() && (command == nullptr || command->get_name() == "help")) {
      std::fprintf(stderr, "kavor-cli: unknown command '%s' (see kavor-cli --help)\n", topic->c_str());
      return kExitUsage;
    }
    const std::string text = command ? command->help(app_.get_name()) : app_.get_formatter()->make_help(&app_, app_.get_name(), CLI::AppFormatMode::Normal);
    std::fputs(text.c_str(), stdout);
    return kExitOk;
  };
}

CLI::App& CommandSet::Add(const std::string& name, const std::string& synopsis, std::function<int()> run) {
  CLI::App* command = app_.add_subcommand(name, synopsis);
  command->group("Commands");
  command->set_help_all_flag();  // the overview's alone
  handlers_[command] = std::move(run);
  return *command;
}

CLI::Option* CommandSet::Require(CLI::Option* option, const std::string& text) {
  missing_texts_[option] = text;
  return option->required();
}

void CommandSet::SetFooter(const std::string& text) { app_.footer(text); }

std::string CommandSet::UsageText(const CLI::ParseError& error) const {
  const std::vector<CLI::App*> chosen = app_.get_subcommands();
  const CLI::App& at = chosen.empty() ? app_ : *chosen.front();
  const std::vector<std::string> left = at.remaining();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) && !left.empty())
    return (IsOptionWord(left.front()) ? "unknown option " : "unexpected argument ") + left.front();
  if (dynamic_cast<const CLI::RequiredError*>(&error)) {
    for (const CLI::Option* option : at.get_options()) {
      if (!option->get_required() || option->count() != 0) continue;
      const auto text = missing_texts_.find(option);
      if (text != missing_texts_.end()) return text->second;
      break;
    }
  }
  // "--kind: 1 required TEXT missing"
  const std::string what = error.what();
  const std::string missing = " missing";
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) && what.size() > missing.size() &&
      what.compare(what.size() - missing.size(), missing.size(), missing) == 0 &&
      what.find(':') != std::string::npos) {
    // CLI11 names the option by its long name; say it as it was typed ("-o").
    std::string name = what.substr(0, what.find(':'));
    if (const CLI::Option* option = at.get_option_no_throw(name)) {
      for (auto word = words_.rbegin(); word != words_.rend(); ++word) {
        const std::string typed = word->substr(0, word->find('='));
        if (IsOptionWord(typed) && option->check_name(typed)) {
          name = typed;
          break;
        }
      }
    }
    return "option " + name + " needs a value";
  }
  return what;
}

int CommandSet::Run(int argc, const char* const* argv) {
  words_.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  try {
    app_.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app_.help().c_str(), stdout);
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    std::fputs(app_.help("", CLI::AppFormatMode::All).c_str(), stdout);
    return kExitOk;
  } catch (const CLI::CallForVersion& version) {
    std::printf("%s\n", version.what());
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    if (app_.get_subcommands().empty()) {
      // No command: the overview, on standard error since the run failed.
      const std::vector<std::string> left = app_.remaining();
      const std::string overview = app_.help();
      if (left.empty()) {
        std::fputs(overview.c_str(), stderr);
      } else if (!IsOptionWord(left.front())) {
        std::fprintf(stderr, "kavor-cli: unknown command '%s'\n\n%s", left.front().c_str(), overview.c_str());
      } else {
        std::fprintf(stderr, "kavor-cli: unknown option %s (see kavor-cli --help)\n", left.front().c_str());
      }
      return kExitUsage;
    }
    std::fprintf(stderr, "kavor-cli: %s (see kavor-cli --help)\n", UsageText(error).c_str());
    return kExitUsage;
  }
  return handlers_.at(app_.get_subcommands().front())();
}

}  // namespace kavor::cli
