#include "dfu/dfu_probe.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace brisa::dfu {
namespace {

using platform::kUsbDescriptorTypeDfuFunctional;
using platform::kUsbDescriptorTypeString;
using platform::kUsbRequestGetDescriptor;
using platform::kUsbRequestTypeStandardIn;

constexpr unsigned kDescriptorTimeoutMs = 1000;
constexpr std::uint16_t kDescriptorRequestLength = 255;
constexpr std::size_t kFunctionalSize = 9;
constexpr std::size_t kNameBufferSize = 254;
constexpr std::uint8_t kDfuClass = 0xFE;
constexpr std::uint8_t kDfuSubClass = 0x01;

using FunctionalBytes = std::array<std::uint8_t, kFunctionalSize>;

// The descriptor requests of one probe on the open bootloader, each with the descriptor
// time-out cut to what is left of the probe's budget.
class DescriptorRequests {
 public:
  DescriptorRequests(platform::Usb& usb, platform::UsbDeviceHandle* handle, platform::Clock* clock)
      : usb_(usb),
        handle_(handle),
        clock_(clock),
        deadline_(clock != nullptr ? clock->nowMs() + kProbeBudgetMs : 0) {}

  int get(std::uint16_t value, std::uint16_t index, std::uint8_t* data, std::uint16_t length) {
    unsigned timeout = kDescriptorTimeoutMs;
    if (clock_ != nullptr) {
      const std::uint64_t now = clock_->nowMs();
      if (now >= deadline_) return platform::kUsbErrorTimeout;
      timeout = static_cast<unsigned>(std::min<std::uint64_t>(timeout, deadline_ - now));
    }
    return usb_.controlTransfer(handle_, kUsbRequestTypeStandardIn, kUsbRequestGetDescriptor, value,
                                index, data, length, timeout);
  }

 private:
  platform::Usb& usb_;
  platform::UsbDeviceHandle* const handle_;
  platform::Clock* const clock_;
  const std::uint64_t deadline_;
};

int StringDescriptorAscii(DescriptorRequests& requests, std::uint8_t index, std::span<char> out);

// Finds the first descriptor of the functional type in a run of extra bytes and copies what
// there is of its first 9 bytes into fd.
bool FindFunctional(const std::vector<std::uint8_t>& extra, FunctionalBytes& fd) {
  const std::size_t n = extra.size();
  if (n < 2) return false;
  for (std::size_t p = 0; p + 1 < n;) {
    const std::size_t len = extra[p];
    if (len == 0) return false;
    if (extra[p + 1] == kUsbDescriptorTypeDfuFunctional) {
      const std::size_t count = std::min({len, kFunctionalSize, n - p});
      std::copy_n(extra.begin() + static_cast<std::ptrdiff_t>(p), count, fd.begin());
      return true;
    }
    p += len;
  }
  return false;
}

DfuFunctionalDescriptor Decode(const FunctionalBytes& fd) {
  auto word = [&fd](std::size_t at) {
    return static_cast<std::uint16_t>(fd[at] | (fd[at + 1] << 8));
  };
  return {fd[0], fd[1], fd[2], word(3), word(5), word(7)};
}

// Fills in what a short functional descriptor leaves out.
void Complete(DfuFunctionalDescriptor& fd) {
  if (fd.bLength == 7) {
    fd.bcdDFUVersion = 0x0100;
  } else if (fd.bLength < kFunctionalSize) {
    fd.bcdDFUVersion = 0x0100;
    fd.wTransferSize = 0;
  }
}

bool IsDfuAltSetting(const platform::UsbInterfaceDescriptor& alt) {
  return alt.bInterfaceClass == kDfuClass && alt.bInterfaceSubClass == kDfuSubClass;
}

bool InDfuMode(const platform::UsbInterfaceDescriptor& alt, const DfuFunctionalDescriptor& fd,
               const platform::UsbDeviceDescriptor& descriptor) {
  const std::uint8_t protocol = alt.bInterfaceProtocol;
  if (protocol == 2) return true;
  if (fd.bcdDFUVersion == 0x011A && protocol == 0) return true;
  return descriptor.idVendor == 0x1FC9 && descriptor.idProduct == 0x000C && protocol == 1;
}

std::string StringOrUnknown(DescriptorRequests& requests, std::uint8_t index) {
  if (index == 0) return "UNKNOWN";
  std::array<char, kNameBufferSize> text{};
  const int count = StringDescriptorAscii(requests, index, text);
  if (count < 1) return "UNKNOWN";
  return std::string(text.data(), static_cast<std::size_t>(count));
}

int StringDescriptorAscii(DescriptorRequests& requests, std::uint8_t index, std::span<char> out) {
  std::array<std::uint8_t, kDescriptorRequestLength> buffer{};
  int received =
      requests.get(kUsbDescriptorTypeString << 8, 0, buffer.data(), kDescriptorRequestLength);
  if (received < 0) return received;
  if (received < 4 || buffer[0] < 4 || buffer[1] != kUsbDescriptorTypeString) return -1;
  const auto language = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));

  received = requests.get(static_cast<std::uint16_t>((kUsbDescriptorTypeString << 8) | index),
                          language, buffer.data(), kDescriptorRequestLength);
  if (received < 0) return received;
  if (out.empty()) return -1;
  if (received < 2) {
    out[0] = '\0';
    return 0;
  }
  if (buffer[1] != kUsbDescriptorTypeString) return -1;

  const std::size_t length = std::min<std::size_t>(buffer[0], static_cast<std::size_t>(received));
  const std::size_t capacity = std::min<std::size_t>(kNameBufferSize - 1, out.size() - 1);
  std::size_t count = 0;
  // Only characters that lie wholly inside the descriptor's length count.
  for (std::size_t at = 2; at + 1 < length && count < capacity; at += 2) {
    out[count++] = buffer[at + 1] == 0 ? static_cast<char>(buffer[at]) : '?';
  }
  out[count] = '\0';
  return static_cast<int>(count);
}

}  // namespace

