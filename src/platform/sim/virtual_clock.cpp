#include "platform/sim/virtual_clock.h"

#include <utility>

namespace brisa::platform::sim {

void VirtualClock::sleepMs(std::uint32_t ms) {
  const std::uint64_t now = now_ += ms;
  slept_ += ms;
  ++sleeps_;
  std::function<void(std::uint64_t)> hook;
  {
    std::lock_guard lock(hookMutex_);
    hook = hook_;
  }
  if (hook) hook(now);
}

void VirtualClock::onSleep(std::function<void(std::uint64_t)> hook) {
  std::lock_guard lock(hookMutex_);
  hook_ = std::move(hook);
}

}  // namespace brisa::platform::sim
