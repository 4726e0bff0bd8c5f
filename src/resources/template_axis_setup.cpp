#include <string>

#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {

DialogTemplate BuildAxisSetupTemplate() {
  using K = ControlKind;
  using namespace style;
  using namespace axis_setup;

  DialogTemplate d = MakePage(dialog::kAxisSetup, 518, 266);
  for (int k = 0; k < kAxisCount; ++k) {
    const int y = 11 + 24 * k;
    // The axis edits take signed values, so they are not digits-only.
    AddControl(d, K::Label, kNoId, "Axis " + std::to_string(k + 1) + " minimum value", 0,
               {21, y + 3, 68, 8});
    AddControl(d, K::Edit, MinEdit(k), "", kRightAligned | kBorder | kTabStop, {91, y, 49, 14});
    AddControl(d, K::Label, kNoId, "Maximum value", 0, {144, y + 3, 50, 8});
    AddControl(d, K::Edit, MaxEdit(k), "", kRightAligned | kBorder | kTabStop, {197, y, 49, 14});
    AddControl(d, K::CheckBox, InvertedBox(k), "Inverted", kAutoCheck | kTabStop,
               {252, y + 2, 56, 10});
    AddControl(d, K::Edit, ValueEdit(k), "", kReadOnly | kBorder | kTabStop, {308, y, 40, 14});
    AddControl(d, K::ProgressBar, AxisBar(k), "", kBorder, {352, y, 134, 14});
  }
  AddControl(d, K::Label, kNoId, "Digital Potentiometer 1 Gain", 0, {21, 212, 90, 8});
  AddControl(d, K::Slider, kGainSlider1, "", kNoTicks | kTabStop, {125, 210, 361, 15});
  AddControl(d, K::Label, kNoId, "Digital Potentiometer 2 Gain", 0, {21, 236, 90, 8});
  AddControl(d, K::Slider, kGainSlider2, "", kNoTicks | kTabStop, {125, 232, 361, 15});
  return d;
}

}  // namespace brisa::res::detail
