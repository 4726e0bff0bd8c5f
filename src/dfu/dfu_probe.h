#pragma once

#include <cstdint>
#include <span>

#include "dfu/dfu_state.h"
#include "platform/clock.h"
#include "platform/usb.h"

namespace brisa::dfu {

// Reads string descriptor `index` in the device's first language as 8-bit text: characters
// above 0xFF become '?'. Writes at most 253 characters and a NUL into `out` (at least 254
// bytes) and returns their count; a failed request gives its negative error, a malformed
// answer -1.
int UsbGetStringDescriptorAscii(platform::Usb& usb, platform::UsbDeviceHandle* handle,
                                std::uint8_t index, std::span<char> out);

// Every request of one probe shares this much time when a clock is given: the selection that
// probes a bootloader which answers nothing holds the window no longer.
inline constexpr std::uint32_t kProbeBudgetMs = 1000;

// Walks the configurations of the open bootloader (state.pDfuHandle) and pushes one record per
// qualifying DFU alternate setting at the head of state.pDfuInterfaces. With a clock, each
// request waits at most what is left of kProbeBudgetMs, and none is sent once it is spent (it
// counts as timed out).
void DfuProbeConfigurations(DfuState& state, platform::Usb& usb, platform::UsbDevice* device,
                            const platform::UsbDeviceDescriptor& descriptor,
                            platform::Clock* clock = nullptr);

// Drops every record with its device reference; the list is empty afterwards.
void ReleaseDfuInterfaces(DfuState& state, platform::Usb& usb);

}  // namespace brisa::dfu
