// Time from exec to the first frame of two programs, run by turns (the real window and its floor,
// an empty window with the same timer): each is started with BRISA_FIRST_FRAME set, which makes
// it print "first-frame <CLOCK_MONOTONIC ns>" on stderr once its window is painted, and is killed
// then. Prints the median, min and max of each and their ratio. Runs under an X server (see
// bench/startup).
//   startup_bench RUNS -- PROGRAM [ARGS...] -- FLOOR [ARGS...]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "first_frame_time.h"

namespace {

using brisa::bench::TimeToFirstFrame;

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
