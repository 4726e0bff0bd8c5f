#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace brisa::dfu {

// One memory segment offered by a DfuSe bootloader.
struct DfuseSegment {
  std::uint32_t start = 0;
  std::uint32_t end = 0;  // last address, inclusive
  std::uint32_t pageSize = 0;
  std::uint32_t memType = 0;  // bit 0 readable, bit 1 erasable, bit 2 writeable

  bool operator==(const DfuseSegment&) const = default;
};

// Reads the memory layout that a DfuSe bootloader puts in an alternate-setting name, such as
// "@Internal Flash/0x08000000/04*016Kg,01*064Kg,07*128Kg", into its segments in text order.
// The text ends at its first NUL. Empty when the text has no name or yields no segment.
// Once the name has been read, the line "DfuSe interface name: \"<name>\"" goes to stdout.
std::vector<DfuseSegment> DfuseParseMemoryLayout(std::string_view text);

// The first segment that holds the address (start <= address <= end), or null.
const DfuseSegment* DfuseFindSegment(const std::vector<DfuseSegment>& segments,
                                     std::uint32_t address);

}  // namespace brisa::dfu
