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

std::string StringOrUnknown(platform::Usb& usb, platform::UsbDeviceHandle* handle,
                            std::uint8_t index) {
  if (index == 0) return "UNKNOWN";
  std::array<char, kNameBufferSize> text{};
  const int count = UsbGetStringDescriptorAscii(usb, handle, index, text);
  if (count < 1) return "UNKNOWN";
  return std::string(text.data(), static_cast<std::size_t>(count));
}

}  // namespace

int UsbGetStringDescriptorAscii(platform::Usb& usb, platform::UsbDeviceHandle* handle,
                                std::uint8_t index, std::span<char> out) {
  std::array<std::uint8_t, kDescriptorRequestLength> buffer{};
  int received = usb.controlTransfer(handle, kUsbRequestTypeStandardIn, kUsbRequestGetDescriptor,
                                     kUsbDescriptorTypeString << 8, 0, buffer.data(),
                                     kDescriptorRequestLength, kDescriptorTimeoutMs);
  if (received < 0) return received;
  if (received < 4 || buffer[0] < 4 || buffer[1] != kUsbDescriptorTypeString) return -1;
  const auto language = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));

  received =
      usb.controlTransfer(handle, kUsbRequestTypeStandardIn, kUsbRequestGetDescriptor,
                          static_cast<std::uint16_t>((kUsbDescriptorTypeString << 8) | index),
                          language, buffer.data(), kDescriptorRequestLength, kDescriptorTimeoutMs);
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

void DfuProbeConfigurations(DfuState& state, platform::Usb& usb, platform::UsbDevice* device,
                            const platform::UsbDeviceDescriptor& descriptor) {
  platform::UsbDeviceHandle* handle = state.pDfuHandle;
  if (handle == nullptr || device == nullptr) return;

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
          usb.controlTransfer(handle, kUsbRequestTypeStandardIn, kUsbRequestGetDescriptor,
                              kUsbDescriptorTypeDfuFunctional << 8, 0, bytes.data(),
                              kFunctionalSize, kDescriptorTimeoutMs);
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
        record.altName = StringOrUnknown(usb, handle, alt.iInterface);
        record.serialNumber = StringOrUnknown(usb, handle, descriptor.iSerialNumber);
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
