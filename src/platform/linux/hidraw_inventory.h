#pragma once

// The hidraw nodes of this machine as the HID seams present them: each node's top-level
// collections become interfaces with paths of the device list's form, and the HID device's
// identity comes from sysfs, so listing needs no access to the nodes themselves.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/hid_interface_path.h"
#include "platform/linux/hidraw_catalog.h"
#include "platform/linux/hidraw_node.h"
#include "platform/linux/udev_handles.h"

namespace brisa::platform {

// A HID device (subsystem "hid") that BlueZ made through uhid; absent for any other.
std::optional<UhidBluetoothDevice> uhidBluetoothOf(udev_device* hid);

struct HidBusReading {
  HidBus bus = HidBus::Other;
  // False for a device BlueZ made through uhid that BlueZ has given no verdict on yet: it counts
  // as Classic until then, so nothing read on that ground is to be kept.
  bool settled = true;
};
// The bus of a HID device; absent when its HID_ID does not read. A device BlueZ made through
// uhid is Bluetooth LE only when the catalog says so.
std::optional<HidBusReading> hidBusOf(udev_device* hid, HidrawCatalog& catalog);

// The node at that sysfs path. Each node described is remembered in the catalog by its
// interface paths, and is not read again while udev says nothing of it.
std::optional<HidrawNode> describeHidraw(udev* context, const std::string& syspath,
                                         HidrawCatalog& catalog);
// The present nodes in the order udev enumerates them.
std::vector<HidrawNode> listHidraw(udev* context, HidrawCatalog& catalog);

struct HidrawMatch {
  HidrawNode node;
  std::size_t collection = 0;
};
// The present interface a path names (in any letter case, with or without "\KBD"). A path the
// catalog knows costs the description of its own node only.
std::optional<HidrawMatch> findHidraw(udev* context, std::string_view path, HidrawCatalog& catalog);

}  // namespace brisa::platform
