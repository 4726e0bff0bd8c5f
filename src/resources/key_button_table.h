#pragma once

#include <array>
#include <cstdint>

#include "resources/resource_ids.h"

namespace brisa::res {

// One key of the key-code selector: its push button and the USB HID keyboard usage id
// (Keyboard/Keypad page) that the key stands for.
struct KeyButtonRow {
  std::uint32_t controlId;
  std::uint32_t usageId;
};

namespace detail {
constexpr std::uint32_t Id(int controlId) {
  return static_cast<std::uint32_t>(controlId);
}
}  // namespace detail

// In keyboard order, row by row. Keypad "5" sends 0x97 and keypad "Ent" 0x28 (as "Enter"), as
// the boards expect; a search by usage therefore finds "Enter" before "Ent".
inline constexpr std::array<KeyButtonRow, key_selector::kKeyButtonCount> KeyButtonTable = {{
    // Esc, F1..F12, PS, SC, Pau
    {detail::Id(key_selector::kKeyEsc), 0x29},
    {detail::Id(key_selector::kKeyF1), 0x3A},
    {detail::Id(key_selector::kKeyF2), 0x3B},
    {detail::Id(key_selector::kKeyF3), 0x3C},
    {detail::Id(key_selector::kKeyF4), 0x3D},
    {detail::Id(key_selector::kKeyF5), 0x3E},
    {detail::Id(key_selector::kKeyF6), 0x3F},
    {detail::Id(key_selector::kKeyF7), 0x40},
    {detail::Id(key_selector::kKeyF8), 0x41},
    {detail::Id(key_selector::kKeyF9), 0x42},
    {detail::Id(key_selector::kKeyF10), 0x43},
    {detail::Id(key_selector::kKeyF11), 0x44},
    {detail::Id(key_selector::kKeyF12), 0x45},
    {detail::Id(key_selector::kKeyPrintScreen), 0x46},
    {detail::Id(key_selector::kKeyScrollLock), 0x47},
    {detail::Id(key_selector::kKeyPause), 0x48},
    // ~, 1..0, -, +, <--, Ins, Hm, PU, keypad Num / * -
    {detail::Id(key_selector::kKeyTilde), 0x35},
    {detail::Id(key_selector::kKey1), 0x1E},
    {detail::Id(key_selector::kKey2), 0x1F},
    {detail::Id(key_selector::kKey3), 0x20},
    {detail::Id(key_selector::kKey4), 0x21},
    {detail::Id(key_selector::kKey5), 0x22},
    {detail::Id(key_selector::kKey6), 0x23},
    {detail::Id(key_selector::kKey7), 0x24},
    {detail::Id(key_selector::kKey8), 0x25},
    {detail::Id(key_selector::kKey9), 0x26},
    {detail::Id(key_selector::kKey0), 0x27},
    {detail::Id(key_selector::kKeyMinus), 0x2D},
    {detail::Id(key_selector::kKeyEquals), 0x2E},
    {detail::Id(key_selector::kKeyBackspace), 0x2A},
    {detail::Id(key_selector::kKeyInsert), 0x49},
    {detail::Id(key_selector::kKeyHome), 0x4A},
    {detail::Id(key_selector::kKeyPageUp), 0x4B},
    {detail::Id(key_selector::kKeyNumLock), 0x53},
    {detail::Id(key_selector::kKeypadSlash), 0x54},
    {detail::Id(key_selector::kKeypadStar), 0x55},
    {detail::Id(key_selector::kKeypadMinus), 0x56},
    // Tab, Q..P, [, ], |, Del, End, PD, keypad 7 8 9 +
    {detail::Id(key_selector::kKeyTab), 0x2B},
    {detail::Id(key_selector::kKeyQ), 0x14},
    {detail::Id(key_selector::kKeyW), 0x1A},
    {detail::Id(key_selector::kKeyE), 0x08},
    {detail::Id(key_selector::kKeyR), 0x15},
    {detail::Id(key_selector::kKeyT), 0x17},
    {detail::Id(key_selector::kKeyY), 0x1C},
    {detail::Id(key_selector::kKeyU), 0x18},
    {detail::Id(key_selector::kKeyI), 0x0C},
    {detail::Id(key_selector::kKeyO), 0x12},
    {detail::Id(key_selector::kKeyP), 0x13},
    {detail::Id(key_selector::kKeyLeftBracket), 0x2F},
    {detail::Id(key_selector::kKeyRightBracket), 0x30},
    {detail::Id(key_selector::kKeyBackslash), 0x31},
    {detail::Id(key_selector::kKeyDelete), 0x4C},
    {detail::Id(key_selector::kKeyEnd), 0x4D},
    {detail::Id(key_selector::kKeyPageDown), 0x4E},
    {detail::Id(key_selector::kKeypad7), 0x5F},
    {detail::Id(key_selector::kKeypad8), 0x60},
    {detail::Id(key_selector::kKeypad9), 0x61},
    {detail::Id(key_selector::kKeypadPlus), 0x57},
    // Caps, A..L, :, ", Enter, keypad 4 5 6
    {detail::Id(key_selector::kKeyCapsLock), 0x39},
    {detail::Id(key_selector::kKeyA), 0x04},
    {detail::Id(key_selector::kKeyS), 0x16},
    {detail::Id(key_selector::kKeyD), 0x07},
    {detail::Id(key_selector::kKeyF), 0x09},
    {detail::Id(key_selector::kKeyG), 0x0A},
    {detail::Id(key_selector::kKeyH), 0x0B},
    {detail::Id(key_selector::kKeyJ), 0x0D},
    {detail::Id(key_selector::kKeyK), 0x0E},
    {detail::Id(key_selector::kKeyL), 0x0F},
    {detail::Id(key_selector::kKeySemicolon), 0x33},
    {detail::Id(key_selector::kKeyQuote), 0x34},
    {detail::Id(key_selector::kKeyEnter), 0x28},
    {detail::Id(key_selector::kKeypad4), 0x5C},
    {detail::Id(key_selector::kKeypad5), 0x97},
    {detail::Id(key_selector::kKeypad6), 0x5E},
    // Shift, Z..M, <, >, ?, Shift, up, keypad 1 2 3 Ent
    {detail::Id(key_selector::kKeyLeftShift), 0xE1},
    {detail::Id(key_selector::kKeyZ), 0x1D},
    {detail::Id(key_selector::kKeyX), 0x1B},
    {detail::Id(key_selector::kKeyC), 0x06},
    {detail::Id(key_selector::kKeyV), 0x19},
    {detail::Id(key_selector::kKeyB), 0x05},
    {detail::Id(key_selector::kKeyN), 0x11},
    {detail::Id(key_selector::kKeyM), 0x10},
    {detail::Id(key_selector::kKeyComma), 0x36},
    {detail::Id(key_selector::kKeyPeriod), 0x37},
    {detail::Id(key_selector::kKeySlash), 0x38},
    {detail::Id(key_selector::kKeyRightShift), 0xE5},
    {detail::Id(key_selector::kKeyUp), 0x52},
    {detail::Id(key_selector::kKeypad1), 0x59},
    {detail::Id(key_selector::kKeypad2), 0x5A},
    {detail::Id(key_selector::kKeypad3), 0x5B},
    {detail::Id(key_selector::kKeypadEnter), 0x28},
    // Ctrl, Win, Alt, space, Alt, Win, Menu, Ctrl, left, down, right, keypad 0 .
    {detail::Id(key_selector::kKeyLeftCtrl), 0xE0},
    {detail::Id(key_selector::kKeyLeftWin), 0xE3},
    {detail::Id(key_selector::kKeyLeftAlt), 0xE2},
    {detail::Id(key_selector::kKeySpace), 0x2C},
    {detail::Id(key_selector::kKeyRightAlt), 0xE6},
    {detail::Id(key_selector::kKeyRightWin), 0xE7},
    {detail::Id(key_selector::kKeyMenu), 0x65},
    {detail::Id(key_selector::kKeyRightCtrl), 0xE4},
    {detail::Id(key_selector::kKeyLeft), 0x50},
    {detail::Id(key_selector::kKeyDown), 0x51},
    {detail::Id(key_selector::kKeyRight), 0x4F},
    {detail::Id(key_selector::kKeypad0), 0x62},
    {detail::Id(key_selector::kKeypadDot), 0x63},
}};

// The row of a key button, or nullptr when the id is no key button's.
const KeyButtonRow* FindKeyButtonByControlId(std::uint32_t controlId);
// The first row in table order that sends this usage id, or nullptr.
const KeyButtonRow* FindKeyButtonByUsageId(std::uint32_t usageId);

}  // namespace brisa::res
