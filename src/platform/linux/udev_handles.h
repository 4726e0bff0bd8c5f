#pragma once

// Owning handles for libudev objects, and the few reads every Linux seam makes of a device.

#include <libudev.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa::platform {

struct UdevUnref {
  void operator()(udev* p) const { udev_unref(p); }
  void operator()(udev_device* p) const { udev_device_unref(p); }
  void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
  void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};
using UdevPtr = std::unique_ptr<udev, UdevUnref>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevUnref>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevUnref>;

// A device by its sysfs path; null when it is not there (any more).
UdevDevicePtr deviceAt(udev* context, const std::string& syspath);

// The devices of a subsystem (and devtype, when given) in the order udev lists them, optionally
// only those below `parent`.
std::vector<UdevDevicePtr> devicesOf(udev* context, const char* subsystem,
                                     const char* devtype = nullptr, udev_device* parent = nullptr);

// The sysfs paths of a class's devices, read from /sys/class/<name> without reading any device,
// in the order udev enumerates them (by path).
std::vector<std::string> classMembers(const char* name);

std::optional<std::string> propertyOf(udev_device* device, const char* name);
std::optional<std::string> attributeOf(udev_device* device, const char* name);
std::string textOr(const char* text, std::string_view fallback = {});
// Whether a sysfs path is that of a device below `device` (an interface, a node, a child).
bool isBelow(std::string_view syspath, std::string_view device);

// A hexadecimal number, the whole text (no sign, no blanks, no "0x"); absent otherwise.
std::optional<std::uint32_t> parseHex(std::string_view text);

// A sysfs file's bytes as they are (binary attributes that libudev reads as text).
std::optional<std::vector<std::uint8_t>> readSysfsFile(const std::string& path);

// 0 when this process may open the device node with `mode` (R_OK, W_OK), else the errno an
// open would meet (EACCES, ENOENT...). Judged from the node's rights, ACLs and this process's
// capabilities, without opening the device: an open would wake it from autosuspend.
int nodeAccessError(const std::string& devnode, int mode);

}  // namespace brisa::platform
