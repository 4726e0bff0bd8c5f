#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/linux/hidraw_catalog.h"
#include "platform/linux/node_registry.h"
#include "platform/linux/udev_handles.h"

namespace brisa::platform {

// What the device tree tells of one node, read from sysfs and udev as it is now, in the terms
// of the device list's rules: setup class, names, hardware ids, parent.
struct NodeFacts {
  // The sysfs device they were read from; empty for a node that its key alone describes.
  std::string syspath;
  std::optional<std::string> parentKey;  // none at the top of the tree
  std::string instanceId;
  Guid classGuid;
  std::string className;
  std::optional<std::string> description;
  std::optional<std::string> friendlyName;
  std::optional<std::vector<std::string>> hardwareIds;
  // A USB device, which stands in the libusbK class while it stands in for a device of that
  // class (see UsbDeviceTable); that may change while it stays, so it is not among these facts.
  bool usbDevice = false;
  // False when they rest on a verdict BlueZ has not given yet (see HidBusReading).
  bool settled = true;
};

// Absent when the node is not there (any more).
std::optional<NodeFacts> factsOf(udev* context, const NodeKey& key, HidrawCatalog& catalog);

// A USB device's facts while it stands in for a device of the libusbK class.
void standInForLibusbK(NodeFacts& facts);

}  // namespace brisa::platform
