#pragma once

#include <cstdint>
#include <vector>

#include "dfu/dfuse_memory_layout.h"

namespace brisa::dfu {

// What a download's steps share: where the image goes, and the rights of a segment.
inline constexpr std::uint32_t kDownloadAddress = 0x08000000;
inline constexpr const char* kDownloadOptions = "0x08000000";
inline constexpr std::uint32_t kMemErasable = 2;
inline constexpr std::uint32_t kMemWriteable = 4;

// The segment that holds the address when it may be written; null otherwise.
inline const DfuseSegment* WriteableSegmentAt(const std::vector<DfuseSegment>& segments,
                                              std::uint32_t address) {
  const DfuseSegment* segment = DfuseFindSegment(segments, address);
  return segment != nullptr && (segment->memType & kMemWriteable) != 0 ? segment : nullptr;
}

}  // namespace brisa::dfu
