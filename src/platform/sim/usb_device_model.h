#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brisa::platform::sim {

// The setup packet of a control request, as it travels on the bus.
struct UsbSetup {
  std::uint8_t bmRequestType = 0;
  std::uint8_t bRequest = 0;
  std::uint16_t wValue = 0;
  std::uint16_t wIndex = 0;
  std::uint16_t wLength = 0;

  bool deviceToHost() const { return (bmRequestType & 0x80) != 0; }
};

// How a simulated device answers a request. A backend turns these into its own codes (the
// in-process seam into libusb errors, a usbdevfs handler into errno values and URB statuses).
enum class UsbOutcome {
  kOk,
  kStall,     // the request is refused with a STALL handshake
  kTimeout,   // the device never answers
  kGone,      // the device has left the bus
  kBusy,      // the interface is held by another driver
  kDenied,    // no permission to open the device node
  kNotFound,  // no such interface or alternate setting
};

struct UsbReply {
  UsbOutcome outcome = UsbOutcome::kOk;
  std::size_t length = 0;  // bytes answered (device to host) or taken (host to device)
};

// A simulated USB device as the bus sees it: raw descriptors and answers to raw requests. It
// knows nothing of the backend that delivers it, so the same model serves the in-process seam
// and an emulated device node.
class UsbDeviceModel {
 public:
  virtual ~UsbDeviceModel() = default;

  // False once the device has left the bus; a device that comes back counts a new connection.
  virtual bool present() const = 0;
  virtual unsigned connection() const = 0;

  virtual std::uint8_t busNumber() const = 0;
  virtual std::uint8_t deviceAddress() const = 0;

  // The 18 bytes of the device descriptor.
  virtual std::vector<std::uint8_t> deviceDescriptor() const = 0;
  // Configuration descriptor `index` with everything that follows it (wTotalLength bytes);
  // empty when there is no such configuration.
  virtual std::vector<std::uint8_t> configDescriptor(std::uint8_t index) const = 0;

  virtual UsbOutcome open() = 0;
  virtual UsbOutcome claimInterface(std::uint8_t interfaceNumber) = 0;
  virtual UsbOutcome setInterface(std::uint8_t interfaceNumber, std::uint8_t alternateSetting) = 0;

  // One control request. For device-to-host requests `data` has room for wLength bytes and
  // receives the answer; otherwise it holds the wLength bytes sent.
  virtual UsbReply control(const UsbSetup& setup, std::span<std::uint8_t> data) = 0;
};

// The device descriptor followed by every configuration descriptor: what Linux keeps in the
// device's sysfs "descriptors" file.
std::vector<std::uint8_t> sysfsDescriptors(const UsbDeviceModel& model);

}  // namespace brisa::platform::sim
