#pragma once

#include <memory>
#include <mutex>

#include "platform/device_tree.h"
#include "platform/linux/device_memo.h"
#include "platform/linux/hidraw_catalog.h"
#include "platform/linux/node_facts.h"
#include "platform/linux/node_registry.h"
#include "platform/linux/udev_handles.h"
#include "platform/linux/usb_device_table.h"

namespace brisa::platform {

// The DeviceTree seam over libudev and sysfs, with BlueZ for the GATT services:
// - HID interfaces are the top-level collections of the hidraw nodes, with paths of the form
//   the device list reads (see hid_interface_path.h); each is owned by a node of its own below
//   the HID device, whose sysfs parents make the rest of the tree;
// - a Bluetooth LE board's HID device (one BlueZ says offers HID over GATT) hangs below a node
//   for its Bluetooth device, which is also the parent of the battery service BlueZ publishes
//   for it, so a battery is found below its own board only. What BlueZ says is read from its
//   record (see BluezRecord): nothing here waits on the bus;
// - present devices are the USB devices that stand in the libusbK class, from a table a udev
//   monitor keeps current (the bootloader count asks every 5 ms).
// Node numbers of devices that went are forgotten after the next listing of every HID interface,
// which a rebuild of the device list begins with: the entries of the list before it are the only
// holders of those numbers, and they are being replaced. A number is never given to another node,
// so one kept past that names nothing.
// Thread-safe.
class UdevDeviceTree final : public DeviceTree {
 public:
  // `catalog`: shared with the Hid seam, so that a path the listing found opens at once.
  explicit UdevDeviceTree(
      std::shared_ptr<HidrawCatalog> catalog = std::make_shared<HidrawCatalog>());
  ~UdevDeviceTree() override;

  std::vector<DeviceInterface> hidInterfaces() override;
  std::vector<PresentDevice> presentDevices() override;
  std::optional<NodeId> parentOf(NodeId node) override;
  std::optional<std::string> instanceId(NodeId node) override;
  std::optional<std::string> property(NodeId node, DeviceProperty which) override;
  std::optional<std::vector<std::string>> hardwareIds(NodeId node) override;
  std::vector<DeviceInterface> gattServiceInterfaces(const Guid& serviceId) override;
  std::unique_ptr<Subscription> watchHidInterfaces(
      std::function<void(const HidChange&)> callback) override;

  // How many entries it keeps of the devices it has seen (node numbers, what was read of them),
  // the catalog's included.
  std::size_t keptEntries();

 private:
  std::optional<NodeFacts> factsLocked(NodeId node);
  void forgetGoneNodesLocked(const std::vector<HidrawNode>& listed);

  const std::shared_ptr<HidrawCatalog> catalog_;
  std::mutex mutex_;  // one libudev context, used by one thread at a time
  UdevPtr udev_;
  NodeRegistry nodes_;
  std::unique_ptr<UsbDeviceTable> usb_;
  // A rebuild of the device list asks a handful of questions of every node above every board:
  // each node is read once while udev says nothing of it.
  DeviceMemo<NodeFacts> facts_{catalog_->changes()};
};

}  // namespace brisa::platform
