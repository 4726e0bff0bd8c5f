#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace brisa::dfu {

// Bounds one status loop. The bootloader decides how long the host waits between status
// requests and when a loop ends; one that never leaves a state, or asks for hours, would
// otherwise keep the worker (and with it the request and the window's close) forever. The
// bounds lie far beyond what a sound bootloader needs: a flash page erases in seconds.
class PollBudget {
 public:
  static constexpr std::uint32_t kMaxWaitMs = 10'000;  // one wait, whatever the reply asks
  static constexpr std::uint64_t kMaxLoopMs = 60'000;  // a whole loop, requests included
  static constexpr unsigned kMaxPolls = 10'000;        // for replies that ask for no wait

  explicit PollBudget(platform::Clock& clock) : clock_(clock), start_(clock.nowMs()) {}

  // Waits as long as a reply asked, at most kMaxWaitMs; no wait for 0.
  void wait(std::uint64_t ms);
  // Counts one more round of the loop; true once the loop has had its rounds or its time.
  bool exhausted();

 private:
  platform::Clock& clock_;
  std::uint64_t start_;
  unsigned polls_ = 0;
};

}  // namespace brisa::dfu
