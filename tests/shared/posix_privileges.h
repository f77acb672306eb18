// Runs a test body without root's power to ignore file permissions, so that
// permission cases run (and can fail) also when the suite runs as root, as CI does.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace phpswitch::testing_shared {

// Directly when the test is not root; else in a child process that hands the
// folder `root` to "nobody" and becomes nobody. The child's failed expectations
// show in the log; the result says whether the body passed.
inline bool withoutRootPrivileges(const std::string& root, const std::function<void()>& body) {
  if (::geteuid() != 0) {
    body();
    return !::testing::Test::HasFailure();
  }
  constexpr uid_t kNobody = 65534;
  const pid_t child = ::fork();
  if (child == 0) {
    std::error_code error;
    bool ok = ::lchown(root.c_str(), kNobody, kNobody) == 0;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      ok = ::lchown(it->path().c_str(), kNobody, kNobody) == 0 && ok;
    }
    if (!ok || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    body();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace phpswitch::testing_shared
