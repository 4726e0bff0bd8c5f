#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/hid_interface_path.h"
#include "platform/linux/hid_report_descriptor.h"

namespace brisa::platform {

struct HidrawCollection {
  HidCollectionInfo info;
  std::string path;
};

// A hidraw node as the HID seams present it: each top-level collection is an interface with a
// path of the device list's form, and the HID device's identity comes from sysfs.
struct HidrawNode {
  std::string syspath;     // the hidraw node's
  std::string devnode;     // /dev/hidrawN
  std::string hidSyspath;  // the HID device that owns the node
  HidBus bus = HidBus::Other;
  bool busSettled = true;  // see HidBusReading
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
  std::string uniq;  // the remote address on Bluetooth
  std::string name;  // the HID device's name
  std::optional<std::string> productString;
  // At least one: a node whose descriptor declares no collection still has an interface.
  std::vector<HidrawCollection> collections;
};

}  // namespace brisa::platform
