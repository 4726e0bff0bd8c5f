#pragma once

#include "platform/linux/bluez_gatt.h"
#include "platform/linux/hidraw_hid.h"
#include "platform/linux/libusb_usb.h"
#include "platform/linux/udev_device_tree.h"

namespace brisa::platform {

// This machine's devices through every seam: udev and sysfs, hidraw, BlueZ, libusb.
class LinuxMachine {
 public:
  DeviceTree& deviceTree() { return tree_; }
  Hid& hid() { return hid_; }
  Gatt& gatt() { return gatt_; }
  Usb& usb() { return usb_; }

 private:
  UdevDeviceTree tree_;
  HidrawHid hid_;
  BluezGatt gatt_;
  LibusbUsb usb_;
};

}  // namespace brisa::platform
