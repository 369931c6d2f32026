// Splits one line of an edit script into words, as kavor-cli edit reads it:
// blanks separate words, double quotes group blanks into a word (and may
// start inside one), `\"` and `\\` are the only escapes inside quotes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavor {

struct ScriptWord {
  std::string text;     // the word with quotes and escapes resolved (UTF-8)
  // Where the first '=' outside quotes stands; npos when there is none.
  // A field is NAME=VALUE with NAME unquoted, so "name=x" in quotes is a
  // plain word.
  std::size_t field_equals = std::string::npos;
  bool starts_quoted = false;
};

struct LexedLine {
  bool skip = false;             // blank or a comment
  std::vector<ScriptWord> words;
  std::string error;             // a usage error ("unclosed quote", ...)
};

// `line` without its line break; a trailing CR is dropped here.
LexedLine LexScriptLine(std::string_view line);

bool IsValidUtf8(std::string_view text);
// UTF-8 to Latin-1 bytes; nothing when a character lies outside Latin-1.
// The input must be valid UTF-8.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// A row or index: decimal digits only, leading zeros allowed. Values too
// large for an int saturate, since no list is that long.
std::optional<int> ParseDigits(std::string_view text);

}  // namespace kavor
