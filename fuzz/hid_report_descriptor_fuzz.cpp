// Any bytes parse without a fault, into collections whose lengths a HID stack could state.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/linux/hid_report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto collections =
      brisa::platform::parseReportDescriptor(std::span<const std::uint8_t>(data, size));
  // A collection takes an item to open it and one to close it, but for the last.
  if (collections.size() > size / 2 + 1) std::abort();
  for (const auto& c : collections) {
    if ((c.inputReportBytes == 0) != c.inputReportIds.empty()) std::abort();
    for (std::size_t i = 1; i < c.inputReportIds.size(); ++i) {
      if (c.inputReportIds[i - 1] >= c.inputReportIds[i]) std::abort();
    }
  }
  return 0;
}
