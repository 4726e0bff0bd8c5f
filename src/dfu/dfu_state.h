#pragma once

#include <atomic>
#include <cstdint>

#include "platform/usb.h"

namespace brisa::dfu {

// What the user interface and the firmware-download worker share.
struct DfuState {
  std::atomic<std::uint32_t> upgradeRequest{0};  // set by Upgrade, cleared when a download ends
  // The USB library context once it has initialised; while null no bootloader can be opened.
  platform::Usb* pUsbContext = nullptr;
};

}  // namespace brisa::dfu
