#include "app/ini_file.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>


namespace kavor {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct Line {
  std::size_t begin, end;  // [begin, end) without the line break
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back({pos, nl});
    pos = nl + 1;
  }
  return lines;
}

// Section name of a "[name]" line, or false when the line is no header.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

// Key of a "key=value" line; comments (';') and lines without '=' have none.
bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return false;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return true;
}

std::string ReadWholeFile(const std::filesystem::path& file, bool& exists) {
  std::ifstream in(file, std::ios::binary);
  exists = bool(in);
  if (!in) return {};
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

bool IniText::Get(std::string_view section, std::string_view key, std::string& value) const {
  bool in_section = false;
  for (const Line& l : SplitLines(text_)) {
    const std::string_view line(text_.data() + l.begin, l.end - l.begin);
    std::string_view name, k, v;
    if (SectionName(line, name)) {
      in_section = EqualNoCase(name, section);
    } else if (in_section && KeyOf(line, k, v) && EqualNoCase(k, key)) {
      // A value in matching quotes is given without them.
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      value.assign(v);
      return true;
    }
  }
  return false;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string entry = std::string(key) + "=" + std::string(value);
  const std::vector<Line> lines = SplitLines(text_);
  bool in_section = false;
  bool found_section = false;
  std::size_t insert_at = std::string::npos;  // after the section's last key line
  for (const Line& l : lines) {
    const std::string_view line(text_.data() + l.begin, l.end - l.begin);
    std::string_view name, k, v;
    if (SectionName(line, name)) {
      if (in_section) break;
      in_section = EqualNoCase(name, section);
      if (in_section) {
        found_section = true;
        insert_at = l.end;
      }
    } else if (in_section) {
      if (KeyOf(line, k, v) && EqualNoCase(k, key)) {
        std::size_t end = l.end;
        if (end > l.begin && text_[end - 1] == '\r') --end;  // keep CR LF lines as they were
        text_.replace(l.begin, end - l.begin, entry);
        return;
      }
      if (!Trim(line).empty()) insert_at = l.end;
    }
  }
  const std::string eol = text_.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  if (!found_section) {
    if (!text_.empty() && text_.back() != '\n') text_ += eol;
    text_ += "[" + std::string(section) + "]" + eol + entry + eol;
    return;
  }
  if (insert_at >= text_.size()) {
    if (!text_.empty() && text_.back() != '\n') text_ += eol;
    text_ += entry + eol;
  } else {
    // insert_at points at the '\n' ending the line; insert after it.
    text_.insert(insert_at + 1, entry + eol);
  }
}

std::string GetPrivateProfileString(const std::filesystem::path& file, std::string_view section,
                                    std::string_view key, std::string_view fallback) {
  bool exists = false;
  const IniText ini(ReadWholeFile(file, exists));
  std::string value;
  if (!ini.Get(section, key, value)) return std::string(fallback);
  return value;
}

int GetPrivateProfileInt(const std::filesystem::path& file, std::string_view section,
                         std::string_view key, int fallback) {
  bool exists = false;
  const IniText ini(ReadWholeFile(file, exists));
  std::string value;
  if (!ini.Get(section, key, value)) return fallback;
  std::size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  long long n = 0;
  for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > 0x7FFFFFFFLL) n = 0x7FFFFFFFLL;  // saturate; callers range-check anyway
  }
  return int(negative ? -n : n);
}

bool WritePrivateProfileString(const std::filesystem::path& file, std::string_view section,
                               std::string_view key, std::string_view value) {
  bool exists = false;
  IniText ini(ReadWholeFile(file, exists));
  ini.Set(section, key, value);
  // Written to a temporary file and renamed, so a crash never leaves half a file.
  const std::filesystem::path temp = file.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << ini.text();
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) std::filesystem::remove(temp, ec);
  return !ec;
}

}  // namespace kavor
