#include <string>

#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {

DialogTemplate BuildButtonTestTemplate() {
  using K = ControlKind;
  using namespace button_test;
  DialogTemplate d = MakePage(dialog::kButtonTest, 509, 265);
  // Four rows of eight lamps, each with its button number beside its lower edge.
  for (int i = 0; i < kLampCount; ++i) {
    const int r = i / 8;
    const int c = i % 8;
    AddControl(d, K::Picture, Lamp(i), "", 0, {18 + 48 * c, 37 + 48 * r, 21, 20});
  }
  for (int i = 0; i < kLampCount; ++i) {
    const int r = i / 8;
    const int c = i % 8;
    AddControl(d, K::Label, kNoId, std::to_string(i + 1), 0, {46 + 48 * c, 65 + 48 * r, 8, 8});
  }
  AddControl(d, K::GroupBox, kNoId, "Hat 1", 0, {402, 37, 93, 84});
  AddControl(d, K::Picture, kHat1Picture, "", 0, {424, 57, 21, 20});
  AddControl(d, K::GroupBox, kNoId, "Hat 2", 0, {402, 133, 93, 84});
  AddControl(d, K::Picture, kHat2Picture, "", 0, {423, 153, 21, 20});
  return d;
}

}  // namespace brisa::res::detail
