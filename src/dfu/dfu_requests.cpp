#include "dfu/dfu_requests.h"

#include <array>

namespace brisa::dfu {
namespace {

constexpr std::array<const char*, 11> kStateNames = {
    "appIDLE",        "appDETACH",        "dfuIDLE",     "dfuDNLOAD-SYNC",         "dfuDNBUSY",
    "dfuDNLOAD-IDLE", "dfuMANIFEST-SYNC", "dfuMANIFEST", "dfuMANIFEST-WAIT-RESET", "dfuUPLOAD-IDLE",
    "dfuERROR",
};

constexpr std::array<const char*, 16> kStatusTexts = {
    "No error condition is present",
    "File is not targeted for use by this device",
    "File is for this device but fails some vendor-specific test",
    "Device is unable to write memory",
    "Memory erase function failed",
    "Memory erase check failed",
    "Program memory function failed",
    "Programmed memory failed verification",
    "Cannot program memory due to received address that is out of range",
    "Received DFU_DNLOAD with wLength = 0, but device does not think that it has all data yet",
    "Device's firmware is corrupt. It cannot return to run-time (non-DFU) operations",
    "iString indicates a vendor specific error",
    "Device detected unexpected USB reset signalling",
    "Device detected unexpected power on reset",
    "Something went wrong, but the device does not know what it was",
    "Device stalled an unexpected request",
};

constexpr std::size_t kStatusLength = 6;

}  // namespace

const char* DfuStateName(std::uint8_t state) {
  return state < kStateNames.size() ? kStateNames[state] : nullptr;
}

const char* DfuStateNameOrUnknown(std::uint8_t state) {
  const char* name = DfuStateName(state);
  return name != nullptr ? name : "UNKNOWN";
}

const char* DfuStatusText(std::uint8_t status) {
  return status < kStatusTexts.size() ? kStatusTexts[status] : "INVALID";
}

int DfuRequest(DfuLink& link, std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
               std::uint8_t* data, std::uint16_t length) {
  if (link.state.pDfuInterfaces.empty()) return platform::kUsbErrorNotFound;
  const DfuInterface& head = link.state.pDfuInterfaces.front();
  return link.usb.controlTransfer(head.deviceHandle, requestType, request, value,
                                  head.interfaceNumber, data, length, kDfuRequestTimeoutMs);
}

int DfuGetStatus(DfuLink& link, DfuStatus& status) {
  std::array<std::uint8_t, kStatusLength> reply{};
  const int result =
      DfuRequest(link, kDfuRequestTypeIn, kDfuRequestGetStatus, 0, reply.data(), kStatusLength);
  if (result != static_cast<int>(kStatusLength)) {
    status = kDfuStatusDefaults;
    return result;
  }
  status.bStatus = reply[0];
  status.bwPollTimeout = static_cast<std::uint32_t>(reply[1]) |
                         static_cast<std::uint32_t>(reply[2]) << 8 |
                         static_cast<std::uint32_t>(reply[3]) << 16;
  status.bState = reply[4];
  status.iString = reply[5];
  return result;
}

int DfuClearStatus(DfuLink& link) {
  return DfuRequest(link, kDfuRequestTypeOut, kDfuRequestClrStatus, 0, nullptr, 0);
}

int DfuAbort(DfuLink& link) {
  return DfuRequest(link, kDfuRequestTypeOut, kDfuRequestAbort, 0, nullptr, 0);
}

}  // namespace brisa::dfu
