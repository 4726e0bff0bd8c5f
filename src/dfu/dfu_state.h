#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "dfu/dfu_interface.h"
#include "dfu/dfuse_memory_layout.h"
#include "platform/doorbell.h"
#include "platform/usb.h"

namespace brisa::dfu {

// What the user interface and the firmware-download worker share. While upgradeRequest is 1
// the bootloader handle and the interface list belong to the download: selection leaves them
// alone until the worker has cleared the request.
struct DfuState {
  std::atomic<std::uint32_t> upgradeRequest{0};  // set by Upgrade, cleared when a download ends
  platform::Doorbell upgradeWake;                // rung with upgradeRequest
  // The USB library context once it has initialised; while null no bootloader can be opened.
  platform::Usb* pUsbContext = nullptr;

  // The open bootloader; null while none is open. Opened, closed and replaced by selection.
  platform::UsbDeviceHandle* pDfuHandle = nullptr;
  // The probe's records, newest first: front() is the head, the interface every request uses.
  std::deque<DfuInterface> pDfuInterfaces;
  // The alternate-setting position a DFU-mode interface must have; -1: any.
  std::int32_t dfuAltIndex = -1;

  // The download's own, used on its thread alone: the start of the page the last erase command
  // named (1 until one has) and the memory layout in force.
  std::uint32_t dfuseLastErasedPage = 1;
  std::vector<DfuseSegment> pDfuseSegments;
};

}  // namespace brisa::dfu
