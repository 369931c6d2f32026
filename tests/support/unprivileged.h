// Runs a piece of a test as an ordinary user. The suite runs as root, and
// root passes every permission check, so behaviour that protects an ordinary
// user's files can only be seen from a child that has dropped its privileges.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace kavor::testing {

inline constexpr uid_t kNobody = 65534;

// The child's exit code from `body` (0..125), 126 when the privileges could
// not be dropped, 127 when the child died.
inline int RunAsNobody(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return 127;
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::getuid() != kNobody) ::_exit(126);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 127;
  return WEXITSTATUS(status);
}

}  // namespace kavor::testing
