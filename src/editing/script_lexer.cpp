#include "editing/script_lexer.h"

#include <climits>
#include <cstdint>

namespace kavor {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

LexedLine LexScriptLine(std::string_view line) {
  LexedLine out;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size() || line[i] == '#') {
    out.skip = true;
    return out;
  }
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    ScriptWord word;
    word.starts_quoted = line[i] == '"';
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      const char c = line[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (quoted && c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        word.text += line[++i];
      } else {
        if (c == '=' && !quoted && word.field_equals == std::string::npos) word.field_equals = word.text.size();
        word.text += c;
      }
    }
    if (quoted) {
      out.error = "unclosed quote";
      out.words.clear();
      return out;
    }
    out.words.push_back(std::move(word));
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = 0;
    std::uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + std::size_t(extra) >= text.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + std::size_t(k)]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += std::size_t(extra) + 1;
  }
  return true;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += char(b);
    } else if ((b == 0xC2 || b == 0xC3) && i + 1 < utf8.size()) {
      out += char(((b & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::optional<int> ParseDigits(std::string_view text) {
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return int(value);
}

}  // namespace kavor
