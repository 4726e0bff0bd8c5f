#pragma once

#include "platform/usb.h"

struct libusb_context;

namespace brisa::platform {

// The Usb seam over libusb-1.0. Handles and devices are libusb's own objects behind the seam's
// opaque types; every call is passed through unchanged.
class LibusbUsb final : public Usb {
 public:
  // libusb takes a time-out of 0 as "wait for ever"; no request of this program may, so such a
  // request waits this long instead (the longest time-out the DFU requests use).
  static constexpr unsigned kLongestTimeoutMs = 5000;

  explicit LibusbUsb(unsigned longestTimeoutMs = kLongestTimeoutMs)
      : longestTimeoutMs_(longestTimeoutMs) {}
  ~LibusbUsb() override;
  LibusbUsb(const LibusbUsb&) = delete;
  LibusbUsb& operator=(const LibusbUsb&) = delete;

  int init() override;
  UsbDeviceHandle* openDeviceWithVidPid(std::uint16_t vendorId, std::uint16_t productId) override;
  void close(UsbDeviceHandle* handle) override;
  UsbDevice* getDevice(UsbDeviceHandle* handle) override;
  UsbDevice* refDevice(UsbDevice* device) override;
  void unrefDevice(UsbDevice* device) override;
  int getDeviceDescriptor(UsbDevice* device, UsbDeviceDescriptor& out) override;
  int getConfigDescriptor(UsbDevice* device, std::uint8_t configIndex,
                          UsbConfigDescriptor& out) override;
  std::uint8_t getBusNumber(UsbDevice* device) override;
  std::uint8_t getDeviceAddress(UsbDevice* device) override;
  int claimInterface(UsbDeviceHandle* handle, int interfaceNumber) override;
  int setInterfaceAltSetting(UsbDeviceHandle* handle, int interfaceNumber,
                             int alternateSetting) override;
  int controlTransfer(UsbDeviceHandle* handle, std::uint8_t requestType, std::uint8_t request,
                      std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                      std::uint16_t length, unsigned timeoutMs) override;
  const char* errorName(int code) override;

 private:
  libusb_context* context_ = nullptr;
  const unsigned longestTimeoutMs_;
};

}  // namespace brisa::platform
