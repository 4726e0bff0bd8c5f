#include "editor/set_defaults.h"

#include "editor/report_fields.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

using board::ModelId;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;

// The first key code, that of A; buttons 1..36 get A..Z, then 1..9 and 0.
constexpr int kFirstKeyCode = 0x04;

struct AxisDefaults {
  int axisCount;
  int minimum;
  int maximum;
};

// Only these models get default axis ranges; the others keep what their axis controls show.
const AxisDefaults* AxisDefaultsOf(ModelId model) {
  static constexpr AxisDefaults kRange{8, 0, 4095};
  static constexpr AxisDefaults kSigned{5, -32768, 32767};
  switch (model) {
    case ModelId::Merlin:
    case ModelId::Osprey:
      return &kRange;
    case ModelId::Plover:
    case ModelId::Heron:
      return &kSigned;
    default:
      return nullptr;
  }
}

struct TimingDefaults {
  int debounce;
  int encoderPressTime;
  int switchPressTime;
};

TimingDefaults TimingDefaultsOf(ModelId model) {
  if (model == ModelId::Keyboard || model == ModelId::DFU) return {20, 100, 100};
  return {50, 40, 75};
}

}  // namespace

void SetDefaults(const ConfigPages& pages, const board::Device& device) {
  const ModelId model = device.GetModel();
  // All 36 buttons, whatever the board's count, one button at a time.
  for (int i = 0; i < kMaxButtons; ++i) {
    if (i < bs::kAnalogBoxCount) pages.buttonSetup.setChecked(bs::AnalogBox(i), false);
    pages.buttonSetup.setChecked(bs::EncoderBox(i / 2), false);
    pages.buttonSetup.setChecked(bs::RotaryBox(i), false);
    pages.buttonSetup.setChecked(bs::ToggleBox(i), false);
    pages.keyboard.setText(kb::KeyEdit(i),
                           FormatKeyCode(static_cast<std::uint8_t>(kFirstKeyCode + i)));
  }
  if (const AxisDefaults* axes = AxisDefaultsOf(model)) {
    for (int k = 0; k < axes->axisCount; ++k) {
      pages.axisSetup.setChecked(ax::InvertedBox(k), false);
      pages.axisSetup.setText(ax::MinEdit(k), FormatDecimal(axes->minimum));
      pages.axisSetup.setText(ax::MaxEdit(k), FormatDecimal(axes->maximum));
    }
  }
  const TimingDefaults timings = TimingDefaultsOf(model);
  pages.advanced.setText(adv::kFilteringEdit, FormatDecimal(0));
  pages.advanced.setText(adv::kDebounceEdit, FormatDecimal(timings.debounce));
  pages.advanced.setText(adv::kEncoderPressTimeEdit, FormatDecimal(timings.encoderPressTime));
  pages.advanced.setText(adv::kSwitchPressTimeEdit, FormatDecimal(timings.switchPressTime));
  pages.advanced.setChecked(adv::kRequirePinBox, false);
  pages.advanced.setEnabled(adv::kPinEdit, false);
  pages.advanced.setText(adv::kPinEdit, FormatPin(0));
}

}  // namespace brisa::editor
