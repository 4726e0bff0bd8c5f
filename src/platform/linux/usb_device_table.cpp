#include "platform/linux/usb_device_table.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace brisa::platform {

namespace {

constexpr auto kRescanWithoutMonitor = std::chrono::seconds(1);
constexpr int kMonitorBufferBytes = 1 << 20;
constexpr std::uint32_t kDfuClass = 0xFE;
constexpr std::uint32_t kDfuSubClass = 0x01;

bool heldByKernelDriver(udev_device* usbInterface) {
  const char* driver = udev_device_get_driver(usbInterface);
  return driver != nullptr && std::strcmp(driver, "usbfs") != 0;
}

bool isDfuInterface(udev_device* usbInterface) {
  const auto cls = parseHex(textOr(udev_device_get_sysattr_value(usbInterface, "bInterfaceClass")));
  const auto sub =
      parseHex(textOr(udev_device_get_sysattr_value(usbInterface, "bInterfaceSubClass")));
  return cls == kDfuClass && sub == kDfuSubClass;
}

}  // namespace

bool isFreeDfuDevice(udev* context, udev_device* usbDevice) {
  bool dfu = false;
  for (const UdevDevicePtr& usbInterface : devicesOf(context, "usb", "usb_interface", usbDevice)) {
    if (heldByKernelDriver(usbInterface.get())) return false;
    dfu = dfu || isDfuInterface(usbInterface.get());
  }
  return dfu && nodeAccessError(textOr(udev_device_get_devnode(usbDevice)), R_OK | W_OK) == 0;
}

UsbDeviceTable::UsbDeviceTable(udev* context) : context_(context) {
  // Listening starts before the first scan, so nothing that happens in between is missed.
  monitor_.reset(context_ != nullptr ? udev_monitor_new_from_netlink(context_, "udev") : nullptr);
  if (monitor_ &&
      (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "usb", nullptr) < 0 ||
       udev_monitor_enable_receiving(monitor_.get()) < 0)) {
    monitor_.reset();
  }
  if (monitor_) {
    udev_monitor_set_receive_buffer_size(monitor_.get(), kMonitorBufferBytes);
    if (wake_.fd() < 0) {
      monitor_.reset();
    } else {
      watcher_ = std::thread([this] { watch(); });
    }
  }
  rescan();
}

UsbDeviceTable::~UsbDeviceTable() {
  if (!watcher_.joinable()) return;
  stop_.store(true);
  wake_.ring();
  watcher_.join();
}

void UsbDeviceTable::watch() {
  const int monitorFd = udev_monitor_get_fd(monitor_.get());
  while (!stop_.load()) {
    // While the flag is up the events are the table's to drain: only its word is awaited.
    pollfd fds[2] = {{eventsWaiting_.load() ? -1 : monitorFd, POLLIN, 0}, {wake_.fd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0) wake_.clear();
    if (fds[0].revents != 0) eventsWaiting_.store(true, std::memory_order_release);
  }
}

void UsbDeviceTable::rescan() {
  free_.clear();
  lastScan_ = std::chrono::steady_clock::now();
  if (context_ == nullptr) return;
  for (const UdevDevicePtr& device : devicesOf(context_, "usb", "usb_device")) {
    if (isFreeDfuDevice(context_, device.get()))
      free_.push_back(udev_device_get_syspath(device.get()));
  }
}

// An event on a device or on one of its interfaces (a driver bound or let go) may change
// whether the device is free; the device is judged again as it is now. A removal frees nothing:
// it costs a look only at a device that stood in, and none at one that went.
void UsbDeviceTable::reconsider(udev_device* device, const char* action) {
  const std::string devtype = textOr(udev_device_get_devtype(device));
  std::string syspath = textOr(udev_device_get_syspath(device));
  if (devtype == "usb_interface") {
    // The device an interface belongs to, by its path: once the device has gone, sysfs would
    // name some device above it instead.
    syspath.erase(std::min(syspath.size(), syspath.rfind('/')));
  } else if (devtype != "usb_device") {
    return;
  }
  const auto at = std::find(free_.begin(), free_.end(), syspath);
  if (action != nullptr && std::strcmp(action, "remove") == 0 &&
      (devtype == "usb_device" || at == free_.end())) {
    if (at != free_.end()) free_.erase(at);
    return;
  }
  const UdevDevicePtr now = deviceAt(context_, syspath);
  const bool isFree = now && isFreeDfuDevice(context_, now.get());
  if (isFree && at == free_.end()) free_.push_back(syspath);
  if (!isFree && at != free_.end()) free_.erase(at);
}

void UsbDeviceTable::drain() {
  for (;;) {
    errno = 0;
    UdevDevicePtr event(udev_monitor_receive_device(monitor_.get()));
    if (!event) {
      // Events were dropped (the queue overflowed): only a new scan tells what is there.
      if (errno == ENOBUFS) rescan();
      break;
    }
    reconsider(event.get(), udev_device_get_action(event.get()));
  }
  // An event that came after the last receive finds the flag down and raises it again.
  eventsWaiting_.store(false, std::memory_order_release);
  wake_.ring();
}

const std::vector<std::string>& UsbDeviceTable::current() {
  if (!monitor_) {
    if (std::chrono::steady_clock::now() - lastScan_ >= kRescanWithoutMonitor) rescan();
    return free_;
  }
  if (eventsWaiting_.load(std::memory_order_acquire)) drain();
  return free_;
}

bool UsbDeviceTable::holds(const std::string& syspath) const {
  return std::find(free_.begin(), free_.end(), syspath) != free_.end();
}

}  // namespace brisa::platform
