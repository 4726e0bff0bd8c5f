#pragma once

#include <cstdint>

#include "dfu/dfu_requests.h"

namespace brisa::dfu {

// The two DfuSe commands sent as a download to block 0; the value is the command byte.
enum class DfuseCommand : std::uint8_t {
  SET_ADDRESS = 0x21,
  ERASE_PAGE = 0x41,
};

// Sends a DfuSe command block and polls until the bootloader leaves dfuDNBUSY. 6 when the
// first status reply was dfuDNBUSY and the last one carried status 0; -1 (with the state line
// on standard output when the first reply was not dfuDNBUSY) for another state or a status
// other than 0; the negative error of a failed request; kUsbErrorTimeout when the bootloader
// stays busy past the poll budget. ERASE_PAGE records the page it names in
// state.dfuseLastErasedPage before sending, and fails with kUsbErrorInvalidParam, sending
// nothing, for an address that no segment of state.pDfuseSegments holds.
int DfuseSpecialCommand(DfuLink& link, std::uint32_t address, DfuseCommand command);

}  // namespace brisa::dfu
