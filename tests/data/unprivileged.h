#pragma once

#include <functional>
#include <optional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qev::test {

// Runs fn where file permissions hold. Root reads and writes everything, so as root fn runs in
// a child process that has dropped to the user nobody; otherwise it runs here. Gives fn's
// result, or nothing when privileges could not be dropped (the caller skips).
inline std::optional<bool> RunUnprivileged(const std::function<bool()> &fn) {
  if (::geteuid() != 0)
    return fn();
  const pid_t child = ::fork();
  if (child < 0)
    return std::nullopt;
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
        ::setresuid(kNobody, kNobody, kNobody) != 0)
      ::_exit(2);
    bool ok = false;
    try {
      ok = fn();
    } catch (...) {
    }
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
    return std::nullopt;
  return WEXITSTATUS(status) == 0;
}

} // namespace qev::test
