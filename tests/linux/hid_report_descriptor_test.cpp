// Report lengths and collection kinds as a HID stack derives them from a descriptor.

#include "platform/linux/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

#include "boards.h"
#include "platform/sim/device_catalog.h"
#include "platform/sim/report_descriptor.h"

namespace brisa::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
  std::uint16_t usagePage, usage, input, output, feature;
  std::vector<std::uint8_t> inputIds;
  bool keyboard;
};

TEST(HidReportDescriptor, CollectionsAndTheirReportLengths) {
  const struct {
    const char* what;
    Bytes descriptor;
    std::vector<Expected> collections;
  } cases[] = {
      {"empty", {}, {}},
      {"keyboard and consumer collections",
       testbed::kKeyboardDescriptor,
       {{0x01, 0x06, 9, 2, 0, {1}, true}, {0x0C, 0x01, 3, 0, 0, {2}, false}}},
      {"no report ids: the zero id byte is counted",
       testbed::kMouseDescriptor,
       {{0x01, 0x02, 4, 0, 0, {0}, false}}},
      {"vendor feature reports only",
       {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x02, 0x75, 0x08, 0x95, 0x14,
        0xB1, 0x02, 0xC0},
       {{0xFF00, 0x01, 0, 0, 21, {}, false}}},
      {"a four-byte usage names its own page",
       {0x05, 0x09, 0x0B, 0x05, 0x00, 0x01, 0x00, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02,
        0xC0},
       {{0x01, 0x05, 3, 0, 0, {0}, false}}},
      {"push and pop restore the report size",
       {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0xA4, 0x75,
        0x10, 0x95, 0x02, 0x81, 0x02, 0xB4, 0x95, 0x01, 0x81, 0x02, 0xC0},
       {{0x01, 0x04, 6, 0, 0, {1}, false}}},
      {"the longest report of a kind sets its length",
       {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x85, 0x02, 0x95, 0x04, 0xB1,
        0x02, 0x85, 0x03, 0x95, 0x14, 0xB1, 0x02, 0x85, 0x04, 0x95, 0x01, 0xB1, 0x02, 0xC0},
       {{0xFF00, 0x01, 0, 0, 21, {}, false}}},
      {"a long item is stepped over",
       {0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x01,
        0x81, 0x02, 0xC0},
       {{0x01, 0x05, 2, 0, 0, {0}, false}}},
      {"reports outside any collection count for none",
       {0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0x05, 0x01, 0x09, 0x07, 0xA1, 0x01, 0x95, 0x01, 0x81,
        0x02, 0xC0},
       {{0x01, 0x07, 2, 0, 0, {0}, true}}},
      {"truncated inside an item: what came before still counts",
       {0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0x26, 0xFF},
       {{0x01, 0x05, 4, 0, 0, {0}, false}}},
      {"lengths beyond 16 bits saturate",
       {0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF,
        0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0xC0},
       {{0x01, 0x05, 0xFFFF, 0, 0, {0}, false}}},
      {"an end without a collection is ignored",
       {0xC0, 0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0},
       {{0x01, 0x05, 2, 0, 0, {0}, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = parseReportDescriptor(c.descriptor);
    ASSERT_EQ(got.size(), c.collections.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      const Expected& e = c.collections[i];
      EXPECT_EQ(got[i].usagePage, e.usagePage);
      EXPECT_EQ(got[i].usage, e.usage);
      EXPECT_EQ(got[i].inputReportBytes, e.input);
      EXPECT_EQ(got[i].outputReportBytes, e.output);
      EXPECT_EQ(got[i].featureReportBytes, e.feature);
      EXPECT_EQ(got[i].inputReportIds, e.inputIds);
      EXPECT_EQ(got[i].isKeyboard(), e.keyboard);
    }
  }
}

// The lengths a real board's descriptor gives are those the simulated seam states.
TEST(HidReportDescriptor, BoardsGiveTheLengthsOfTheirModel) {
  using sim::BoardModel;
  for (BoardModel model : {BoardModel::Merlin, BoardModel::Osprey, BoardModel::Linnet,
                           BoardModel::Plover, BoardModel::Egret, BoardModel::Heron,
                           BoardModel::Sparrow, BoardModel::Kestrel, BoardModel::Finch}) {
    SCOPED_TRACE(sim::traitsOf(model).name);
    const auto got = parseReportDescriptor(sim::boardReportDescriptor(model));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].inputReportBytes, sim::defaultInputReportLength(model));
    EXPECT_EQ(got[0].featureReportBytes, 21);
    EXPECT_EQ(got[0].inputReportIds, std::vector<std::uint8_t>{1});
    EXPECT_FALSE(got[0].isKeyboard());
  }
}

}  // namespace
}  // namespace brisa::platform
