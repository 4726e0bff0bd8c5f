#pragma once

#include <atomic>
#include <cstdint>

namespace brisa::dfu {

// What the user interface and the firmware-download worker share.
struct DfuState {
  std::atomic<std::uint32_t> upgradeRequest{0};  // set by Upgrade, cleared when a download ends
};

}  // namespace brisa::dfu
