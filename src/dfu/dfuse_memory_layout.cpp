#include "dfu/dfuse_memory_layout.h"

#include <cstdio>
#include <optional>
#include <string>

#include "dfu/format_scan.h"

namespace brisa::dfu {
namespace {

// This bootloader's option-bytes memory states no usable type; it is readable and writeable.
constexpr std::string_view kDeviceFeatureName = "Device Feature";

struct SegmentText {
  std::uint32_t count = 0;  // the signed page count and size, as their 32-bit patterns
  std::uint32_t size = 0;
  char multiplier = 0;
  std::optional<std::string_view> typeString;
};

// "%d*%d%c%[^,/]": count, "*", size, one multiplier character of any kind, an optional type.
std::optional<SegmentText> scanSegment(std::string_view text, std::size_t& p) {
  FormatScan scan(text, p);
  SegmentText seg;
  if (!scan.decimal(seg.count) || !scan.literal('*') || !scan.decimal(seg.size) ||
      !scan.anyChar(seg.multiplier)) {
    return std::nullopt;
  }
  std::string_view typeString;
  if (scan.runExcept(",/", typeString)) seg.typeString = typeString;
  p = scan.pos();
  return seg;
}

// "/0x%x/": a region's start address. A missing closing slash still counts.
std::optional<std::uint32_t> scanRegion(std::string_view text, std::size_t& p) {
  FormatScan scan(text, p);
  std::uint32_t address = 0;
  if (!scan.literal('/') || !scan.literal('0') || !scan.literal('x') || !scan.hex(address)) {
    return std::nullopt;
  }
  scan.literal('/');
  p = scan.pos();
  return address;
}

// The type character of a segment, with its page size scaled by the multiplier; none when the
// segment cannot be used.
std::optional<char> segmentType(const SegmentText& seg, bool deviceFeature,
                                std::uint32_t& pageSize) {
  std::optional<char> type;
  if (seg.typeString) {
    if (seg.typeString->size() != 1) return std::nullopt;
    type = seg.typeString->front();
  }
  if (deviceFeature) type = 'e';
  pageSize = seg.size;
  if (seg.multiplier == 'K') {
    pageSize <<= 10;
  } else if (seg.multiplier == 'M') {
    pageSize <<= 20;
  } else if (seg.multiplier >= 'a' && seg.multiplier <= 'g' && !type) {
    type = seg.multiplier;
  }
  return type;
}

}  // namespace

std::vector<DfuseSegment> DfuseParseMemoryLayout(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<DfuseSegment> segments;

  FormatScan nameScan(text);
  std::string_view name;
  if (!nameScan.literal('@') || !nameScan.runExcept("/", name)) return segments;
  std::printf("DfuSe interface name: \"%s\"\n", std::string(name).c_str());
  std::fflush(stdout);
  const bool deviceFeature = name == kDeviceFeatureName;

  std::size_t p = nameScan.pos();
  while (const std::optional<std::uint32_t> regionStart = scanRegion(text, p)) {
    std::uint32_t address = *regionStart;
    while (const std::optional<SegmentText> seg = scanSegment(text, p)) {
      std::uint32_t pageSize = 0;
      const std::optional<char> type = segmentType(*seg, deviceFeature, pageSize);
      // An unusable segment takes no room: the next one starts at the same address.
      if (!type) continue;
      const std::uint32_t length = seg->count * pageSize;
      segments.push_back(
          {address, address + length - 1u, pageSize, static_cast<unsigned char>(*type) & 7u});
      address += length;
      if (p >= text.size() || text[p] != ',') break;
      ++p;
    }
  }
  return segments;
}

const DfuseSegment* DfuseFindSegment(const std::vector<DfuseSegment>& segments,
                                     std::uint32_t address) {
  for (const DfuseSegment& segment : segments) {
    if (segment.start <= address && address <= segment.end) return &segment;
  }
  return nullptr;
}

}  // namespace brisa::dfu
