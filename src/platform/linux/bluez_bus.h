#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <memory>
#include <mutex>

namespace brisa::platform {

struct BusMessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusMessagePtr = std::unique_ptr<sd_bus_message, BusMessageUnref>;

// Method calls to BlueZ on the system bus (DBUS_SYSTEM_BUS_ADDRESS chooses another bus, as for
// every D-Bus client). The window waits on them, so waiting is bounded, connecting and
// authenticating included: calls that follow each other closely (a device-list rebuild and the
// selection after it) share one budget, and once a call has run out of it the rest of them fail
// at once. A system without BlueZ or without a bus costs no wait at all. Thread-safe.
class BluezBus {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kBudget = std::chrono::seconds(2);
  // Calls closer together than this share the budget.
  static constexpr Clock::duration kRunGap = std::chrono::seconds(1);

  // The method's answer; null when the bus or BlueZ is not there, BlueZ answered with an error,
  // or no answer came in time. `types` and the arguments after it as sd_bus_message_append
  // takes them.
  BusMessagePtr call(const char* objectPath, const char* interface, const char* member,
                     const char* types, ...);

 private:
  // The latest moment the call starting now may wait until; `now` when nothing is left.
  Clock::time_point deadlineFrom(Clock::time_point now);
  void spent(Clock::time_point start, Clock::time_point end, bool ranOut);

  std::mutex mutex_;
  Clock::time_point lastEnd_{};
  Clock::duration left_ = kBudget;
};

}  // namespace brisa::platform
