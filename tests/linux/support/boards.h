#pragma once

#include <cstdint>
#include <vector>

#include "hidraw_server.h"
#include "platform/sim/board_model.h"
#include "platform/sim/dfuse_bootloader.h"

namespace brisa::testbed {

// A keyboard collection (report 1) and a consumer-control collection (report 2), as a
// keyboard board presents itself.
extern const std::vector<std::uint8_t> kKeyboardDescriptor;
// A three-button mouse without report ids.
extern const std::vector<std::uint8_t> kMouseDescriptor;

// What a board's hidraw node answers: its model's descriptor and firmware.
HidrawSpec boardHid(platform::sim::BoardModel model, std::uint32_t bus = 0x03);
// The board's keyboard interface (1209:0007), which has no configuration reports.
HidrawSpec keyboardHid();
// A mouse of another vendor, which the tool must leave alone.
HidrawSpec mouseHid();

// From now on the bootloader answers no control request, as one that hangs: each ends when
// the host's own time-out runs out and it gives the request up. Before a host uses it.
void answerNothing(platform::sim::DfuseBootloader& bootloader);

}  // namespace brisa::testbed
