#pragma once

#include <cstdint>
#include <span>

#include "dfu/dfu_state.h"
#include "platform/usb.h"

namespace brisa::dfu {

// Reads string descriptor `index` in the device's first language as 8-bit text: characters
// above 0xFF become '?'. Writes at most 253 characters and a NUL into `out` (at least 254
// bytes) and returns their count; a failed request gives its negative error, a malformed
// answer -1.
int UsbGetStringDescriptorAscii(platform::Usb& usb, platform::UsbDeviceHandle* handle,
                                std::uint8_t index, std::span<char> out);

// Walks the configurations of the open bootloader (state.pDfuHandle) and pushes one record per
// qualifying DFU alternate setting at the head of state.pDfuInterfaces.
void DfuProbeConfigurations(DfuState& state, platform::Usb& usb, platform::UsbDevice* device,
                            const platform::UsbDeviceDescriptor& descriptor);

// Drops every record with its device reference; the list is empty afterwards.
void ReleaseDfuInterfaces(DfuState& state, platform::Usb& usb);

}  // namespace brisa::dfu
