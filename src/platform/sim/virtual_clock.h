#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>

#include "platform/clock.h"

namespace brisa::platform::sim {

// Virtual time, so no worker or test waits for real. Safe to share between threads.
// - Instant (default): a sleep moves the clock on and returns at once; a test that calls a
//   worker's pass directly sees "125 ms of waiting" take no time.
// - Stepped: a sleep blocks until the test moves the clock past its end, so worker threads
//   run in lock-step with the test (advanceMs, waitForSleepers).
class VirtualClock final : public Clock {
 public:
  enum class Mode { Instant, Stepped };

  explicit VirtualClock(Mode mode = Mode::Instant) : stepped_(mode == Mode::Stepped) {}

  void sleepMs(std::uint32_t ms) override;
  std::uint64_t nowMs() const override { return now_.load(); }

  // Moves time on without counting as a sleep; wakes the sleepers whose time has come.
  void advanceMs(std::uint64_t ms);
  // Stepped mode: blocks until at least `count` threads are asleep with their time not yet
  // come (so right after advanceMs, threads it woke do not count).
  void waitForSleepers(std::size_t count);
  // Turns the clock instant and wakes every sleeper (for tearing threads down).
  void release();

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
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stepped_;
  std::multiset<std::uint64_t> wakes_;  // end of each stepped sleep in progress
  std::function<void(std::uint64_t)> hook_;
};

}  // namespace brisa::platform::sim
