#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace brisa::platform {

// What the host needs of one top-level collection of a HID report descriptor: what it is
// (its usage) and how long its reports are. Lengths count the report id byte (or the zero byte
// a descriptor without report ids is read with) and are 0 when the collection has no report of
// that kind, as a HID stack states them in its capabilities.
struct HidCollectionInfo {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::uint16_t inputReportBytes = 0;
  std::uint16_t outputReportBytes = 0;
  std::uint16_t featureReportBytes = 0;
  // The ids of its input reports (0 when the descriptor numbers none), ascending.
  std::vector<std::uint8_t> inputReportIds;

  // Keyboards and keypads: the system keeps these for itself.
  bool isKeyboard() const;
};

// The top-level collections in the order the descriptor declares them. Never fails: whatever
// follows a truncated or malformed item is ignored, and main items outside any collection
// count for none.
std::vector<HidCollectionInfo> parseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace brisa::platform
