#pragma once

#include <cstdint>
#include <span>

#include "platform/usb.h"

namespace brisa::platform::sim {

// Reads raw descriptors the way libusb-1.0 does, so a simulated device gives the DFU code the
// same structures (and the same refusals) a real one would.

// kUsbSuccess, or kUsbErrorIo when fewer than 18 bytes are given.
int parseDeviceDescriptor(std::span<const std::uint8_t> raw, UsbDeviceDescriptor& out);

// A configuration descriptor with its interfaces, alternate settings, endpoints and the
// class-specific bytes between them. kUsbErrorIo for what libusb refuses (a header too short,
// a descriptor shorter than two bytes inside the run); a run cut short ends the parse with what
// was read, as libusb does.
int parseConfigDescriptor(std::span<const std::uint8_t> raw, UsbConfigDescriptor& out);

}  // namespace brisa::platform::sim
