#include "platform/linux/hidraw_hid.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <vector>

#include "platform/property_limits.h"

namespace brisa::platform {

namespace {

HidOpenError openErrorOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return HidOpenError::AccessDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return HidOpenError::NotFound;
    default:
      return HidOpenError::Refused;
  }
}

int openNode(const std::string& devnode, int flags) {
  int fd = -1;
  do {
    fd = ::open(devnode.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// More than a hidraw report can be, so one read() takes any report whole.
constexpr std::size_t kLongestReport = 16384;
// A device that sends faster than one drain reads is not read forever.
constexpr std::size_t kMostReportsPerDrain = 4096;

}  // namespace

HidrawHid::HidrawHid(std::shared_ptr<HidrawCatalog> catalog)
    : catalog_(std::move(catalog)), udev_(udev_new()) {}

HidOpenResult HidrawHid::openDevice(std::string_view path, HidAccess access) {
  std::optional<HidrawMatch> match;
  {
    std::lock_guard lock(mutex_);
    if (udev_) match = findHidraw(udev_.get(), path, *catalog_);
  }
  if (!match || match->node.devnode.empty()) return {nullptr, HidOpenError::NotFound};
  const bool keyboard = match->node.collections[match->collection].info.isKeyboard();
  if (access == HidAccess::ReadWrite && keyboard) {
    // A keyboard collection is reached through a query handle; one this user may not even
    // read is a board without the udev rule, not a keyboard.
    const int error = nodeAccessError(match->node.devnode, R_OK);
    return {nullptr, error == 0 ? HidOpenError::Refused : openErrorOf(error)};
  }

  int fd = -1;
  if (access == HidAccess::ReadWrite) {
    fd = openNode(match->node.devnode, O_RDWR);
    if (fd < 0) return {nullptr, openErrorOf(errno)};
  } else if (::access(match->node.devnode.c_str(), F_OK) != 0) {
    return {nullptr, HidOpenError::NotFound};
  }
  return {std::make_unique<HidrawDevice>(fd, std::move(match->node), match->collection, access),
          HidOpenError::None};
}

HidrawDevice::HidrawDevice(int fd, HidrawNode node, std::size_t collection, HidAccess access)
    : node_(std::move(node)),
      collection_(collection),
      access_(access),
      fd_(fd),
      opened_(access != HidAccess::QueryOnly) {}

HidrawDevice::~HidrawDevice() {
  if (fd_ >= 0) ::close(fd_);
}

int HidrawDevice::featureFd() {
  if (!queryOnly()) return fd_;
  std::lock_guard lock(fdMutex_);
  // Querying needs no access to the node: without it only the feature reports fail.
  if (!opened_) fd_ = openNode(node_.devnode, O_RDONLY);
  opened_ = true;
  return fd_;
}

bool HidrawDevice::present() const {
  if (!queryOnly()) {
    hidraw_devinfo info{};
    return ::ioctl(fd_, HIDIOCGRAWINFO, &info) >= 0;
  }
  return ::access(node_.syspath.c_str(), F_OK) == 0;
}

std::optional<HidAttributes> HidrawDevice::attributes() {
  if (queryOnly()) {
    if (!present()) return std::nullopt;
    return HidAttributes{node_.vendorId, node_.productId, node_.versionNumber};
  }
  hidraw_devinfo info{};
  if (::ioctl(fd_, HIDIOCGRAWINFO, &info) < 0) return std::nullopt;
  return HidAttributes{static_cast<std::uint16_t>(info.vendor),
                       static_cast<std::uint16_t>(info.product), node_.versionNumber};
}

std::optional<HidCaps> HidrawDevice::capabilities() {
  const HidCollectionInfo* info = &node_.collections[collection_].info;
  std::vector<HidCollectionInfo> live;
  if (!queryOnly()) {
    int size = 0;
    if (::ioctl(fd_, HIDIOCGRDESCSIZE, &size) < 0 || size < 0) return std::nullopt;
    hidraw_report_descriptor descriptor{};
    descriptor.size =
        std::min<std::uint32_t>(static_cast<std::uint32_t>(size), HID_MAX_DESCRIPTOR_SIZE);
    if (::ioctl(fd_, HIDIOCGRDESC, &descriptor) < 0) return std::nullopt;
    live = parseReportDescriptor(std::span(descriptor.value, descriptor.size));
    info = collection_ < live.size() ? &live[collection_] : nullptr;
  } else if (!present()) {
    return std::nullopt;
  }
  if (info == nullptr) return HidCaps{};
  return HidCaps{info->inputReportBytes, info->featureReportBytes};
}

std::optional<std::string> HidrawDevice::productString() {
  if (!node_.productString || !fitsProductString(*node_.productString) || !present()) {
    return std::nullopt;
  }
  return node_.productString;
}

bool HidrawDevice::getFeature(std::span<std::uint8_t> buffer) {
  if (buffer.empty() || buffer.size() > kLongestReport) return false;
  const int fd = featureFd();
  return fd >= 0 && ::ioctl(fd, HIDIOCGFEATURE(buffer.size()), buffer.data()) >= 0;
}

bool HidrawDevice::setFeature(std::span<const std::uint8_t> buffer) {
  if (buffer.empty() || buffer.size() > kLongestReport) return false;
  const int fd = featureFd();
  std::vector<std::uint8_t> copy(buffer.begin(), buffer.end());  // the ioctl takes it writable
  return fd >= 0 && ::ioctl(fd, HIDIOCSFEATURE(copy.size()), copy.data()) >= 0;
}

bool HidrawDevice::numbered() const {
  const auto& ids = node_.collections[collection_].info.inputReportIds;
  return !ids.empty() && ids.front() != 0;
}

bool HidrawDevice::belongsHere(std::uint8_t reportId) const {
  // One node carries the reports of all its collections; each interface sees its own.
  if (node_.collections.size() < 2 || !numbered()) return true;
  const auto& ids = node_.collections[collection_].info.inputReportIds;
  return std::find(ids.begin(), ids.end(), reportId) != ids.end();
}

InputRead HidrawDevice::readInput(std::span<std::uint8_t> buffer, std::size_t length) {
  if (!readsInput() || length == 0 || buffer.size() < length) return InputRead{};
  const std::size_t room = buffer.size() / length;
  std::deque<std::vector<std::uint8_t>> newest;
  const auto keep = [&](const std::uint8_t* report, std::size_t bytes) {
    if (!belongsHere(report[0])) return;
    // Every report fills one slot of the length asked for, padded; an unnumbered report gets
    // the zero id byte that its length counts. One that does not fit is not the report the
    // caller knows, and a part of it would be read as another.
    const std::size_t skip = numbered() ? 0 : 1;
    if (bytes + skip > length) return;
    std::vector<std::uint8_t> slot(length, 0);
    std::copy_n(report, bytes, slot.begin() + skip);
    newest.push_back(std::move(slot));
    if (newest.size() > room) newest.pop_front();
  };
  std::array<std::uint8_t, kLongestReport> report;  // every read fills what it returns
  for (std::size_t n = 0; n < kMostReportsPerDrain; ++n) {
    const ssize_t got = ::read(fd_, report.data(), report.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (got <= 0) return InputRead{};  // gone, or an error the next call meets again
    keep(report.data(), static_cast<std::size_t>(got));
  }
  if (newest.empty()) return InputRead{InputReadStatus::Pending, 0};
  std::size_t at = 0;
  for (const auto& slot : newest) {
    std::copy(slot.begin(), slot.end(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
    at += slot.size();
  }
  return InputRead{InputReadStatus::Completed, at};
}

void HidrawDevice::waitForInput(Doorbell& bell) {
  if (!readsInput() || bell.fd() < 0) {
    bell.wait();
    return;
  }
  pollfd ready[2] = {{bell.fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
  while (::poll(ready, 2, -1) < 0 && errno == EINTR) {
  }
  // A node whose device has gone stays readable for ever: only the bell may end the next wait.
  if ((ready[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
      (ready[0].revents & POLLIN) == 0) {
    bell.wait();
    return;
  }
  bell.clear();
}

}  // namespace brisa::platform
