#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "board/config_record.h"
#include "board/device.h"

namespace brisa::editor {

// How reports 4 and 5 (and the axis inversion flags) are laid out for a model.
enum class ReportLayout {
  Range,   // 12-bit axis minimum and maximum, inversion in bit 15 of each minimum
  Signed,  // 16-bit signed axis values, inversion in the low bits of the PIN word
  Key,     // one key code per button
};
// The layout of a model number (a board's, or the one stored in a file); numbers that name no
// axis model carry key codes.
ReportLayout LayoutOfModel(std::uint32_t modelId);
// The layout the editor builds for the connected board; no board means the key layout.
ReportLayout BuildLayoutOf(const board::Device* device);

// Edit text to number, scanned with "%d" / "%x": leading blanks skipped, optional sign, digits
// up to the first other character; a number too long for 32 bits keeps its low 32 bits, however
// long. Text that does not convert gives 0.
std::int32_t ScanDecimal(const std::string& text);
std::uint32_t ScanHex(const std::string& text);  // an optional "0x" prefix is accepted
// Whether those scans find a number at all; empty or blank text holds none.
bool HoldsDecimal(const std::string& text);
bool HoldsHex(const std::string& text);
// Whether the text holds a number the PIN word's 31 bits keep as it was typed.
bool HoldsPin(const std::string& text);

std::string FormatDecimal(int value);          // "%d"
std::string FormatKeyCode(std::uint8_t code);  // "0x%2X" with blanks as "0": 4 gives "0x04"
std::string FormatPin(std::uint32_t pin);      // "%06d"

// Clamps compare the scanned value as unsigned, so a negative number counts as very large;
// the result is what goes into the 16-bit field.
std::uint16_t ClampFiltering(std::int32_t value);  // at most 100
std::uint16_t ClampPressTime(std::int32_t value);  // at least 20, then the low 16 bits
std::uint16_t ClampAxisRange(std::int32_t value);  // at most 4095

// Button-type codes of report 2, one 4-bit code per button.
namespace button_type {
inline constexpr std::uint8_t kUnused = 0;
inline constexpr std::uint8_t kPlain = 1;
inline constexpr std::uint8_t kAnalog = 2;
inline constexpr std::uint8_t kRotarySwitch = 5;
inline constexpr std::uint8_t kEncoderFirst = 10;
inline constexpr std::uint8_t kEncoderSecond = 11;
inline constexpr std::uint8_t kToggleSwitch = 12;
constexpr bool ShowsAnalog(std::uint8_t t) {
  return t >= 2 && t <= 4;
}
constexpr bool ShowsEncoder(std::uint8_t t) {
  return t >= 6 && t <= 11;
}
}  // namespace button_type

inline constexpr int kMaxButtons = 36;
inline constexpr int kMaxAxes = 8;

// Button i (from 0) sits in report byte 1 + i/2: even i in the low nibble, odd i in the high.
std::uint8_t ButtonTypeAt(const board::ConfigBlock& buttonTypes, int index);
void PutButtonType(board::FeatureReport& report, int index, std::uint8_t code);

// Little-endian stores at a report byte.
void PutWord(board::FeatureReport& report, std::size_t reportByte, std::uint16_t value);
void PutLong(board::FeatureReport& report, std::size_t reportByte, std::uint32_t value);

// Report bytes of the configuration fields.
namespace field {
inline constexpr std::size_t kFiltering = 1;
inline constexpr std::size_t kDebounce = 3;
inline constexpr std::size_t kEncoderPressTime = 5;
inline constexpr std::size_t kSwitchPressTime = 7;
inline constexpr std::size_t kPinWord = 9;
inline constexpr std::size_t kGain1 = 13;
inline constexpr std::size_t kGain2 = 14;
// Axis minimum / maximum words of axis k (0..3) in report 4, of axis k + 4 in report 5.
constexpr std::size_t AxisMin(int k) {
  return 2 + 4 * static_cast<std::size_t>(k);
}
constexpr std::size_t AxisMax(int k) {
  return 4 + 4 * static_cast<std::size_t>(k);
}
inline constexpr std::size_t kKeyCode0 = 1;  // buttons 1..18 in report 4, 19..36 in report 5
inline constexpr int kKeysPerReport = 18;
inline constexpr std::uint8_t kAxisReportMarker = 4;  // report 5 byte 1 outside the key layout
}  // namespace field

namespace pin_word {
inline constexpr std::uint32_t kRequirePin = 0x80000000u;
inline constexpr std::uint32_t kPinMask = 0x7FFFFFFFu;
// Inversion of axis k + 1 on the signed layout; axis 5 uses bit 4, read and written alike.
constexpr std::uint32_t InvertBit(int k) {
  return 1u << k;
}
}  // namespace pin_word

inline constexpr std::uint16_t kRangeInvertFlag = 0x8000;
inline constexpr std::uint16_t kRangeValueMask = 0x0FFF;

}  // namespace brisa::editor
