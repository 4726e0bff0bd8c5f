#pragma once

#include <array>
#include <cstdint>

#include "board/device.h"
#include "board/input_state.h"
#include "editor/app_context.h"
#include "resources/resource_ids.h"
#include "ui/window.h"

namespace brisa::editor {

// What the live display shows now, so that it is redrawn only where it changes: a lamp state
// per button (0 released, 1 pressed, 3 not yet known), the hat picture, and the value of each
// axis row (kAxisUnknown, kAxisBlank, or the value).
struct LiveDisplayState {
  std::array<int, res::button_test::kLampCount>& buttonState;
  int& hatIndex;
  std::array<int, res::axis_setup::kAxisCount>& axisShown;
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
void BlankLiveAxes(ui::Window& axisSetup, std::array<int, res::axis_setup::kAxisCount>& axisShown);

}  // namespace brisa::editor
