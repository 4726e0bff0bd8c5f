#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisa::board {

// The payload of input report 1: the model's axes as signed 16-bit little-endian values, then
// the button bits, then (on boards with 36 buttons) the hat position.
inline constexpr std::size_t kInputStateSize = 21;
using InputStateReport = std::array<std::uint8_t, kInputStateSize>;

// Axis k (from 0).
std::int16_t InputAxis(const InputStateReport& report, int axis);
// Button i (from 0, below 32) of a board with `axisCount` axes.
bool InputButton(const InputStateReport& report, int axisCount, int button);
// The hat byte of a board with `axisCount` axes: 0..7 clockwise from up, anything else centred.
std::uint8_t InputHat(const InputStateReport& report, int axisCount);

}  // namespace brisa::board
