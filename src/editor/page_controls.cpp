#include "editor/page_controls.h"

#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace bs = res::button_setup;
namespace bt = res::button_test;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;
using board::ModelId;
using board::ToNumber;

// What the model has; all zero and false without one.
struct Has {
  int buttons = 0;
  int axes = 0;
  bool configurable = false;  // anything but the bootloader
  bool keyCodes = false;
  bool gains = false;
  bool pin = false;  // PIN edit and the "Require PIN" box
};

Has WhatTheModelHas(const board::Device* device) {
  if (device == nullptr) return {};
  const std::uint8_t m = device->GetModelId();
  Has has;
  has.configurable = m != ToNumber(ModelId::DFU);
  has.buttons = has.configurable ? device->GetButtonCount() : 0;
  has.axes = device->GetAxisCount();
  has.keyCodes = m == ToNumber(ModelId::Keyboard);
  has.gains = m == ToNumber(ModelId::Egret) || m == ToNumber(ModelId::Heron);
  has.pin = !IsWiredModel(m);
  return has;
}

}  // namespace

bool ShowsLiveInput(std::uint8_t modelId) {
  return modelId >= ToNumber(ModelId::Merlin) && modelId <= ToNumber(ModelId::Finch) &&
         modelId != ToNumber(ModelId::Keyboard);
}

bool IsWiredModel(std::uint8_t modelId) {
  return ShowsLiveInput(modelId) && modelId != ToNumber(ModelId::Merlin);
}

void EnablePageControls(const ConfigPages& pages, ui::Window& buttonTest,
                        const board::Device* device) {
  const Has has = WhatTheModelHas(device);
  for (int k = 0; k < bs::kAnalogBoxCount; ++k) {
    pages.buttonSetup.setEnabled(bs::AnalogBox(k), k < has.axes);
  }
  for (int k = 0; k < ax::kAxisCount; ++k) {
    pages.axisSetup.setEnabled(ax::InvertedBox(k), k < has.axes);
    pages.axisSetup.setEnabled(ax::MinEdit(k), k < has.axes);
    pages.axisSetup.setEnabled(ax::MaxEdit(k), k < has.axes);
  }
  for (int j = 0; j < bs::kEncoderBoxCount; ++j) {
    pages.buttonSetup.setEnabled(bs::EncoderBox(j), j < has.buttons / 2);
  }
  for (int i = 0; i < bs::kRotaryBoxCount; ++i) {
    pages.buttonSetup.setEnabled(bs::RotaryBox(i), i < has.buttons);
    pages.buttonSetup.setEnabled(bs::ToggleBox(i), i < has.buttons);
  }
  // Nothing of the new board's buttons is known until its first input report.
  for (int i = 0; i < bt::kLampCount; ++i) buttonTest.setIcon(bt::Lamp(i), res::icon::kLampUnknown);
  buttonTest.setIcon(bt::kHat1Picture, res::icon::HatPicture(0));
  buttonTest.setIcon(bt::kHat2Picture, res::icon::HatPicture(0));
  for (int i = 0; i < kb::kKeyEditCount; ++i)
    pages.keyboard.setEnabled(kb::KeyEdit(i), has.keyCodes);
  pages.keyboard.setEnabled(kb::kKeycodeHelperButton, has.keyCodes);
  pages.axisSetup.setEnabled(ax::kGainSlider1, has.gains);
  pages.axisSetup.setEnabled(ax::kGainSlider2, has.gains);
  for (const int id : {adv::kFilteringEdit, adv::kDebounceEdit, adv::kEncoderPressTimeEdit,
                       adv::kSwitchPressTimeEdit, adv::kPinEdit, adv::kRequirePinBox}) {
    pages.advanced.setEnabled(id, has.configurable);
  }
  if (device == nullptr) {
    pages.advanced.setEnabled(adv::kRequirePinBox, false);
  } else if (!has.pin) {
    pages.advanced.setChecked(adv::kRequirePinBox, false);
    pages.advanced.setEnabled(adv::kRequirePinBox, false);
    pages.advanced.setEnabled(adv::kPinEdit, false);
  } else {
    pages.advanced.setEnabled(adv::kRequirePinBox, true);
  }
}

}  // namespace brisa::editor
