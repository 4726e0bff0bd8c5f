#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace brisa::testbed {

inline constexpr const char* kHidOverGattUuid = "00001812-0000-1000-8000-00805f9b34fb";
inline constexpr const char* kClassicHidUuid = "00001124-0000-1000-8000-00805f9b34fb";

// BlueZ as python-dbusmock's bluez5 template plays it, on a private bus of its own that
// DBUS_SYSTEM_BUS_ADDRESS points to while the mock lives. The tools come from the test's
// environment: DBUS_DAEMON and DBUSMOCK_PYTHON (a python3 that has dbusmock).
class BluezMock {
 public:
  BluezMock();
  ~BluezMock();
  BluezMock(const BluezMock&) = delete;
  BluezMock& operator=(const BluezMock&) = delete;

  // Whether the tools were there and the mock answers on the bus.
  bool running() const { return running_; }
  static bool toolsFound();

  // A device of adapter hci0 offering `service` (its UUIDs; null: none); with a level it
  // publishes org.bluez.Battery1. Its object path.
  std::string addDevice(const std::string& address, const std::string& name,
                        std::optional<std::uint8_t> batteryLevel,
                        const char* service = kHidOverGattUuid);
  void removeDevice(const std::string& objectPath);

 private:
  bool call(const char* path, const char* interface, const char* method, const char* types, ...);

  pid_t daemon_ = -1;
  pid_t mock_ = -1;
  std::optional<std::string> savedAddress_;
  bool running_ = false;
};

}  // namespace brisa::testbed
