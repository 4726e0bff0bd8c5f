#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace brisa::test {

// Whether the tests run as root, as CI does: only root can hand a file to another user.
inline bool runAsRoot() {
  return ::geteuid() == 0;
}

// The user an ordinary-user case runs as: nobody under root, else whoever runs the tests.
struct OrdinaryUser {
  uid_t uid;
  gid_t gid;
};

inline OrdinaryUser ordinaryUser() {
  if (!runAsRoot()) return {::geteuid(), ::getegid()};
  const passwd* nobody = ::getpwnam("nobody");
  return nobody != nullptr ? OrdinaryUser{nobody->pw_uid, nobody->pw_gid}
                           : OrdinaryUser{65534, 65534};
}

// Runs `body` in a child process as the ordinary user and returns what it returned, so a case
// that needs one runs under CI rather than being skipped there. The body's text states what it
// saw; "(did not run)" when the child could not become that user.
inline std::string asOrdinaryUser(const std::function<std::string()>& body) {
  const OrdinaryUser user = ordinaryUser();
  int out[2];
  if (::pipe(out) != 0) return "(did not run)";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    if (runAsRoot() &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(user.gid, user.gid, user.gid) != 0 ||
         ::setresuid(user.uid, user.uid, user.uid) != 0)) {
      ::_exit(1);
    }
    const std::string seen = body();
    const bool sent =
        ::write(out[1], seen.data(), seen.size()) == static_cast<ssize_t>(seen.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(out[1]);
  std::string seen;
  char chunk[256];
  for (ssize_t got; (got = ::read(out[0], chunk, sizeof chunk)) > 0;) {
    seen.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return "(did not run)";
  }
  return seen;
}

}  // namespace brisa::test
