#include "platform/linux/device_changes.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brisa::platform {

namespace {

constexpr int kMonitorBufferBytes = 1 << 20;
// Past this many devices with events, the record starts again (as after a loss) rather than grow.
constexpr std::size_t kMostRecorded = 4096;
// Likewise past this many removals: each leaves the record of a device that is gone for good (a
// device plugged in again comes back at another path, its HID device's number goes up), so
// without this the record would grow with every plug.
constexpr std::size_t kMostRemovals = 256;

}  // namespace

DeviceChanges::DeviceChanges() : udev_(udev_new()) {
  if (udev_) monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
  if (monitor_ && udev_monitor_enable_receiving(monitor_.get()) < 0) monitor_.reset();
  if (monitor_) {
    udev_monitor_set_receive_buffer_size(monitor_.get(), kMonitorBufferBytes);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) monitor_.reset();
  }
  if (monitor_) watcher_ = std::thread([this] { watch(); });
}

DeviceChanges::~DeviceChanges() {
  if (watcher_.joinable()) {
    const std::uint64_t one = 1;
    while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    watcher_.join();
  }
  if (wake_ >= 0) ::close(wake_);
}

void DeviceChanges::watch() {
  pollfd fds[2] = {{udev_monitor_get_fd(monitor_.get()), POLLIN, 0}, {wake_, POLLIN, 0}};
  for (;;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0 || (fds[0].revents & POLLNVAL) != 0) return;
    std::lock_guard lock(mutex_);
    drainLocked();
  }
}

std::uint64_t DeviceChanges::stamp() {
  std::lock_guard lock(mutex_);
  drainLocked();
  return events_;
}

bool DeviceChanges::unchangedSince(std::string_view syspath, std::uint64_t stamp) const {
  std::lock_guard lock(mutex_);
  if (!monitor_ || stamp < trustedFrom_ || syspath.empty()) return false;
  const auto changedAfter = [stamp](std::uint64_t event) { return event > stamp; };
  // The device and those below it: their paths begin with its own.
  for (auto at = lastEvent_.lower_bound(syspath);
       at != lastEvent_.end() && at->first.starts_with(syspath); ++at) {
    if ((at->first.size() == syspath.size() || isBelow(at->first, syspath)) &&
        changedAfter(at->second)) {
      return false;
    }
  }
  // Those above it: each ancestor's path is a part of its own.
  for (std::size_t slash = syspath.rfind('/'); slash != std::string_view::npos && slash > 0;
       slash = syspath.rfind('/', slash - 1)) {
    const auto at = lastEvent_.find(syspath.substr(0, slash));
    if (at != lastEvent_.end() && changedAfter(at->second)) return false;
  }
  return true;
}

void DeviceChanges::changed(std::string_view syspath) {
  std::lock_guard lock(mutex_);
  drainLocked();
  if (lastEvent_.size() >= kMostRecorded) forgetLocked();
  lastEvent_[std::string(syspath)] = ++events_;
}

void DeviceChanges::drainLocked() {
  if (!monitor_) return;
  for (;;) {
    errno = 0;
    UdevDevicePtr event(udev_monitor_receive_device(monitor_.get()));
    if (!event) {
      if (errno == ENOBUFS) forgetLocked();
      return;
    }
    const char* syspath = udev_device_get_syspath(event.get());
    if (syspath == nullptr) continue;
    if (lastEvent_.size() >= kMostRecorded || removals_ >= kMostRemovals) forgetLocked();
    lastEvent_[syspath] = ++events_;
    const char* action = udev_device_get_action(event.get());
    if (action != nullptr && std::strcmp(action, "remove") == 0) ++removals_;
  }
}

void DeviceChanges::forgetLocked() {
  lastEvent_.clear();
  removals_ = 0;
  trustedFrom_ = ++events_;
}

}  // namespace brisa::platform
