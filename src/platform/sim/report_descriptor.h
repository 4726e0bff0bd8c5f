#pragma once

#include <cstdint>
#include <vector>

#include "platform/sim/board_model.h"

namespace brisa::platform::sim {

// The HID report descriptor a board sends: input report 1 in the model's layout (16-bit axes,
// the button bits padded to whole bytes, the hat) and the vendor-defined feature reports 2..5
// of 20 bytes. A host that derives report lengths from it (Linux does) gets the same lengths
// the in-process seam reports.
std::vector<std::uint8_t> boardReportDescriptor(BoardModel model);

}  // namespace brisa::platform::sim
