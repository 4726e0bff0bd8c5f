#include "platform/linux/udev_device_tree.h"

#include <unistd.h>

#include <set>

#include "platform/linux/bluez_gatt.h"
#include "platform/linux/hid_watch.h"
#include "platform/linux/hidraw_inventory.h"
#include "platform/property_limits.h"

namespace brisa::platform {

namespace {

std::optional<std::string> fitting(const std::optional<std::string>& value) {
  if (!value || !fitsPropertyBuffer(*value)) return std::nullopt;
  return value;
}

}  // namespace

UdevDeviceTree::UdevDeviceTree(std::shared_ptr<HidrawCatalog> catalog)
    : catalog_(std::move(catalog)),
      udev_(udev_new()),
      usb_(std::make_unique<UsbDeviceTable>(udev_.get())) {}

UdevDeviceTree::~UdevDeviceTree() = default;

std::vector<DeviceInterface> UdevDeviceTree::hidInterfaces() {
  std::lock_guard lock(mutex_);
  std::vector<DeviceInterface> result;
  if (!udev_) return result;
  const std::vector<HidrawNode> listed = listHidraw(udev_.get(), *catalog_);
  forgetGoneNodesLocked(listed);
  for (const HidrawNode& node : listed) {
    for (std::size_t i = 0; i < node.collections.size(); ++i) {
      result.push_back(DeviceInterface{node.collections[i].path,
                                       nodes_.idOf(collectionKey(node.hidSyspath, i))});
    }
  }
  return result;
}

// A collection is there while its node is listed; a sysfs device while something listed or
// standing in hangs below it (no file to look at), else while its directory is there. Nodes
// named by a Bluetooth address stay: there is one per device BlueZ has known, however often it
// comes and goes.
void UdevDeviceTree::forgetGoneNodesLocked(const std::vector<HidrawNode>& listed) {
  std::set<std::string> collections;
  const std::vector<std::string>& standingIn = usb_->current();
  std::set<std::string> leaves(standingIn.begin(), standingIn.end());
  for (const HidrawNode& node : listed) {
    for (std::size_t i = 0; i < node.collections.size(); ++i) {
      collections.insert(collectionKey(node.hidSyspath, i));
    }
    leaves.insert(node.syspath);
  }
  const auto holdsOrIsAbove = [&](const std::string& syspath) {
    if (leaves.contains(syspath)) return true;
    const auto below = leaves.lower_bound(syspath + '/');
    return below != leaves.end() && isBelow(*below, syspath);
  };
  nodes_.keepOnly([&](const std::string& key) {
    const auto parsed = parseNodeKey(key);
    if (!parsed) return false;
    switch (parsed->kind) {
      case NodeKind::Collection:
        return collections.contains(key);
      case NodeKind::Sysfs:
        return holdsOrIsAbove(parsed->syspath) || ::access(parsed->syspath.c_str(), F_OK) == 0;
      case NodeKind::BluetoothDevice:
      case NodeKind::GattService:
        return true;
    }
    return false;
  });
}

std::vector<PresentDevice> UdevDeviceTree::presentDevices() {
  std::lock_guard lock(mutex_);
  std::vector<PresentDevice> result;
  for (const std::string& syspath : usb_->current()) {
    result.push_back(PresentDevice{nodes_.idOf(sysfsKey(syspath)), kLibusbKClassGuid});
  }
  return result;
}

std::optional<NodeFacts> UdevDeviceTree::factsLocked(NodeId node) {
  const auto key = nodes_.keyOf(node);
  const auto parsed = key ? parseNodeKey(*key) : std::nullopt;
  if (!parsed || !udev_) return std::nullopt;
  if (parsed->kind == NodeKind::GattService) return factsOf(udev_.get(), *parsed, *catalog_);
  using Read = DeviceMemo<NodeFacts>::Read;
  auto facts = facts_.get(*key, [&]() -> std::optional<Read> {
    auto read = factsOf(udev_.get(), *parsed, *catalog_);
    if (!read) return std::nullopt;
    std::string syspath = read->syspath;
    const bool settled = read->settled;
    return Read{std::move(*read), std::move(syspath), settled};
  });
  if (facts && facts->usbDevice && usb_->holds(facts->syspath)) standInForLibusbK(*facts);
  return facts;
}

std::optional<NodeId> UdevDeviceTree::parentOf(NodeId node) {
  std::lock_guard lock(mutex_);
  const auto facts = factsLocked(node);
  if (!facts || !facts->parentKey) return std::nullopt;
  return nodes_.idOf(*facts->parentKey);
}

std::optional<std::string> UdevDeviceTree::instanceId(NodeId node) {
  std::lock_guard lock(mutex_);
  const auto facts = factsLocked(node);
  if (!facts || !fitsInstanceId(facts->instanceId)) return std::nullopt;
  return facts->instanceId;
}

std::optional<std::string> UdevDeviceTree::property(NodeId node, DeviceProperty which) {
  std::lock_guard lock(mutex_);
  const auto facts = factsLocked(node);
  if (!facts) return std::nullopt;
  switch (which) {
    case DeviceProperty::DeviceDesc:
      return fitting(facts->description);
    case DeviceProperty::Class:
      return fitting(facts->className);
    case DeviceProperty::ClassGuid:
      return toString(facts->classGuid);
    case DeviceProperty::FriendlyName:
      return fitting(facts->friendlyName);
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> UdevDeviceTree::hardwareIds(NodeId node) {
  std::lock_guard lock(mutex_);
  const auto facts = factsLocked(node);
  if (!facts || !facts->hardwareIds || !fitsPropertyBuffer(*facts->hardwareIds)) {
    return std::nullopt;
  }
  return facts->hardwareIds;
}

std::vector<DeviceInterface> UdevDeviceTree::gattServiceInterfaces(const Guid& serviceId) {
  std::vector<DeviceInterface> result;
  // BlueZ publishes no other service of a Bluetooth LE device to applications.
  if (serviceId != Guid::fromShortUuid(kBatteryServiceShortUuid)) return result;
  const auto known = catalog_->bluez()->devices();
  if (!known) return result;
  for (const BluezDevice& device : *known) {
    if (!device.battery) continue;
    result.push_back(DeviceInterface{bluezBatteryServicePath(device.objectPath),
                                     nodes_.idOf(gattServiceKey(device.address))});
  }
  return result;
}

std::size_t UdevDeviceTree::keptEntries() {
  std::lock_guard lock(mutex_);
  return nodes_.size() + facts_.size() + catalog_->keptEntries();
}

std::unique_ptr<Subscription> UdevDeviceTree::watchHidInterfaces(
    std::function<void(const HidChange&)> callback) {
  return watchHidraw(std::move(callback), catalog_);
}

}  // namespace brisa::platform
