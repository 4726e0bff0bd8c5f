#include "dfu/poll_budget.h"

#include <algorithm>

namespace brisa::dfu {

void PollBudget::wait(std::uint64_t ms) {
  if (ms == 0) return;
  clock_.sleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, kMaxWaitMs)));
}

bool PollBudget::exhausted() {
  ++polls_;
  return polls_ >= kMaxPolls || clock_.nowMs() - start_ >= kMaxLoopMs;
}

}  // namespace brisa::dfu
