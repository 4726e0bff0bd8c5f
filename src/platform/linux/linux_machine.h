#pragma once

#include <memory>

#include "platform/linux/bluez_gatt.h"
#include "platform/linux/hidraw_catalog.h"
#include "platform/linux/hidraw_hid.h"
#include "platform/linux/libusb_usb.h"
#include "platform/linux/udev_device_tree.h"

namespace brisa::platform {

// This machine's devices through every seam: udev and sysfs, hidraw, BlueZ, libusb. The seams
// share what they learn of the HID devices, and one record of what BlueZ says.
class LinuxMachine {
 public:
  DeviceTree& deviceTree() { return tree_; }
  Hid& hid() { return hid_; }
  Gatt& gatt() { return gatt_; }
  Usb& usb() { return usb_; }

 private:
  std::shared_ptr<HidrawCatalog> catalog_ = std::make_shared<HidrawCatalog>();
  UdevDeviceTree tree_{catalog_};
  HidrawHid hid_{catalog_};
  BluezGatt gatt_{catalog_->bluez()};
  LibusbUsb usb_;
};

}  // namespace brisa::platform
