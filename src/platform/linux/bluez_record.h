#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/doorbell.h"
#include "platform/linux/bluez_devices.h"

namespace brisa::platform {

// What BlueZ says of its devices, kept current on a thread of its own so that no caller ever
// waits on the bus. The thread owns the one connection to the system bus (DBUS_SYSTEM_BUS_ADDRESS
// chooses another, as for every D-Bus client), asks BlueZ for its objects once it is on the bus,
// and follows BlueZ coming and going, its objects' interfaces added and removed and their
// properties changed. It waits in poll() on the connection and a doorbell: idle, it costs
// nothing. Without a bus, or when BlueZ let a call time out, it tries again no more often than
// every half second, and only while an answer is wanted. Thread-safe.
class BluezRecord {
 public:
  BluezRecord();
  ~BluezRecord();
  BluezRecord(const BluezRecord&) = delete;
  BluezRecord& operator=(const BluezRecord&) = delete;

  // The record of this process while anything holds it, else a new one: BlueZ is one for the
  // machine, so one connection follows it.
  static std::shared_ptr<BluezRecord> shared();

  // Every device of every adapter; null while BlueZ has not answered (no bus, no BlueZ on it,
  // no answer yet) and once it has gone.
  std::shared_ptr<const std::vector<BluezDevice>> devices() const;
  // Someone waits for an answer: until there is one, the bus and BlueZ are tried again.
  void want();

  // `listener` runs on the record's thread after each change of what devices() returns, until
  // unlisten() with the number given back has returned.
  std::uint64_t listen(std::function<void()> listener);
  void unlisten(std::uint64_t id);

 private:
  friend class BluezLink;
  void publish(std::shared_ptr<const std::vector<BluezDevice>> devices);
  void run();

  mutable std::mutex mutex_;
  std::shared_ptr<const std::vector<BluezDevice>> devices_;
  std::mutex listenersMutex_;  // held while listeners run
  std::map<std::uint64_t, std::function<void()>> listeners_;
  std::uint64_t lastListener_ = 0;
  std::atomic<bool> wanted_{false};
  std::atomic<bool> stop_{false};
  Doorbell wake_;  // wanted, or the record is going
  std::thread thread_;
};

}  // namespace brisa::platform
