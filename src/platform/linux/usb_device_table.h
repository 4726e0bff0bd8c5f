#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/linux/udev_handles.h"

namespace brisa::platform {

// A USB device no kernel driver holds (usbfs, libusb's own, does not count) and whose node this
// user can open: one a user-space driver such as the bootloader's may take. It stands in for a
// device of the libusbK class.
bool isFreeUsbDevice(udev* context, udev_device* usbDevice);

// The free USB devices, kept current from a udev monitor: the bootloader count asks every few
// milliseconds, so a call only drains the events queued since the last one, without waiting.
// Not thread-safe: the device tree calls it under its own lock.
class UsbDeviceTable {
 public:
  explicit UsbDeviceTable(udev* context);

  // The free devices' sysfs paths, in the order they came.
  const std::vector<std::string>& current();
  bool holds(const std::string& syspath) const;

 private:
  void rescan();
  void reconsider(udev_device* device, const char* action);

  udev* const context_;
  UdevMonitorPtr monitor_;
  std::vector<std::string> free_;
  // Without a monitor the table is refreshed at most this often instead.
  std::chrono::steady_clock::time_point lastScan_;
};

}  // namespace brisa::platform
