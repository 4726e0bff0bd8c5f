#pragma once

#include <functional>
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
  std::optional<std::string> parentKey;  // none at the top of the tree
  std::string instanceId;
  Guid classGuid;
  std::string className;
  std::optional<std::string> description;
  std::optional<std::string> friendlyName;
  std::optional<std::vector<std::string>> hardwareIds;
};

// Whether a USB device stands in the libusbK class (see UsbDeviceTable).
using FreeUsbTest = std::function<bool(const std::string& syspath)>;

// Absent when the node is not there (any more).
std::optional<NodeFacts> factsOf(udev* context, const NodeKey& key, const FreeUsbTest& isFree,
                                 HidrawCatalog& catalog);

}  // namespace brisa::platform
