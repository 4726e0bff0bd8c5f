#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/linux/udev_handles.h"

namespace brisa::platform {

// What udev has said of the machine's devices since this began listening, so that what was read
// of a device may be kept while udev says nothing of it: an event on a device, on one above it
// or one below it (an interface or a node of it, or the device it hangs on) counts as a change
// of it. Events are taken from the monitor when asked, so every answer counts each event udev
// had sent by then; a thread of its own also takes them as they come, so the monitor's queue
// never fills while nobody asks. Without a monitor, or after events were lost, nothing counts as
// unchanged. Thread-safe.
class DeviceChanges {
 public:
  DeviceChanges();
  ~DeviceChanges();
  DeviceChanges(const DeviceChanges&) = delete;
  DeviceChanges& operator=(const DeviceChanges&) = delete;

  // Takes the events sent so far; what is read from now on carries this stamp.
  std::uint64_t stamp();
  // Whether nothing changed for the device since `stamp` (by the events taken so far).
  bool unchangedSince(std::string_view syspath, std::uint64_t stamp) const;
  // The device changed in a way udev does not tell (what BlueZ says of it): counted as an event.
  void changed(std::string_view syspath);

 private:
  void drainLocked();
  void forgetLocked();
  void watch();

  mutable std::mutex mutex_;
  UdevPtr udev_;
  UdevMonitorPtr monitor_;
  std::uint64_t events_ = 0;  // events taken so far, counting a loss as one
  // Stamps older than this may miss events that were lost.
  std::uint64_t trustedFrom_ = 0;
  std::map<std::string, std::uint64_t, std::less<>> lastEvent_;  // by syspath: its event's number
  std::size_t removals_ = 0;                                     // among those events
  int wake_ = -1;                                                // eventfd: the thread is to end
  std::thread watcher_;
};

}  // namespace brisa::platform
