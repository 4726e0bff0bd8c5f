// Time from exec to the first frame of two programs, run by turns (the real window and its floor,
// an empty window with the same timer): each is started with BRISA_FIRST_FRAME set, which makes
// it print "first-frame <CLOCK_MONOTONIC ns>" on stderr once its window is painted, and is killed
// then. Prints the median, min and max of each and their ratio. Runs under an X server (see
// bench/startup).
//   startup_bench RUNS -- PROGRAM [ARGS...] -- FLOOR [ARGS...]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds from the spawn to the first frame; nothing when the program showed none within
// 30 s (its stderr is passed on then).
std::optional<double> TimeToFirstFrame(const std::vector<char*>& command) {
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

struct Summary {
  double median;
  double min;
  double max;
};

Summary Summarise(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {median, values.front(), values.back()};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::vector<char*>> commands(1);
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      commands.back().push_back(nullptr);
      commands.emplace_back();
    } else {
      commands.back().push_back(argv[i]);
    }
  }
  commands.back().push_back(nullptr);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
  if (argc < 3 || std::strcmp(argv[2], "--") != 0 || commands.size() != 2 || runs < 1 ||
      commands[0].size() < 2 || commands[1].size() < 2) {
    std::fprintf(stderr, "usage: %s RUNS -- PROGRAM [ARGS...] -- FLOOR [ARGS...]\n", argv[0]);
    return 2;
  }
  setenv("BRISA_FIRST_FRAME", "1", 1);
  std::vector<double> times[2];
  // One run each first, unmeasured, so both start with their libraries in the page cache.
  for (int run = -1; run < runs; ++run) {
    for (int which = 0; which < 2; ++which) {
      const std::optional<double> ms = TimeToFirstFrame(commands[static_cast<std::size_t>(which)]);
      if (!ms) return 1;
      if (run >= 0) times[which].push_back(*ms);
    }
  }
  const Summary program = Summarise(times[0]);
  const Summary floor = Summarise(times[1]);
  std::printf("exec to first frame, ms, median of %d runs (min-max)\n", runs);
  std::printf("  %-40s %7.1f (%.1f-%.1f)\n", commands[1][0], floor.median, floor.min, floor.max);
  std::printf("  %-40s %7.1f (%.1f-%.1f)\n", commands[0][0], program.median, program.min,
              program.max);
  std::printf("startup-ratio %.2f\n", program.median / floor.median);
  return 0;
}
