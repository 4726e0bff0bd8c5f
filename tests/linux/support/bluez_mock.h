#pragma once

#include <sys/types.h>
#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brisa::platform {
class DeviceTree;
}

namespace brisa::testbed {

inline constexpr const char* kHidOverGattUuid = "00001812-0000-1000-8000-00805f9b34fb";
inline constexpr const char* kClassicHidUuid = "00001124-0000-1000-8000-00805f9b34fb";

// BlueZ's verdicts reach a device tree from a thread of the backend's own: waits, 5 s at most,
// until `count` of its interfaces are listed as Bluetooth LE ones.
void awaitLowEnergy(platform::DeviceTree& tree, std::size_t count);

// Points the system bus elsewhere while alive.
class SystemBusAt {
 public:
  explicit SystemBusAt(const std::string& address);
  ~SystemBusAt();
  SystemBusAt(const SystemBusAt&) = delete;
  SystemBusAt& operator=(const SystemBusAt&) = delete;

 private:
  std::optional<std::string> saved_;
};

// BlueZ as python-dbusmock's bluez5 template plays it, on a private bus of its own that
// DBUS_SYSTEM_BUS_ADDRESS points to while the mock lives. The tools come from the test's
// environment: DBUS_DAEMON and DBUSMOCK_PYTHON (a python3 that has dbusmock).
class BluezMock {
 public:
  // `withBluez` false: the bus alone, BlueZ not (yet) on it; startBluez() brings it up.
  explicit BluezMock(bool withBluez = true);
  ~BluezMock();
  BluezMock(const BluezMock&) = delete;
  BluezMock& operator=(const BluezMock&) = delete;

  // Whether the tools were there and the mock answers on the bus.
  bool running() const { return running_; }
  bool busRunning() const { return bus_.has_value(); }
  static bool toolsFound();
  // Whether BlueZ came up and answers.
  bool startBluez();
  // Instead of the mock: a BlueZ that takes the method calls sent to it and never answers one.
  // Whether it holds BlueZ's name.
  bool startSilentBluez();

  // A device of adapter hci0 offering `service` (its UUIDs; null: none); with a level it
  // publishes org.bluez.Battery1. Its object path.
  std::string addDevice(const std::string& address, const std::string& name,
                        std::optional<std::uint8_t> batteryLevel,
                        const char* service = kHidOverGattUuid);
  void removeDevice(const std::string& objectPath);
  // BlueZ goes on taking calls and never answers them (the mock is stopped), until thaw().
  void freeze();
  void thaw();

 private:
  bool call(const char* path, const char* interface, const char* method, const char* types, ...);

  pid_t daemon_ = -1;
  pid_t mock_ = -1;
  sd_bus* silent_ = nullptr;  // never read, so no call to it is answered
  std::optional<SystemBusAt> bus_;
  bool running_ = false;
};

}  // namespace brisa::testbed
