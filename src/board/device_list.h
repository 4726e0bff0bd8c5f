#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/hid_device.h"

namespace brisa::board {

// One pickable device: a board's HID interface (its path in upper case) or a device of the
// libusbK class (its first hardware id), with the node that owns it.
struct DeviceEntry {
  std::string path;
  platform::NodeId devInst = 0;
  bool operator==(const DeviceEntry&) const = default;
};

// An entry and the text its selector item shows.
struct ListedDevice {
  DeviceEntry entry;
  std::string text;
};

// The boards' HID interfaces in enumeration order, then every libusbK-class device whose
// hardware ids read. Each pass that cannot be made lists nothing.
std::vector<ListedDevice> ListDevices(platform::DeviceTree& tree, platform::Hid& hid);

// " (friendly name - class name)" of the nearest Bluetooth or USB ancestor of the node (the node
// itself not counted), " (class name)" without a friendly name; empty without such an ancestor.
std::string HidGetBusDescription(platform::DeviceTree& tree, platform::NodeId devInst);

// " (product string)" of the interface, opened for queries (again without "\KBD" when the path
// as listed refuses); empty when it does not open or has no product string.
std::string HidGetProductSuffix(platform::Hid& hid, std::string path);

// Present devices of the libusbK class, counted in 8 bits; 0 when they cannot be listed.
std::uint8_t CountDfuDevices(platform::DeviceTree& tree);

// After a rebuild: the first entry with the path selected before, else the first entry; no
// selection (-1) for an empty list.
int ReselectIndex(const std::vector<DeviceEntry>& entries, const std::string& remembered);

}  // namespace brisa::board
