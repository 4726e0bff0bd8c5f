#include "dfu/format_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace brisa::dfu {
namespace {

// The scanner must read numbers exactly as the C library's sscanf does wherever sscanf's result
// is defined: same success, same value, same characters consumed.
struct Reading {
  bool ok = false;
  std::uint32_t value = 0;
  std::size_t consumed = 0;
};

Reading LibraryDecimal(const std::string& text) {
  int value = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%d%n", &value, &consumed) != 1) return {};
  return {true, static_cast<std::uint32_t>(value), static_cast<std::size_t>(consumed)};
}

Reading LibraryHex(const std::string& text) {
  unsigned value = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%x%n", &value, &consumed) != 1) return {};
  return {true, value, static_cast<std::size_t>(consumed)};
}

Reading LibraryInteger(const std::string& text) {
  int value = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%i%n", &value, &consumed) != 1) return {};
  return {true, static_cast<std::uint32_t>(value), static_cast<std::size_t>(consumed)};
}

template <bool (FormatScan::*Read)(std::uint32_t&)>
Reading Ours(const std::string& text) {
  FormatScan scan(text);
  Reading r;
  r.ok = (scan.*Read)(r.value);
  r.consumed = scan.pos();
  if (!r.ok) r = {};
  return r;
}

const char* const kNumbers[] = {
    "42",   " -7x",       "+",           "-",       "",      " \t\n\v\f\r12*",
    "0x1f", "2147483647", "-2147483648", "1f/",     "0x1F/", "0X",
    "0xg",  "-0x10",      "+ff",         " 0xAbC,", "g",     "00x5",
    "0x0x", "ffffffff",   "- 5",         "*3",      "09",    "x1",
    "0777", "-010",       " 0x8000000:", "+0",
};

TEST(FormatScanTest, NumbersReadAsTheCLibraryReadsThem) {
  for (const char* text : kNumbers) {
    const Reading libDec = LibraryDecimal(text);
    const Reading ourDec = Ours<&FormatScan::decimal>(text);
    EXPECT_EQ(ourDec.ok, libDec.ok) << "%d of \"" << text << '"';
    EXPECT_EQ(ourDec.value, libDec.value) << "%d of \"" << text << '"';
    EXPECT_EQ(ourDec.consumed, libDec.consumed) << "%d of \"" << text << '"';

    const Reading libHex = LibraryHex(text);
    const Reading ourHex = Ours<&FormatScan::hex>(text);
    EXPECT_EQ(ourHex.ok, libHex.ok) << "%x of \"" << text << '"';
    EXPECT_EQ(ourHex.value, libHex.value) << "%x of \"" << text << '"';
    EXPECT_EQ(ourHex.consumed, libHex.consumed) << "%x of \"" << text << '"';

    const Reading libInt = LibraryInteger(text);
    const Reading ourInt = Ours<&FormatScan::integer>(text);
    EXPECT_EQ(ourInt.ok, libInt.ok) << "%i of \"" << text << '"';
    EXPECT_EQ(ourInt.value, libInt.value) << "%i of \"" << text << '"';
    EXPECT_EQ(ourInt.consumed, libInt.consumed) << "%i of \"" << text << '"';
  }
}

TEST(FormatScanTest, FailedReadLeavesPosition) {
  FormatScan scan(" -x", 0);
  std::uint32_t value = 99;
  EXPECT_FALSE(scan.decimal(value));
  EXPECT_FALSE(scan.hex(value));
  EXPECT_EQ(scan.pos(), 0u);
  EXPECT_EQ(value, 99u);
}

}  // namespace
}  // namespace brisa::dfu
