// Runs a command line the way the tests write it for the POSIX shell: words
// in single or double quotes, "NAME=value" before the program, "cd DIR &&"
// in front, and the redirections <FILE, >FILE, 2>FILE, 2>&1 (with /dev/null).
// On POSIX the shell itself runs it. On Windows (the tests under wine) the
// same small language is read here and the program started with
// CreateProcessW, so a Windows test starts the Windows kavor-cli.exe.
#pragma once

#include <cstdio>
#include <string>

#ifdef _WIN32
#include "platform/windows_api.h"

#include <filesystem>
#include <map>
#include <vector>
#else
#include <sys/wait.h>

#include <cstdlib>
#endif

namespace kavor::testing {

struct CommandResult {
  int code = -1;    // the exit status; -1 when the program did not exit normally
  std::string out;  // what reached standard output (unless redirected)
};

#ifdef _WIN32

namespace detail {

inline std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(std::size_t(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
  return wide;
}

// One argument as the C runtime's command-line parser reads it back.
inline std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < arg.size() && arg[i] == L'\\') {
      ++i;
      ++backslashes;
    }
    if (i == arg.size()) {
      out.append(backslashes * 2, L'\\');
      break;
    }
    if (arg[i] == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    out += arg[i];
  }
  return out + L"\"";
}

struct Word {
  std::string text;
  bool quoted = false;
  std::size_t first_quote = std::string::npos;  // where quoted text begins in `text`
};

// Splits one command into words; quotes group, backslashes are literal (they
// are Windows path separators here).
inline std::vector<Word> SplitWords(const std::string& line) {
  std::vector<Word> words;
  Word current;
  bool in_word = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(current);
      current = Word{};
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\'' || c == '"') {
      const std::size_t close = line.find(c, i + 1);
      const std::size_t end = close == std::string::npos ? line.size() : close;
      if (!current.quoted) current.first_quote = current.text.size();
      current.text.append(line, i + 1, end - i - 1);
      current.quoted = true;
      i = end;
      continue;
    }
    current.text += c;
  }
  if (in_word) words.push_back(current);
  return words;
}

inline HANDLE OpenForRedirect(const std::filesystem::path& cwd, std::string name, bool write) {
  std::filesystem::path path = name == "/dev/null" ? std::filesystem::path(L"NUL") : std::filesystem::path(Wide(name));
  if (name != "/dev/null" && path.is_relative()) path = cwd / path;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline std::wstring EnvironmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
  std::map<std::wstring, std::wstring> vars;
  if (wchar_t* block = ::GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      const std::wstring entry = p;
      const std::size_t eq = entry.find(L'=', 1);
      if (eq != std::wstring::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    ::FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : overrides) vars[name] = value;
  std::wstring out;
  for (const auto& [name, value] : vars) out += name + L"=" + value + L'\0';
  return out + L'\0';
}

// Runs one simple command; standard output goes to `out` unless redirected.
inline int RunSimple(const std::vector<Word>& words, const std::filesystem::path& cwd, std::string& out) {
  std::map<std::wstring, std::wstring> env;
  std::vector<std::string> argv;
  std::vector<std::pair<std::string, std::string>> redirects;  // (what, target)
  for (std::size_t i = 0; i < words.size(); ++i) {
    const Word& w = words[i];
    const std::string& t = w.text;
    // NAME=value (the value may be quoted) before the program sets its environment.
    const std::size_t eq = t.find('=');
    if (argv.empty() && eq != std::string::npos && eq > 0 && eq < w.first_quote && t[0] != '-') {
      env[Wide(t.substr(0, eq))] = Wide(t.substr(eq + 1));
      continue;
    }
    if (!w.quoted) {
      std::string op;
      if (t == "2>&1") {
        redirects.emplace_back("2>&1", "");
        continue;
      }
      if (t.rfind("2>", 0) == 0) op = "2>";
      else if (t.rfind(">", 0) == 0) op = ">";
      else if (t.rfind("<", 0) == 0) op = "<";
      if (!op.empty()) {
        std::string target = t.substr(op.size());
        if (target.empty() && i + 1 < words.size()) target = words[++i].text;
        redirects.emplace_back(op, target);
        continue;
      }
    }
    argv.push_back(t);
  }
  if (argv.empty()) return 127;

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE pipe_read = nullptr, pipe_write = nullptr;
  if (!::CreatePipe(&pipe_read, &pipe_write, &inherit, 0)) return 127;
  ::SetHandleInformation(pipe_read, HANDLE_FLAG_INHERIT, 0);
  HANDLE in = OpenForRedirect(cwd, "/dev/null", false);
  HANDLE std_out = pipe_write;
  HANDLE std_err = ::GetStdHandle(STD_ERROR_HANDLE);
  std::vector<HANDLE> opened{in};
  for (const auto& [op, target] : redirects) {
    if (op == "2>&1") {
      std_err = std_out;
      continue;
    }
    const HANDLE h = OpenForRedirect(cwd, target, op != "<");
    if (h == INVALID_HANDLE_VALUE) continue;
    opened.push_back(h);
    if (op == "<") in = h;
    else if (op == ">") std_out = h;
    else std_err = h;
  }

  std::wstring command_line;
  for (const std::string& a : argv) command_line += (command_line.empty() ? L"" : L" ") + QuoteArgument(Wide(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = std_out;
  startup.hStdError = std_err;
  PROCESS_INFORMATION process{};
  std::wstring environment = EnvironmentBlock(env);
  const bool started =
      ::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       environment.data(), cwd.c_str(), &startup, &process);
  ::CloseHandle(pipe_write);
  for (HANDLE h : opened)
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  if (!started) {
    ::CloseHandle(pipe_read);
    return 127;
  }
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(pipe_read, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  ::CloseHandle(pipe_read);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  return int(code);
}

}  // namespace detail

inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  std::filesystem::path cwd = std::filesystem::current_path();
  std::size_t at = 0;
  while (at <= command.size()) {
    std::size_t next = command.find("&&", at);
    if (next == std::string::npos) next = command.size();
    const std::vector<detail::Word> words = detail::SplitWords(command.substr(at, next - at));
    if (!words.empty() && !words[0].quoted && words[0].text == "cd") {
      std::filesystem::path dir(detail::Wide(words.size() > 1 ? words[1].text : ""));
      cwd = dir.is_absolute() ? dir : cwd / dir;
      result.code = std::filesystem::is_directory(cwd) ? 0 : 1;
    } else {
      result.code = detail::RunSimple(words, cwd, result.out);
    }
    if (result.code != 0 || next == command.size()) break;
    at = next + 2;
  }
  return result;
}

#else

inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

#endif

// The exit status alone, as std::system's caller would read it.
inline int RunCommandStatus(const std::string& command) { return RunCommand(command).code; }

}  // namespace kavor::testing
