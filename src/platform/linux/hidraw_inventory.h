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
#include "platform/linux/hid_report_descriptor.h"
#include "platform/linux/hidraw_catalog.h"
#include "platform/linux/udev_handles.h"

namespace brisa::platform {

struct HidrawCollection {
  HidCollectionInfo info;
  std::string path;
};

struct HidrawNode {
  std::string syspath;     // the hidraw node's
  std::string devnode;     // /dev/hidrawN
  std::string hidSyspath;  // the HID device that owns the node
  HidBus bus = HidBus::Other;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
  std::string uniq;  // the remote address on Bluetooth
  std::string name;  // the HID device's name
  std::optional<std::string> productString;
  // At least one: a node whose descriptor declares no collection still has an interface.
  std::vector<HidrawCollection> collections;
};

// A HID device (subsystem "hid") that BlueZ made through uhid; absent for any other.
std::optional<UhidBluetoothDevice> uhidBluetoothOf(udev_device* hid);

// The bus of a HID device; absent when its HID_ID does not read. A device BlueZ made through
// uhid is Bluetooth LE only when the catalog says so.
std::optional<HidBus> hidBusOf(udev_device* hid, HidrawCatalog& catalog);

// Each node described is remembered in the catalog by its interface paths.
std::optional<HidrawNode> describeHidraw(udev* context, udev_device* hidraw,
                                         HidrawCatalog& catalog);
std::vector<HidrawNode> listHidraw(udev* context, HidrawCatalog& catalog);

struct HidrawMatch {
  HidrawNode node;
  std::size_t collection = 0;
};
// The present interface a path names (in any letter case, with or without "\KBD"). A path the
// catalog knows costs the description of its own node only.
std::optional<HidrawMatch> findHidraw(udev* context, std::string_view path, HidrawCatalog& catalog);

}  // namespace brisa::platform
