#pragma once

#include <array>
#include <cstdint>

#include "board/device.h"
#include "board/input_state.h"
#include "resources/resource_ids.h"
#include "ui/window.h"

namespace brisa::editor {

// What "Button Test" shows now: a lamp state per button (0 released, 1 pressed, 3 not yet
// known) and the hat picture, so that pictures are sent only on a change.
struct LiveDisplayState {
  std::array<int, res::button_test::kLampCount>& buttonState;
  int& hatIndex;
};

// The bar position of an axis value. The signed axes of Plover and Heron are moved onto the
// bar's 12 bits in 16-bit arithmetic: -32768 gives -1, 32767 gives 4094.
int AxisBarPosition(std::uint8_t modelId, std::int16_t value);

// Hat picture 1..8 for the positions 0..7, 0 (centred) for anything else.
int HatPictureIndex(std::uint8_t hatByte);

// Draws the live axes (bar and value), the button lamps that changed and the hat from one input
// report of the board.
void ShowLiveInput(ui::Window& axisSetup, ui::Window& buttonTest, const board::Device& device,
                   const board::InputStateReport& input, LiveDisplayState state);

// No board: every axis bar at 0 and every value empty.
void BlankLiveAxes(ui::Window& axisSetup);

}  // namespace brisa::editor
