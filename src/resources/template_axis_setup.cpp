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
    // The axis edits take signed values, so they are not digits-only. The caption starts at
    // 17, not 21: in a font wider than the one the page was drawn in it would run into its edit.
    AddControl(d, K::Label, kNoId, "Axis " + std::to_string(k + 1) + " minimum value", 0,
               {17, y + 3, 72, 8});
    AddControl(d, K::Edit, MinEdit(k), "", kRightAligned | kBorder | kTabStop, {91, y, 49, 14});
    AddControl(d, K::Label, kNoId, "Maximum value", 0, {144, y + 3, 50, 8});
    AddControl(d, K::Edit, MaxEdit(k), "", kRightAligned | kBorder | kTabStop, {197, y, 49, 14});
    AddControl(d, K::CheckBox, InvertedBox(k), "Inverted", kAutoCheck | kTabStop,
               {252, y + 2, 56, 10});
    AddControl(d, K::Edit, ValueEdit(k), "", kReadOnly | kBorder | kTabStop, {308, y, 40, 14});
    AddControl(d, K::ProgressBar, AxisBar(k), "", kBorder, {352, y, 134, 14});
  }
  // In line with the axis captions.
  AddControl(d, K::Label, kNoId, "Digital Potentiometer 1 Gain", 0, {17, 212, 94, 8});
  AddControl(d, K::Slider, kGainSlider1, "", kNoTicks | kTabStop, {125, 210, 361, 15});
  AddControl(d, K::Label, kNoId, "Digital Potentiometer 2 Gain", 0, {17, 236, 94, 8});
  AddControl(d, K::Slider, kGainSlider2, "", kNoTicks | kTabStop, {125, 232, 361, 15});
  return d;
}

}  // namespace brisa::res::detail
