#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/clock.h"

namespace brisa::platform::sim {

// Virtual time: a sleep moves the clock on and returns at once, so a worker pass that "waits"
// 125 ms takes no real time. Safe to share between threads.
class VirtualClock final : public Clock {
 public:
  void sleepMs(std::uint32_t ms) override;
  std::uint64_t nowMs() const override { return now_.load(); }

  // Moves time on without counting as a sleep.
  void advanceMs(std::uint64_t ms) { now_ += ms; }
  // Total of every sleepMs so far, and how many there were.
  std::uint64_t sleptMs() const { return slept_.load(); }
  std::uint64_t sleepCount() const { return sleeps_.load(); }

  // Runs after each sleep with the new time: lets a test make something happen between the
  // steps of a worker (a board vanishing between two retries, a report arriving).
  void onSleep(std::function<void(std::uint64_t nowMs)> hook);

 private:
  std::atomic<std::uint64_t> now_{0};
  std::atomic<std::uint64_t> slept_{0};
  std::atomic<std::uint64_t> sleeps_{0};
  std::mutex hookMutex_;
  std::function<void(std::uint64_t)> hook_;
};

}  // namespace brisa::platform::sim
