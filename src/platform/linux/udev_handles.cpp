#include "platform/linux/udev_handles.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace brisa::platform {

UdevDevicePtr deviceAt(udev* context, const std::string& syspath) {
  return UdevDevicePtr(udev_device_new_from_syspath(context, syspath.c_str()));
}

std::vector<UdevDevicePtr> devicesOf(udev* context, const char* subsystem, const char* devtype,
                                     udev_device* parent) {
  std::vector<UdevDevicePtr> result;
  UdevEnumeratePtr enumerate(udev_enumerate_new(context));
  if (!enumerate) return result;
  udev_enumerate_add_match_subsystem(enumerate.get(), subsystem);
  if (devtype != nullptr) udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", devtype);
  if (parent != nullptr) udev_enumerate_add_match_parent(enumerate.get(), parent);
  if (udev_enumerate_scan_devices(enumerate.get()) < 0) return result;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevDevicePtr device = deviceAt(context, udev_list_entry_get_name(entry));
    if (device) result.push_back(std::move(device));
  }
  return result;
}

namespace {

// A link's target as an absolute path: each ".." takes a part off `directory`.
std::string resolved(std::string directory, std::string_view target) {
  while (!target.empty()) {
    const std::size_t slash = target.find('/');
    const std::string_view part = target.substr(0, slash);
    target = slash == std::string_view::npos ? std::string_view{} : target.substr(slash + 1);
    if (part == "..") {
      directory.erase(directory.rfind('/'));
    } else if (!part.empty() && part != ".") {
      directory += "/";
      directory += part;
    }
  }
  return directory;
}

}  // namespace

std::vector<std::string> classMembers(const char* name) {
  std::vector<std::string> members;
  const std::string directory = std::string("/sys/class/") + name;
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) return members;
  while (const dirent* entry = ::readdir(listing)) {
    if (entry->d_name[0] == '.') continue;
    char target[4096];
    const std::string link = directory + "/" + entry->d_name;
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) continue;
    members.push_back(
        resolved(directory, std::string_view(target, static_cast<std::size_t>(length))));
  }
  ::closedir(listing);
  std::sort(members.begin(), members.end());
  return members;
}

std::optional<std::string> propertyOf(udev_device* device, const char* name) {
  const char* value = udev_device_get_property_value(device, name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> attributeOf(udev_device* device, const char* name) {
  const char* value = udev_device_get_sysattr_value(device, name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string textOr(const char* text, std::string_view fallback) {
  return text != nullptr ? std::string(text) : std::string(fallback);
}

bool isBelow(std::string_view syspath, std::string_view device) {
  return syspath.size() > device.size() && syspath.starts_with(device) &&
         syspath[device.size()] == '/';
}

std::optional<std::uint32_t> parseHex(std::string_view text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
  if (text.empty() || error != std::errc() || stop != end || text.front() == '-') {
    return std::nullopt;
  }
  return value;
}

std::optional<std::vector<std::uint8_t>> readSysfsFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  // Far more than a sysfs attribute holds; a file that goes on is not one.
  constexpr std::size_t kLimit = 1 << 20;
  for (;;) {
    if (bytes.size() > kLimit) {
      ::close(fd);
      return std::nullopt;
    }
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      if (n < 0) return std::nullopt;
      return bytes;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

int nodeAccessError(const std::string& devnode, int mode) {
  if (devnode.empty()) return ENOENT;
  // O_PATH reaches the inode without calling the driver's open. The check is made with the
  // effective credentials (AT_EACCESS), as open() would be; access() would use the real ones.
  const int fd = ::open(devnode.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::faccessat(fd, "", mode, AT_EACCESS | AT_EMPTY_PATH) == 0 ? 0 : errno;
  ::close(fd);
  // Kernels before 5.8 take no AT_EMPTY_PATH here; then the real credentials decide.
  if (error == EINVAL || error == ENOSYS) error = ::access(devnode.c_str(), mode) == 0 ? 0 : errno;
  return error;
}

}  // namespace brisa::platform
