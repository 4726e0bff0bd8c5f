#pragma once

#include <cstdint>

#include "dfu/dfu_state.h"
#include "platform/clock.h"
#include "platform/usb.h"

namespace brisa::dfu {

// DFU 1.1 states, as bState reports them.
enum DfuStateCode : std::uint8_t {
  kStateAppIdle = 0,
  kStateAppDetach = 1,
  kStateDfuIdle = 2,
  kStateDnloadSync = 3,
  kStateDnbusy = 4,
  kStateDnloadIdle = 5,
  kStateManifestSync = 6,
  kStateManifest = 7,
  kStateManifestWaitReset = 8,
  kStateUploadIdle = 9,
  kStateDfuError = 10,
};

// DFU class requests (bRequest) and their request types.
inline constexpr std::uint8_t kDfuRequestDnload = 1;
inline constexpr std::uint8_t kDfuRequestGetStatus = 3;
inline constexpr std::uint8_t kDfuRequestClrStatus = 4;
inline constexpr std::uint8_t kDfuRequestAbort = 6;
inline constexpr std::uint8_t kDfuRequestTypeOut = 0x21;  // class, interface, host to device
inline constexpr std::uint8_t kDfuRequestTypeIn = 0xA1;   // class, interface, device to host
inline constexpr unsigned kDfuRequestTimeoutMs = 5000;

// The 6-byte reply of DFU_GETSTATUS.
struct DfuStatus {
  std::uint8_t bStatus = 0;
  std::uint32_t bwPollTimeout = 0;  // ms the host waits before the next status request
  std::uint8_t bState = 0;
  std::uint8_t iString = 0;
};

// What a reply of any other length than 6 bytes stands for.
inline constexpr DfuStatus kDfuStatusDefaults{14, 50, kStateDfuError, 0};

// The requests of a download go to the head record's handle, with its interface as wIndex; the
// waits between status requests go through the clock.
struct DfuLink {
  DfuState& state;
  platform::Usb& usb;
  platform::Clock& clock;
};

// The state's name, or null for a value above 10.
const char* DfuStateName(std::uint8_t state);
// DfuStateName, with "UNKNOWN" for a state that has no name.
const char* DfuStateNameOrUnknown(std::uint8_t state);
// The status's text; "INVALID" from 16 on.
const char* DfuStatusText(std::uint8_t status);

// DFU_GETSTATUS: 6 for a whole reply, 0 to 5 for a short one, a negative error for a failure.
// `status` holds the reply when it was whole, the defaults otherwise.
int DfuGetStatus(DfuLink& link, DfuStatus& status);
// DFU_CLRSTATUS and DFU_ABORT: the request's result; negative is a failure.
int DfuClearStatus(DfuLink& link);
int DfuAbort(DfuLink& link);

// A DFU class request to the head record's interface; kUsbErrorNotFound without a record.
int DfuRequest(DfuLink& link, std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
               std::uint8_t* data, std::uint16_t length);

}  // namespace brisa::dfu
