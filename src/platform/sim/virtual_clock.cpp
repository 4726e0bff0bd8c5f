#include "platform/sim/virtual_clock.h"

#include <iterator>
#include <utility>

namespace brisa::platform::sim {

void VirtualClock::sleepMs(std::uint32_t ms) {
  std::function<void(std::uint64_t)> hook;
  std::uint64_t now = 0;
  {
    std::unique_lock lock(mutex_);
    if (stepped_) {
      const std::uint64_t wake = now_.load() + ms;
      const auto entry = wakes_.insert(wake);
      changed_.notify_all();
      changed_.wait(lock, [&] { return !stepped_ || now_.load() >= wake; });
      wakes_.erase(entry);
      if (now_.load() < wake) now_ = wake;  // released early: time still moves on
    } else {
      now_ += ms;
    }
    now = now_.load();
    hook = hook_;
  }
  slept_ += ms;
  ++sleeps_;
  if (hook) hook(now);
}

void VirtualClock::advanceMs(std::uint64_t ms) {
  std::lock_guard lock(mutex_);
  now_ += ms;
  changed_.notify_all();
}

void VirtualClock::waitForSleepers(std::size_t count) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] {
    const auto waiting = std::distance(wakes_.upper_bound(now_.load()), wakes_.end());
    return !stepped_ || static_cast<std::size_t>(waiting) >= count;
  });
}

void VirtualClock::release() {
  std::lock_guard lock(mutex_);
  stepped_ = false;
  changed_.notify_all();
}

void VirtualClock::onSleep(std::function<void(std::uint64_t)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

}  // namespace brisa::platform::sim
