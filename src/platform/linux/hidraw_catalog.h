#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/linux/bluez_bus.h"
#include "platform/linux/device_changes.h"
#include "platform/linux/device_memo.h"
#include "platform/linux/hidraw_node.h"

namespace brisa::platform {

// A HID device on Bluetooth that reaches the kernel through uhid: BlueZ made it, for a Bluetooth
// LE device (HID over GATT) or for a Classic one, and sysfs does not tell which.
struct UhidBluetoothDevice {
  std::string hidSyspath;
  std::string address;  // HID_UNIQ
};

// What the backend keeps of the HID devices it has seen, so as to ask nothing twice:
// - whether a Bluetooth HID device is a Bluetooth LE one, as BlueZ first answered: its
//   org.bluez.Device1 with that Address lists HID over GATT in its UUIDs. While BlueZ has not
//   answered (no bus, no BlueZ on it, no answer in time) there is no verdict: the device counts
//   as not one for now, and BlueZ is asked again by the next listing of every node;
// - which hidraw node each interface path names, so that a path opens without a listing of
//   every node;
// - each hidraw node's description, while the node stays and udev says nothing of it (see
//   DeviceMemo).
// Thread-safe.
class HidrawCatalog {
 public:
  explicit HidrawCatalog(std::shared_ptr<BluezBus> bluez = std::make_shared<BluezBus>());

  const std::shared_ptr<BluezBus>& bluez() const { return bluez_; }
  const std::shared_ptr<DeviceChanges>& changes() const { return changes_; }
  // By the node's sysfs path.
  DeviceMemo<HidrawNode>& descriptions() { return descriptions_; }

  // Asks BlueZ once, for all of these that it has given no verdict on, those it did not answer
  // about before included. A listing of every node does this first.
  void learn(const std::vector<UhidBluetoothDevice>& devices);
  // BlueZ's verdict; absent while it has not answered. Asks about a device never asked about; one
  // that got no answer waits for the next learn(), so a listing asks at most once.
  std::optional<bool> lowEnergy(const UhidBluetoothDevice& device);
  // After a listing of every node: forgets the devices that went.
  void keepOnly(const std::vector<std::string>& presentHidSyspaths);

  void remember(std::string_view interfacePath, const std::string& hidrawSyspath);
  std::optional<std::string> hidrawOf(std::string_view interfacePath) const;
  // After a listing of every node: these paths, and no others, are present.
  void rememberOnly(const std::vector<std::pair<std::string, std::string>>& pathsAndNodes);

  // How many entries it keeps of the devices it has seen.
  std::size_t keptEntries();

 private:
  const std::shared_ptr<BluezBus> bluez_;
  const std::shared_ptr<DeviceChanges> changes_ = std::make_shared<DeviceChanges>();
  DeviceMemo<HidrawNode> descriptions_{changes_};
  mutable std::mutex mutex_;
  std::map<std::string, bool> lowEnergy_;                      // by HID device syspath
  std::set<std::string> unanswered_;                           // asked without an answer
  std::unordered_map<std::string, std::string> hidrawByPath_;  // canonical path -> syspath
};

}  // namespace brisa::platform
