#include "platform/sim/usb_descriptor_parser.h"

#include <optional>

namespace brisa::platform::sim {
namespace {

constexpr std::size_t kConfigSize = 9;
constexpr std::size_t kInterfaceSize = 9;
constexpr std::size_t kEndpointSize = 7;
constexpr std::size_t kAudioEndpointSize = 9;
constexpr std::uint8_t kMaxInterfaces = 32;
constexpr std::uint8_t kMaxEndpoints = 32;

std::uint16_t le16(std::span<const std::uint8_t> raw, std::size_t at) {
  return static_cast<std::uint16_t>(raw[at] | raw[at + 1] << 8);
}

// A cursor over the raw run; `done` set when a descriptor claims more bytes than remain, which
// libusb takes as the end of what the device gave.
struct Cursor {
  std::span<const std::uint8_t> rest;
  bool truncated = false;

  std::uint8_t length() const { return rest[0]; }
  std::uint8_t type() const { return rest[1]; }
  void skip(std::size_t n) { rest = rest.subspan(n); }
};

bool isStructural(std::uint8_t type) {
  return type == kUsbDescriptorTypeInterface || type == kUsbDescriptorTypeEndpoint ||
         type == kUsbDescriptorTypeConfig || type == kUsbDescriptorTypeDevice;
}

// Collects the class- or vendor-specific descriptors up to the next structural one.
// nullopt: a descriptor shorter than its own header (an error for libusb).
std::optional<std::vector<std::uint8_t>> takeExtra(Cursor& at) {
  std::vector<std::uint8_t> extra;
  while (at.rest.size() >= 2) {
    if (at.length() < 2) return std::nullopt;
    if (at.length() > at.rest.size()) {
      at.truncated = true;
      return extra;
    }
    if (isStructural(at.type())) break;
    extra.insert(extra.end(), at.rest.begin(), at.rest.begin() + at.length());
    at.skip(at.length());
  }
  return extra;
}

// 1 parsed, 0 stop here (the rest is ignored), negative an error.
int parseEndpoint(Cursor& at, UsbEndpointDescriptor& out) {
  if (at.rest.size() < 2) return 0;
  if (at.type() != kUsbDescriptorTypeEndpoint) return 0;
  if (at.length() < kEndpointSize) return kUsbErrorIo;
  if (at.length() > at.rest.size()) return 0;
  out.bLength = at.rest[0];
  out.bDescriptorType = at.rest[1];
  out.bEndpointAddress = at.rest[2];
  out.bmAttributes = at.rest[3];
  out.wMaxPacketSize = le16(at.rest, 4);
  out.bInterval = at.rest[6];
  at.skip(at.length());
  auto extra = takeExtra(at);
  if (!extra) return kUsbErrorIo;
  out.extra = std::move(*extra);
  return 1;
}

// Parses the alternate settings of one interface. 1 parsed something, 0 nothing, negative error.
int parseInterface(Cursor& at, UsbInterface& out) {
  int interfaceNumber = -1;
  while (at.rest.size() >= kInterfaceSize) {
    if (at.type() != kUsbDescriptorTypeInterface) break;
    if (at.length() < kInterfaceSize) return kUsbErrorIo;
    if (at.length() > at.rest.size()) break;
    if (at.rest[4] > kMaxEndpoints) return kUsbErrorIo;
    UsbInterfaceDescriptor& alt = out.altsetting.emplace_back();
    alt.bLength = at.rest[0];
    alt.bDescriptorType = at.rest[1];
    alt.bInterfaceNumber = at.rest[2];
    alt.bAlternateSetting = at.rest[3];
    alt.bNumEndpoints = at.rest[4];
    alt.bInterfaceClass = at.rest[5];
    alt.bInterfaceSubClass = at.rest[6];
    alt.bInterfaceProtocol = at.rest[7];
    alt.iInterface = at.rest[8];
    if (interfaceNumber < 0) interfaceNumber = alt.bInterfaceNumber;
    at.skip(alt.bLength);
    auto extra = takeExtra(at);
    if (!extra) return kUsbErrorIo;
    // libusb keeps the extra bytes of an alternate setting only when its run ended cleanly.
    if (at.truncated) return 1;
    alt.extra = std::move(*extra);
    for (std::uint8_t e = 0; e < alt.bNumEndpoints; ++e) {
      UsbEndpointDescriptor endpoint;
      const int result = parseEndpoint(at, endpoint);
      if (result < 0) return result;
      if (result == 0) {
        alt.bNumEndpoints = e;
        break;
      }
      alt.endpoint.push_back(std::move(endpoint));
    }
    if (at.rest.size() < kInterfaceSize || at.type() != kUsbDescriptorTypeInterface ||
        at.rest[2] != interfaceNumber) {
      break;
    }
  }
  return out.altsetting.empty() ? 0 : 1;
}

}  // namespace

int parseDeviceDescriptor(std::span<const std::uint8_t> raw, UsbDeviceDescriptor& out) {
  if (raw.size() < 18) return kUsbErrorIo;
  out.bLength = raw[0];
  out.bDescriptorType = raw[1];
  out.bcdUSB = le16(raw, 2);
  out.bDeviceClass = raw[4];
  out.bDeviceSubClass = raw[5];
  out.bDeviceProtocol = raw[6];
  out.bMaxPacketSize0 = raw[7];
  out.idVendor = le16(raw, 8);
  out.idProduct = le16(raw, 10);
  out.bcdDevice = le16(raw, 12);
  out.iManufacturer = raw[14];
  out.iProduct = raw[15];
  out.iSerialNumber = raw[16];
  out.bNumConfigurations = raw[17];
  return kUsbSuccess;
}

int parseConfigDescriptor(std::span<const std::uint8_t> raw, UsbConfigDescriptor& out) {
  out = UsbConfigDescriptor{};
  if (raw.size() < kConfigSize || raw[1] != kUsbDescriptorTypeConfig || raw[0] < kConfigSize ||
      raw[0] > raw.size() || raw[4] > kMaxInterfaces) {
    return kUsbErrorIo;
  }
  out.bLength = raw[0];
  out.bDescriptorType = raw[1];
  out.wTotalLength = le16(raw, 2);
  out.bNumInterfaces = raw[4];
  out.bConfigurationValue = raw[5];
  out.iConfiguration = raw[6];
  out.bmAttributes = raw[7];
  out.MaxPower = raw[8];

  Cursor at{raw.subspan(out.bLength)};
  for (std::uint8_t i = 0; i < out.bNumInterfaces; ++i) {
    auto extra = takeExtra(at);
    if (!extra) return kUsbErrorIo;
    out.extra.insert(out.extra.end(), extra->begin(), extra->end());
    if (at.truncated) {
      out.bNumInterfaces = i;
      break;
    }
    UsbInterface interface;
    const int result = parseInterface(at, interface);
    if (result < 0) return result;
    if (result == 0) {
      out.bNumInterfaces = i;
      break;
    }
    out.interface.push_back(std::move(interface));
    if (at.truncated) {
      out.bNumInterfaces = static_cast<std::uint8_t>(i + 1);
      break;
    }
  }
  out.interface.resize(out.bNumInterfaces);
  return kUsbSuccess;
}

}  // namespace brisa::platform::sim
