#pragma once

#include <cstdint>

namespace brisa::platform {

// Every wait of a worker goes through here, so tests can run workers on virtual time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleepMs(std::uint32_t ms) = 0;
  // Milliseconds since an arbitrary start; only differences mean anything.
  virtual std::uint64_t nowMs() const = 0;
};

// Real time: sleeps block the calling thread.
class SystemClock final : public Clock {
 public:
  void sleepMs(std::uint32_t ms) override;
  std::uint64_t nowMs() const override;
};

}  // namespace brisa::platform
