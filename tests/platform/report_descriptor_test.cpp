// A host that sizes reports from the board's report descriptor gets the lengths the seam gives.

#include "platform/sim/report_descriptor.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/sim/device_catalog.h"

namespace brisa::platform::sim {
namespace {

// Bits per (main item kind, report id), as a host's descriptor parser adds them up.
std::map<std::pair<int, int>, unsigned> reportBits(const std::vector<std::uint8_t>& desc) {
  std::map<std::pair<int, int>, unsigned> bits;
  unsigned size = 0, count = 0, id = 0;
  for (std::size_t i = 0; i < desc.size();) {
    const std::uint8_t prefix = desc[i];
    const std::size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
    unsigned value = 0;
    for (std::size_t b = 0; b < length && i + 1 + b < desc.size(); ++b) {
      value |= static_cast<unsigned>(desc[i + 1 + b]) << (8 * b);
    }
    switch (prefix & 0xFC) {
      case 0x74:
        size = value;
        break;
      case 0x94:
        count = value;
        break;
      case 0x84:
        id = value;
        break;
      case 0x80:
      case 0xB0:
        bits[{prefix & 0xFC, static_cast<int>(id)}] += size * count;
        break;
      default:
        break;
    }
    i += 1 + length;
  }
  return bits;
}

TEST(ReportDescriptor, LengthsMatchTheSeamForEveryModel) {
  for (BoardModel model : {BoardModel::Merlin, BoardModel::Osprey, BoardModel::Linnet,
                           BoardModel::Plover, BoardModel::Egret, BoardModel::Heron,
                           BoardModel::Sparrow, BoardModel::Kestrel, BoardModel::Finch}) {
    const auto bits = reportBits(boardReportDescriptor(model));
    const unsigned inputBytes = bits.at({0x80, 1}) / 8;
    EXPECT_EQ(bits.at({0x80, 1}) % 8, 0u) << traitsOf(model).name;
    EXPECT_EQ(1 + inputBytes, defaultInputReportLength(model)) << traitsOf(model).name;
    for (int id = 2; id <= 5; ++id) EXPECT_EQ(bits.at({0xB0, id}), 160u);
  }
}

}  // namespace
}  // namespace brisa::platform::sim
