#include "editor/report_fields.h"

#include <gtest/gtest.h>

namespace brisa::editor {
namespace {

TEST(ReportFieldsTest, DecimalTextScansLikePercentD) {
  const std::vector<std::pair<std::string, std::int32_t>> cases = {
      {"100", 100},
      {"  42", 42},
      {"-32768", -32768},
      {"+7", 7},
      {"12abc", 12},
      {"0x10", 0},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {" ", 0},
      {"70000", 70000},
      {"2147483647", 2147483647},
      // Longer numbers keep their low 32 bits, however many digits they have.
      {"2147483648", INT32_MIN},
      {"4294967297", 1},
      {"-4294967295", 1},
      {"99999999999999999999", 1661992959},
      {"-99999999999999999999", -1661992959},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ScanDecimal(text), value) << '"' << text << '"';
  // A PIN is kept only as typed: from 0 to the largest number 31 bits hold.
  const std::pair<const char*, bool> pins[] = {{"0", true},           {" 2147483647", true},
                                               {"2147483648", false}, {"-1", false},
                                               {"4294967297", false}, {"abc", false}};
  for (const auto& [text, pin] : pins) EXPECT_EQ(HoldsPin(text), pin) << '"' << text << '"';
}

TEST(ReportFieldsTest, HexTextScansLikePercentX) {
  const std::vector<std::pair<std::string, std::uint32_t>> cases = {
      {"4", 4},
      {"0x04", 4},
      {"04", 4},
      {"1FF", 0x1FF},
      {"e1", 0xE1},
      {" 0XE5", 0xE5},
      {"", 0},
      {"zz", 0},
      {"0x", 0},
      {"1FFFFFFFF", 0xFFFFFFFF},
      {"0x123456789", 0x23456789},
      {"-1", 0xFFFFFFFF},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ScanHex(text), value) << '"' << text << '"';
}

TEST(ReportFieldsTest, NumbersToText) {
  EXPECT_EQ(FormatKeyCode(4), "0x04");
  EXPECT_EQ(FormatKeyCode(0), "0x00");
  EXPECT_EQ(FormatKeyCode(0xE1), "0xE1");
  EXPECT_EQ(FormatPin(0), "000000");
  EXPECT_EQ(FormatPin(1234), "001234");
  EXPECT_EQ(FormatPin(0x80000000u | 123456789u), "123456789");
  EXPECT_EQ(FormatDecimal(-32768), "-32768");
}

TEST(ReportFieldsTest, ClampsCompareUnsigned) {
  struct Case {
    std::int32_t value;
    std::uint16_t filtering, pressTime, axisRange;
  };
  const std::vector<Case> cases = {
      {0, 0, 20, 0},           {20, 20, 20, 20},         {21, 21, 21, 21},
      {100, 100, 100, 100},    {101, 100, 101, 101},     {4095, 100, 4095, 4095},
      {4096, 100, 4096, 4095}, {70000, 100, 4464, 4095}, {-1, 100, 0xFFFF, 4095},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClampFiltering(c.value), c.filtering) << c.value;
    EXPECT_EQ(ClampPressTime(c.value), c.pressTime) << c.value;
    EXPECT_EQ(ClampAxisRange(c.value), c.axisRange) << c.value;
  }
}

TEST(ReportFieldsTest, LongTextsAreClampedByTheirLow32Bits) {
  // A negative result counts as a very large number, so these hit the upper clamps.
  const struct {
    const char* text;
    std::uint16_t filtering, pressTime, axisRange;
  } cases[] = {
      {"-99999999999999999999", 100, 0x9CF00001 & 0xFFFF, 4095},
      {"99999999999999999999", 100, 0x630FFFFF & 0xFFFF, 4095},
      {"4294967296", 0, 20, 0},  // exactly 2^32: low bits 0
      {"4294967396", 100, 100, 100},
  };
  for (const auto& c : cases) {
    const std::int32_t value = ScanDecimal(c.text);
    EXPECT_EQ(ClampFiltering(value), c.filtering) << c.text;
    EXPECT_EQ(ClampPressTime(value), c.pressTime) << c.text;
    EXPECT_EQ(ClampAxisRange(value), c.axisRange) << c.text;
  }
}

TEST(ReportFieldsTest, ButtonTypeNibbles) {
  board::FeatureReport report = board::EmptyReport(board::ButtonTypeReport);
  PutButtonType(report, 0, 0xA);   // button 1: byte 1, low nibble
  PutButtonType(report, 1, 0xB);   // button 2: byte 1, high nibble
  PutButtonType(report, 35, 0xC);  // button 36: byte 18, high nibble
  PutButtonType(report, 0, 0x2);   // replaces only its own nibble
  EXPECT_EQ(report[1], 0xB2);
  EXPECT_EQ(report[18], 0xC0);
  const board::ConfigBlock block = board::PayloadOf(report);
  EXPECT_EQ(ButtonTypeAt(block, 0), 2);
  EXPECT_EQ(ButtonTypeAt(block, 1), 0xB);
  EXPECT_EQ(ButtonTypeAt(block, 34), 0);
  EXPECT_EQ(ButtonTypeAt(block, 35), 0xC);
}

}  // namespace
}  // namespace brisa::editor
