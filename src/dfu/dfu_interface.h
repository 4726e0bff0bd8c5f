#pragma once

#include <cstdint>
#include <string>

#include "platform/usb.h"

namespace brisa::dfu {

// The DFU functional descriptor, completed by the probe where the device left fields out.
struct DfuFunctionalDescriptor {
  std::uint8_t bLength = 0;
  std::uint8_t bDescriptorType = 0;
  std::uint8_t bmAttributes = 0;
  std::uint16_t wDetachTimeOut = 0;
  std::uint16_t wTransferSize = 0;
  std::uint16_t bcdDFUVersion = 0;
};

// Bit 0 of DfuInterface::flags: the interface is in DFU mode rather than run-time mode.
inline constexpr std::uint8_t kDfuIffDfu = 0x01;

// One DFU interface alternate setting of the open bootloader.
struct DfuInterface {
  DfuFunctionalDescriptor functionalDescriptor;
  std::uint16_t quirks = 0;
  std::uint16_t busNumber = 0;
  std::uint16_t deviceAddress = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t bcdDevice = 0;
  std::uint8_t configurationValue = 0;
  std::uint8_t interfaceNumber = 0;
  std::uint8_t altSetting = 0;
  std::uint8_t flags = 0;
  std::uint8_t maxPacketSize0 = 0;
  std::string altName;       // the alternate setting's name, or "UNKNOWN"
  std::string serialNumber;  // the device's serial number, or "UNKNOWN"
  // The device, with one reference of its own; released with the record.
  platform::UsbDevice* device = nullptr;
  // Null when made; the download puts the open bootloader's handle here before using it.
  platform::UsbDeviceHandle* deviceHandle = nullptr;
};

}  // namespace brisa::dfu
