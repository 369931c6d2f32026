#include "app/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "database/file_io.h"

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

// A file saved by an editor that marks UTF-8 starts with this; it belongs to
// no line, so the first section header is still found.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::size_t ContentStart(const std::string& text) {
  return std::string_view(text).substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t pos = ContentStart(text);
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

#ifdef _WIN32
// The CRT's descriptors stand in for POSIX ones; _commit is FlushFileBuffers.
using FileStat = struct _stat64;
int StatPath(const std::filesystem::path& p, FileStat& st) { return ::_wstat64(p.c_str(), &st); }
bool IsRegular(const FileStat& st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
int OpenForReading(const std::filesystem::path& p) { return ::_wopen(p.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT); }
int CreateExclusive(const std::filesystem::path& p) {
  return ::_wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int ReadSome(int fd, char* buffer, std::size_t size) { return ::_read(fd, buffer, unsigned(size)); }
int WriteSome(int fd, const char* data, std::size_t length) {
  return ::_write(fd, data, unsigned(length > 0x40000000u ? 0x40000000u : length));
}
int StatOpen(int fd, FileStat& st) { return ::_fstat64(fd, &st); }
int SyncFile(int fd) { return ::_commit(fd); }
int CloseFile(int fd) { return ::_close(fd); }
void RemoveFile(const std::filesystem::path& p) { ::_wunlink(p.c_str()); }
#else
using FileStat = struct stat;
int StatPath(const std::filesystem::path& p, FileStat& st) { return ::stat(p.c_str(), &st); }
bool IsRegular(const FileStat& st) { return S_ISREG(st.st_mode); }
// O_NONBLOCK: a FIFO of that name must not hang the program.
int OpenForReading(const std::filesystem::path& p) { return ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }
int CreateExclusive(const std::filesystem::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
ssize_t ReadSome(int fd, char* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t WriteSome(int fd, const char* data, std::size_t length) { return ::write(fd, data, length); }
int StatOpen(int fd, FileStat& st) { return ::fstat(fd, &st); }
int SyncFile(int fd) { return ::fsync(fd); }
int CloseFile(int fd) { return ::close(fd); }
void RemoveFile(const std::filesystem::path& p) { ::unlink(p.c_str()); }
#endif

enum class FileState { kRead, kMissing, kUnreadable };

// The whole file, or why there is none. Only a file that does not exist is
// "missing"; anything there that cannot be read (a folder, no permission, an
// I/O error) must not be mistaken for an empty file and replaced.
FileState ReadWholeFile(const std::filesystem::path& file, std::string& text) {
  text.clear();
  const int fd = OpenForReading(file);
  if (fd < 0) return errno == ENOENT ? FileState::kMissing : FileState::kUnreadable;
  FileStat st {};
  FileState state = FileState::kRead;
  if (StatOpen(fd, st) != 0 || !IsRegular(st)) state = FileState::kUnreadable;
  char buffer[8192];
  while (state == FileState::kRead) {
    const auto n = ReadSome(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) state = FileState::kUnreadable;
    if (n <= 0) break;
    text.append(buffer, std::size_t(n));
  }
  CloseFile(fd);
  if (state != FileState::kRead) text.clear();
  return state;
}

// The file a chain of symbolic links ends at (which need not exist yet), so a
// write replaces that file and the links stay.
std::filesystem::path FollowLinks(std::filesystem::path file) {
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(file, ec)) return file;
    const std::filesystem::path target = std::filesystem::read_symlink(file, ec);
    if (ec) return file;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return file;  // a loop: opening it fails with ELOOP, so nothing is written
}

bool WriteAll(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const auto n = WriteSome(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= std::size_t(n);
  }
  return true;
}

// Writes `text` to a new file beside `target` and renames it over the target,
// so a crash never leaves half a file. `existing`, when given, is the stat of
// the file being replaced: its mode and owner carry over.
bool ReplaceFile(const std::filesystem::path& target, const std::string& text, const FileStat* existing) {
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  // A short name of its own: the target's name plus a suffix could pass the
  // 255-byte limit of a file name.
  std::random_device random;
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".kavor-%08x.tmp", unsigned(random()));
    temp = folder / name;
    fd = CreateExclusive(temp);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
#ifdef _WIN32
  // ReplaceFileW keeps the target's attributes and security.
  (void)existing;
#else
  if (existing) {
    // As root, keep the user's file theirs; for anyone else this fails
    // harmlessly when they do not own it.
    (void)::fchown(fd, existing->st_uid, existing->st_gid);
    (void)::fchmod(fd, existing->st_mode & 07777);
  }
#endif
  bool ok = WriteAll(fd, text) && SyncFile(fd) == 0;
  ok = CloseFile(fd) == 0 && ok;
#ifdef _WIN32
  std::string reason;
  ok = ok && ReplaceWithTemporary(temp, target, reason);
#else
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
#endif
  if (!ok) RemoveFile(temp);
  return ok;
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

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
  // A line break would end the entry early and turn the rest into lines of
  // their own (another key, another section).
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
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
        return true;
      }
      if (!Trim(line).empty()) insert_at = l.end;
    }
  }
  const std::string eol = text_.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const bool has_content = text_.size() > ContentStart(text_);
  if (!found_section) {
    if (has_content && text_.back() != '\n') text_ += eol;
    text_ += "[" + std::string(section) + "]" + eol + entry + eol;
    return true;
  }
  if (insert_at >= text_.size()) {
    if (has_content && text_.back() != '\n') text_ += eol;
    text_ += entry + eol;
  } else {
    // insert_at points at the '\n' ending the line; insert after it.
    text_.insert(insert_at + 1, entry + eol);
  }
  return true;
}

std::string GetPrivateProfileString(const std::filesystem::path& file, std::string_view section,
                                    std::string_view key, std::string_view fallback) {
  std::string text;
  ReadWholeFile(file, text);
  const IniText ini(std::move(text));
  std::string value;
  if (!ini.Get(section, key, value)) return std::string(fallback);
  return value;
}

int GetPrivateProfileInt(const std::filesystem::path& file, std::string_view section,
                         std::string_view key, int fallback) {
  std::string text;
  ReadWholeFile(file, text);
  const IniText ini(std::move(text));
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
  const std::filesystem::path target = FollowLinks(file);
  std::string text;
  if (ReadWholeFile(target, text) == FileState::kUnreadable) return false;
  FileStat st {};
  const bool exists = StatPath(target, st) == 0;
  // The rename would replace a file the user may not write; writing it in
  // place would be refused, so this is too. (Root passes this check.)
#ifdef _WIN32
  std::string reason;
  if (exists && !CanReplaceExisting(target, reason)) return false;
#else
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
#endif
  IniText ini(std::move(text));
  if (!ini.Set(section, key, value)) return false;
  return ReplaceFile(target, ini.text(), exists ? &st : nullptr);
}

}  // namespace kavor
