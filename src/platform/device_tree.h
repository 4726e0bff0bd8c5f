#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/guid.h"

namespace brisa::platform {

// A device node of the machine (what Windows calls a device-instance handle, DevInst).
using NodeId = std::uint32_t;

// Path contract, which every backend keeps so that the listing and selection rules work on the
// paths unchanged:
// - a USB board's HID interface path holds "vid_VVVV&pid_PPPP" in lower-case hex;
// - a Bluetooth LE board's HID interface path holds "{00001812-0000-1000-8000-00805f9b34fb}"
//   in lower case (preceded by "hid#");
// - a keyboard top-level collection's path ends in "\KBD";
// - a path still opens after it was converted to upper case;
// - a bootloader's first hardware id begins with "USB\VID_0483&PID_DF11" and may go on with
//   "&REV_xxxx" (the firmware revision in hex).
struct DeviceInterface {
  std::string path;
  NodeId node = 0;  // the device node that owns the interface
};

struct PresentDevice {
  NodeId node = 0;
  Guid classGuid;  // the setup class the device is registered under
};

// Text properties of a device node, read through a 253-byte buffer: too long reads as absent.
enum class DeviceProperty { DeviceDesc, Class, ClassGuid, FriendlyName };

enum class HidChangeKind { Arrival, Removal };

struct HidChange {
  HidChangeKind kind = HidChangeKind::Arrival;
  std::string path;
};

// Ends the subscription when destroyed; no callback runs after the destructor returns.
class Subscription {
 public:
  virtual ~Subscription() = default;
};

// The machine's device tables, as the device list and the battery lookup read them. Each call
// answers as the machine is now: a backend may keep what it read of a device only while the
// system tells it of every change to that device, and answers nothing for a device that went.
class DeviceTree {
 public:
  virtual ~DeviceTree() = default;

  // Present HID interfaces in enumeration order. Empty when the enumeration cannot be made.
  virtual std::vector<DeviceInterface> hidInterfaces() = 0;
  // Present devices of every class in enumeration order. Empty when it cannot be made.
  virtual std::vector<PresentDevice> presentDevices() = 0;
  // Absent at the top of the tree and for a node that is gone.
  virtual std::optional<NodeId> parentOf(NodeId node) = 0;
  // At most 199 characters; a longer id reads as absent.
  virtual std::optional<std::string> instanceId(NodeId node) = 0;
  virtual std::optional<std::string> property(NodeId node, DeviceProperty which) = 0;
  // The hardware-id list; absent when the whole list does not fit the property buffer.
  virtual std::optional<std::vector<std::string>> hardwareIds(NodeId node) = 0;
  // Present interfaces of one GATT service (service id = the interface class) in enumeration
  // order, each with the node of the service itself.
  virtual std::vector<DeviceInterface> gattServiceInterfaces(const Guid& serviceId) = 0;

  // Arrivals and removals of HID interfaces. The callback may run on any thread, including a
  // worker that is inside a device call; it must not block on the caller's own locks.
  virtual std::unique_ptr<Subscription> watchHidInterfaces(
      std::function<void(const HidChange&)> callback) = 0;
};

}  // namespace brisa::platform
