#pragma once

// Time from exec to the first frame of a program started with BRISA_FIRST_FRAME set, which makes
// it print "first-frame <CLOCK_MONOTONIC ns>" on stderr once its window is painted; it is killed
// then. Shared by bench/startup and bench/ui-stall.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace brisa::bench {

inline long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds from the spawn to the first frame; nothing when the program showed none within
// 30 s (its stderr is passed on then). `command` ends with a null.
inline std::optional<double> TimeToFirstFrame(const std::vector<char*>& command) {
  setenv("BRISA_FIRST_FRAME", "1", 1);
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  pid_t child = -1;
  const long long start = MonotonicNs();
  const int spawned = posix_spawnp(&child, command[0], &actions, nullptr, command.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::optional<double> result;
  std::string text;
  if (spawned == 0) {
    const long long deadline = start + 30'000'000'000LL;
    for (;;) {
      const std::size_t line = text.find("first-frame ");
      if (line != std::string::npos && text.find('\n', line) != std::string::npos) {
        result = static_cast<double>(std::atoll(text.c_str() + line + 12) - start) / 1e6;
        break;
      }
      pollfd fd{out[0], POLLIN, 0};
      const long long left = (deadline - MonotonicNs()) / 1000000;
      if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) break;
      char buffer[4096];
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  close(out[0]);
  if (!result) std::fprintf(stderr, "%s showed no frame:\n%s\n", command[0], text.c_str());
  return result;
}

}  // namespace brisa::bench
