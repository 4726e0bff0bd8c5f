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

#include "platform/doorbell.h"
#include "platform/linux/bluez_record.h"
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
// - whether a Bluetooth HID device is a Bluetooth LE one: BlueZ's record (see BluezRecord) has a
//   device with its Address whose UUIDs list HID over GATT. The verdict is the record's latest
//   while BlueZ is there and stays as it was when BlueZ goes. Before BlueZ has ever answered
//   there is none: the device counts as not one for now. When the verdict on a device seen comes
//   or changes, that counts as a change of the device (see DeviceChanges), and every watcher is
//   rung, so that the HID-change callbacks tell the list;
// - which hidraw node each interface path names, so that a path opens without a listing of
//   every node;
// - each hidraw node's description, while the node stays and udev says nothing of it (see
//   DeviceMemo).
// Nothing here waits on the bus. Thread-safe.
class HidrawCatalog {
 public:
  explicit HidrawCatalog(std::shared_ptr<BluezRecord> bluez = BluezRecord::shared());
  ~HidrawCatalog();
  HidrawCatalog(const HidrawCatalog&) = delete;
  HidrawCatalog& operator=(const HidrawCatalog&) = delete;

  const std::shared_ptr<BluezRecord>& bluez() const { return bluez_; }
  const std::shared_ptr<DeviceChanges>& changes() const { return changes_; }
  // By the node's sysfs path.
  DeviceMemo<HidrawNode>& descriptions() { return descriptions_; }

  // BlueZ's verdict; absent while there is none, and then BlueZ's answer is wanted.
  std::optional<bool> lowEnergy(const UhidBluetoothDevice& device);
  // After a listing of every node: forgets the devices that went.
  void keepOnly(const std::vector<std::string>& presentHidSyspaths);

  // Rung when a verdict comes or changes, until it is let go.
  void addWatcher(Doorbell& bell);
  void removeWatcher(Doorbell& bell);

  void remember(std::string_view interfacePath, const std::string& hidrawSyspath);
  std::optional<std::string> hidrawOf(std::string_view interfacePath) const;
  // After a listing of every node: these paths, and no others, are present.
  void rememberOnly(const std::vector<std::pair<std::string, std::string>>& pathsAndNodes);

  // How many entries it keeps of the devices it has seen.
  std::size_t keptEntries();

 private:
  void bluezSpoke();
  void ringWatchers();

  const std::shared_ptr<BluezRecord> bluez_;
  const std::shared_ptr<DeviceChanges> changes_ = std::make_shared<DeviceChanges>();
  DeviceMemo<HidrawNode> descriptions_{changes_};
  mutable std::mutex mutex_;
  std::map<std::string, std::string> bluetooth_;  // HID device syspath -> address
  std::map<std::string, bool> lowEnergy_;         // by HID device syspath
  std::set<Doorbell*> watchers_;
  std::unordered_map<std::string, std::string> hidrawByPath_;  // canonical path -> syspath
  std::uint64_t listening_ = 0;
};

}  // namespace brisa::platform
