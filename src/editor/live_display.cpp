#include "editor/live_display.h"

#include <algorithm>

#include "editor/report_fields.h"

namespace brisa::editor {
namespace {

namespace ax = res::axis_setup;
namespace bt = res::button_test;
using board::ModelId;
using board::ToNumber;

constexpr int kHatPositions = 8;

}  // namespace

int AxisBarPosition(std::uint8_t modelId, std::int16_t value) {
  if (modelId != ToNumber(ModelId::Plover) && modelId != ToNumber(ModelId::Heron)) return value;
  return static_cast<std::int16_t>(value / 16 + 2047);
}

int HatPictureIndex(std::uint8_t hatByte) {
  return hatByte < kHatPositions ? hatByte + 1 : 0;
}

void ShowLiveInput(ui::Window& axisSetup, ui::Window& buttonTest, const board::Device& device,
                   const board::InputStateReport& input, LiveDisplayState state) {
  const int axes = std::min<int>(device.GetAxisCount(), ax::kAxisCount);
  for (int k = 0; k < axes; ++k) {
    const std::int16_t value = board::InputAxis(input, k);
    int& shown = state.axisShown[static_cast<std::size_t>(k)];
    if (shown == value) continue;
    shown = value;
    const int position = AxisBarPosition(device.GetModelId(), value);
    // Two moves, so the bar repaints even where the control would skip an equal position.
    axisSetup.setPosition(ax::AxisBar(k), position + 1);
    axisSetup.setPosition(ax::AxisBar(k), position);
    axisSetup.setText(ax::ValueEdit(k), FormatDecimal(value));
  }
  const int buttons = std::min<int>(device.GetButtonCount(), bt::kLampCount);
  for (int i = 0; i < buttons; ++i) {
    const int pressed = board::InputButton(input, device.GetAxisCount(), i) ? 1 : 0;
    int& shown = state.buttonState[static_cast<std::size_t>(i)];
    if (shown == pressed) continue;
    buttonTest.setIcon(bt::Lamp(i), pressed ? res::icon::kLampOn : res::icon::kLampOff);
    shown = pressed;
  }
  if (device.GetButtonCount() >= kMaxButtons) {
    const int picture = HatPictureIndex(board::InputHat(input, device.GetAxisCount()));
    if (picture != state.hatIndex) {
      buttonTest.setIcon(bt::kHat1Picture, res::icon::HatPicture(picture));
      state.hatIndex = picture;
    }
  }
}

void BlankLiveAxes(ui::Window& axisSetup, std::array<int, ax::kAxisCount>& axisShown) {
  for (int k = 0; k < ax::kAxisCount; ++k) {
    int& shown = axisShown[static_cast<std::size_t>(k)];
    if (shown == kAxisBlank) continue;
    shown = kAxisBlank;
    axisSetup.setPosition(ax::AxisBar(k), 0);
    axisSetup.setText(ax::ValueEdit(k), "");
  }
}

}  // namespace brisa::editor
