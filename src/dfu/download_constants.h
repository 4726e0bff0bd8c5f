#pragma once

#include <cstdint>

namespace brisa::dfu {

// What a download shares between its steps: where the image goes, and the rights of a segment.
inline constexpr std::uint32_t kDownloadAddress = 0x08000000;
inline constexpr const char* kDownloadOptions = "0x08000000";
inline constexpr std::uint32_t kMemErasable = 2;
inline constexpr std::uint32_t kMemWriteable = 4;

}  // namespace brisa::dfu
