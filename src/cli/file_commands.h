// kavor-cli's file commands: demo, info, list, check.
#pragma once

#include <string>

namespace kavor::cli {

class CommandSet;

void AddFileCommands(CommandSet& commands);

// Latin-1 bytes as UTF-8, for terminals and spreadsheets.
std::string Latin1ToUtf8(const std::string& bytes);

}  // namespace kavor::cli
