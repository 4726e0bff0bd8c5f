#include "dfu/dfuse_memory_layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace brisa::dfu {
namespace {

using namespace std::string_literals;

struct LayoutCase {
  const char* label;
  std::string text;
  std::string nameLine;  // empty: nothing may be printed
  std::vector<DfuseSegment> segments;
};

std::string NameLine(const std::string& name) {
  return "DfuSe interface name: \"" + name + "\"\n";
}

void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << c.label;
}

const std::string kLongName(5000, 'N');
const std::string kLongType(5000, 'g');

const LayoutCase kCases[] = {
    {"FlashWithThreeSegments",
     "@Flash/0x08000000/04*016Kg,01*064Kg,07*128Kg",
     NameLine("Flash"),
     {{0x08000000, 0x0800FFFF, 16384, 7},
      {0x08010000, 0x0801FFFF, 65536, 7},
      {0x08020000, 0x080FFFFF, 131072, 7}}},
    {"BlankMultiplierThenSecondRegion",
     "@Opt/0x10000000/01*016 e/0x20000000/02*004Ka",
     NameLine("Opt"),
     {{0x10000000, 0x1000000F, 16, 5}, {0x20000000, 0x20001FFF, 4096, 1}}},
    {"DeviceFeatureForcesTypeE",
     "@Device Feature/0xFFFF0000/01*004 g",
     NameLine("Device Feature"),
     {{0xFFFF0000, 0xFFFF0003, 4, 5}}},
    {"DeviceFeatureWithTrailingBlanksKeepsType",
     "@Device Feature  /0xFFFF0000/01*004 g",
     NameLine("Device Feature  "),
     {{0xFFFF0000, 0xFFFF0003, 4, 7}}},
    {"MultiplierLetterServesAsType",
     "@Ram/0x20000000/01*128a",
     NameLine("Ram"),
     {{0x20000000, 0x2000007F, 128, 1}}},
    {"LowerCaseKIsNoMultiplier",
     "@Ram/0x20000000/04*016kg",
     NameLine("Ram"),
     {{0x20000000, 0x2000003F, 16, 7}}},
    {"TypeHKeepsLowBits",
     "@X/0x08000000/01*001Kh",
     NameLine("X"),
     {{0x08000000, 0x080003FF, 1024, 0}}},
    {"TypeOKeepsLowBits",
     "@X/0x08000000/01*001Ko",
     NameLine("X"),
     {{0x08000000, 0x080003FF, 1024, 7}}},
    {"LongTypeStringSkippedThenCommaEnds", "@X/0x08000000/04*016Kgg,01*064Kg", NameLine("X"), {}},
    {"LongTypeStringAfterGoodSegment",
     "@X/0x08000000/01*064Kg,04*016Kgg",
     NameLine("X"),
     {{0x08000000, 0x0800FFFF, 65536, 7}}},
    {"NameAlone", "@X", NameLine("X"), {}},
    {"NameAndSlashAlone", "@X/", NameLine("X"), {}},
    {"NoAtSign", "X/0x08000000/01*064Kg", "", {}},
    {"EmptyName", "@/0x08000000/01*064Kg", "", {}},
    {"EmptyText", "", "", {}},
    {"RegionWithoutClosingSlash",
     "@X/0x08000000 01*4Ka",
     NameLine("X"),
     {{0x08000000, 0x08000FFF, 4096, 1}}},
    {"RegionWithoutClosingSlashAtEnd", "@X/0x08000000", NameLine("X"), {}},
    {"AddressWrapsAround",
     "@X/0xFFFFF000/02*4Kg,01*1Kg",
     NameLine("X"),
     {{0xFFFFF000, 0x00000FFF, 4096, 7}, {0x00001000, 0x000013FF, 1024, 7}}},
    {"NegativeCountMovesAddressBack",
     "@X/0x1000/-1*16 g,1*1g",
     NameLine("X"),
     {{0x1000, 0x0FEF, 16, 7}, {0x0FF0, 0x0FF0, 1, 7}}},
    {"PageSizeShiftWrapsToZero", "@X/0x0/1*4096Mg", NameLine("X"), {{0, 0xFFFFFFFF, 0, 7}}},
    {"NumbersKeepLow32Bits",
     "@X/0x123456789/4294967297*1g",
     NameLine("X"),
     {{0x23456789, 0x23456789, 1, 7}}},
    {"HexAcceptsBlanksSignAndPrefix",
     "@X/0x -0x10/1*16g",
     NameLine("X"),
     {{0xFFFFFFF0, 0xFFFFFFFF, 16, 7}}},
    {"LonePrefixReadsAsZero", "@X/0x0x/1*1g", NameLine("X"), {{0, 0, 1, 7}}},
    {"UntypedSegmentSkipped",
     "@X/0x08000000/1*1K/0x09000000/1*1Kg",
     NameLine("X"),
     {{0x09000000, 0x090003FF, 1024, 7}}},
    {"LongNameAndTypeString",
     "@" + kLongName + "/0x08000000/01*4K" + kLongType + "/0x09000000/01*4Kg",
     NameLine(kLongName),
     {{0x09000000, 0x09000FFF, 4096, 7}}},
    {"EmbeddedNulEndsText",
     "@Flash/0x08000000/01*4Kg\0,01*4Kg"s,
     NameLine("Flash"),
     {{0x08000000, 0x08000FFF, 4096, 7}}},
    {"EmbeddedNulInName", "@Fl\0ash/0x08000000/01*4Kg"s, NameLine("Fl"), {}},
};

class DfuseMemoryLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(DfuseMemoryLayoutTest, ParsesSegmentsAndPrintsName) {
  const LayoutCase& c = GetParam();
  testing::internal::CaptureStdout();
  const std::vector<DfuseSegment> segments = DfuseParseMemoryLayout(c.text);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), c.nameLine);
  ASSERT_EQ(segments.size(), c.segments.size());
  for (std::size_t i = 0; i < segments.size(); ++i) {
    EXPECT_EQ(segments[i].start, c.segments[i].start) << "segment " << i;
    EXPECT_EQ(segments[i].end, c.segments[i].end) << "segment " << i;
    EXPECT_EQ(segments[i].pageSize, c.segments[i].pageSize) << "segment " << i;
    EXPECT_EQ(segments[i].memType, c.segments[i].memType) << "segment " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, DfuseMemoryLayoutTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LayoutCase>& param) {
                           return std::string(param.param.label);
                         });

}  // namespace
}  // namespace brisa::dfu
