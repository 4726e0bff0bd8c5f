#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/doorbell.h"
#include "platform/linux/udev_handles.h"

namespace brisa::platform {

// A USB device that stands in for a device of the libusbK class, as a board in its DFU
// bootloader does: one of its interfaces is a DFU interface (class 0xFE, subclass 0x01), no
// kernel driver holds any of them (usbfs, libusb's own, does not count), and this user may open
// its node for reading and writing. All of it is read from sysfs and the node's rights; the
// device itself is never opened. A phone, a radio dongle or any other device without a DFU
// interface never stands in, whoever runs the tool.
bool isFreeDfuDevice(udev* context, udev_device* usbDevice);

// The free DFU devices, kept current from a udev monitor. The bootloader count asks every few
// milliseconds, so a call makes no system call unless an event waits: a thread of its own
// waits on the monitor and raises a flag, and only then does a call drain the events.
// Not thread-safe: the device tree calls it under its own lock.
class UsbDeviceTable {
 public:
  explicit UsbDeviceTable(udev* context);
  ~UsbDeviceTable();
  UsbDeviceTable(const UsbDeviceTable&) = delete;
  UsbDeviceTable& operator=(const UsbDeviceTable&) = delete;

  // The free devices' sysfs paths, in the order they came.
  const std::vector<std::string>& current();
  bool holds(const std::string& syspath) const;

 private:
  void rescan();
  void reconsider(udev_device* device, const char* action);
  void drain();
  void watch();

  udev* const context_;
  UdevMonitorPtr monitor_;
  std::vector<std::string> free_;
  // Without a monitor the table is refreshed at most this often instead.
  std::chrono::steady_clock::time_point lastScan_;

  // Raised by the watching thread when the monitor has events; lowered once they are drained.
  std::atomic<bool> eventsWaiting_{false};
  std::atomic<bool> stop_{false};
  Doorbell wake_;  // the events were drained, or the table is going
  std::thread watcher_;
};

}  // namespace brisa::platform