int UsbGetStringDescriptorAscii(platform::Usb& usb, platform::UsbDeviceHandle* handle,
                                std::uint8_t index, std::span<char> out) {
  DescriptorRequests requests(usb, handle, nullptr);
  return StringDescriptorAscii(requests, index, out);
}

void DfuProbeConfigurations(DfuState& state, platform::Usb& usb, platform::UsbDevice* device,
                            const platform::UsbDeviceDescriptor& descriptor,
                            platform::Clock* clock) {
  platform::UsbDeviceHandle* handle = state.pDfuHandle;
  if (handle == nullptr || device == nullptr) return;
  DescriptorRequests requests(usb, handle, clock);

  for (std::uint8_t c = 0; c != descriptor.bNumConfigurations; ++c) {
    FunctionalBytes bytes{};
    bool dfuAltSeen = false;
    platform::UsbConfigDescriptor config;
    if (usb.getConfigDescriptor(device, c, config) != platform::kUsbSuccess) return;

    bool found = FindFunctional(config.extra, bytes);
    for (const auto& interface : config.interface) {
      for (const auto& alt : interface.altsetting) {
        if (found) break;
        if (!IsDfuAltSetting(alt)) continue;
        found = FindFunctional(alt.extra, bytes);
        dfuAltSeen = dfuAltSeen || !found;
      }
    }
    if (!found && !dfuAltSeen) continue;

    DfuFunctionalDescriptor fd;
    if (found) {
      fd = Decode(bytes);
      Complete(fd);
    } else {
      // Not in the configuration: ask the device for it.
      const int got =
          requests.get(kUsbDescriptorTypeDfuFunctional << 8, 0, bytes.data(), kFunctionalSize);
      fd = Decode(bytes);
      if (got < 0) {
        fd.bLength = 7;
        fd.bcdDFUVersion = 0x0100;
      } else {
        Complete(fd);
      }
    }

    for (const auto& interface : config.interface) {
      for (std::size_t a = 0; a < interface.altsetting.size(); ++a) {
        const auto& alt = interface.altsetting[a];
        if (!IsDfuAltSetting(alt)) continue;
        const bool dfuMode = InDfuMode(alt, fd, descriptor);
        // A DFU-mode interface shows every memory as one alternate setting; keep the one asked for.
        if (dfuMode && state.dfuAltIndex >= 0 && a != static_cast<std::size_t>(state.dfuAltIndex)) {
          continue;
        }
        DfuInterface record;
        record.functionalDescriptor = fd;
        record.busNumber = usb.getBusNumber(device);
        record.deviceAddress = usb.getDeviceAddress(device);
        record.vendorId = descriptor.idVendor;
        record.productId = descriptor.idProduct;
        record.bcdDevice = descriptor.bcdDevice;
        record.configurationValue = config.bConfigurationValue;
        record.interfaceNumber = alt.bInterfaceNumber;
        record.altSetting = alt.bAlternateSetting;
        record.flags = dfuMode ? kDfuIffDfu : 0;
        record.maxPacketSize0 = descriptor.bMaxPacketSize0;
        record.altName = StringOrUnknown(requests, alt.iInterface);
        record.serialNumber = StringOrUnknown(requests, descriptor.iSerialNumber);
        record.device = usb.refDevice(device);
        state.pDfuInterfaces.push_front(std::move(record));
      }
    }
  }
}

void ReleaseDfuInterfaces(DfuState& state, platform::Usb& usb) {
  for (const DfuInterface& record : state.pDfuInterfaces) {
    if (record.device != nullptr) usb.unrefDevice(record.device);
  }
  state.pDfuInterfaces.clear();
}

}  // namespace brisa::dfu
