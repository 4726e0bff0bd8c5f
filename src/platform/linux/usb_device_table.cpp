#include "platform/linux/usb_device_table.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brisa::platform {

namespace {

constexpr auto kRescanWithoutMonitor = std::chrono::seconds(1);
constexpr int kMonitorBufferBytes = 1 << 20;

bool heldByKernelDriver(udev_device* usbInterface) {
  const char* driver = udev_device_get_driver(usbInterface);
  return driver != nullptr && std::strcmp(driver, "usbfs") != 0;
}

bool opensForReadWrite(const char* devnode) {
  if (devnode == nullptr) return false;
  const int fd = ::open(devnode, O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

bool isFreeUsbDevice(udev* context, udev_device* usbDevice) {
  for (const UdevDevicePtr& usbInterface : devicesOf(context, "usb", "usb_interface", usbDevice)) {
    if (heldByKernelDriver(usbInterface.get())) return false;
  }
  return opensForReadWrite(udev_device_get_devnode(usbDevice));
}

UsbDeviceTable::UsbDeviceTable(udev* context) : context_(context) {
  // Listening starts before the first scan, so nothing that happens in between is missed.
  monitor_.reset(context_ != nullptr ? udev_monitor_new_from_netlink(context_, "udev") : nullptr);
  if (monitor_ &&
      (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "usb", nullptr) < 0 ||
       udev_monitor_enable_receiving(monitor_.get()) < 0)) {
    monitor_.reset();
  }
  if (monitor_) udev_monitor_set_receive_buffer_size(monitor_.get(), kMonitorBufferBytes);
  rescan();
}

void UsbDeviceTable::rescan() {
  free_.clear();
  lastScan_ = std::chrono::steady_clock::now();
  if (context_ == nullptr) return;
  for (const UdevDevicePtr& device : devicesOf(context_, "usb", "usb_device")) {
    if (isFreeUsbDevice(context_, device.get()))
      free_.push_back(udev_device_get_syspath(device.get()));
  }
}

// An event on a device or on one of its interfaces (a driver bound or let go) may change
// whether the device is free; the device is judged again as it is now.
void UsbDeviceTable::reconsider(udev_device* device, const char* action) {
  const std::string devtype = textOr(udev_device_get_devtype(device));
  std::string syspath;
  if (devtype == "usb_device") {
    syspath = textOr(udev_device_get_syspath(device));
  } else if (udev_device* parent =
                 udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device")) {
    syspath = textOr(udev_device_get_syspath(parent));
  } else {
    return;
  }
  const bool gone =
      devtype == "usb_device" && action != nullptr && std::strcmp(action, "remove") == 0;
  const UdevDevicePtr now = gone ? nullptr : deviceAt(context_, syspath);
  const bool isFree = now && isFreeUsbDevice(context_, now.get());
  const auto at = std::find(free_.begin(), free_.end(), syspath);
  if (isFree && at == free_.end()) free_.push_back(syspath);
  if (!isFree && at != free_.end()) free_.erase(at);
}

const std::vector<std::string>& UsbDeviceTable::current() {
  if (!monitor_) {
    if (std::chrono::steady_clock::now() - lastScan_ >= kRescanWithoutMonitor) rescan();
    return free_;
  }
  // Nearly every call finds nothing: one poll says so, cheaper than a receive that fails.
  pollfd ready{udev_monitor_get_fd(monitor_.get()), POLLIN, 0};
  if (::poll(&ready, 1, 0) == 0) return free_;
  for (;;) {
    errno = 0;
    UdevDevicePtr event(udev_monitor_receive_device(monitor_.get()));
    if (!event) {
      // Events were dropped (the queue overflowed): only a new scan tells what is there.
      if (errno == ENOBUFS) rescan();
      return free_;
    }
    reconsider(event.get(), udev_device_get_action(event.get()));
  }
}

bool UsbDeviceTable::holds(const std::string& syspath) const {
  return std::find(free_.begin(), free_.end(), syspath) != free_.end();
}

}  // namespace brisa::platform
