#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {

DialogTemplate BuildKeyboardTemplate() {
  using namespace style;
  using namespace keyboard;
  DialogTemplate d = MakePage(dialog::kKeyboard, 499, 244);
  // Four rows of nine; the edits carry no labels and are known by their place.
  for (int i = 0; i < kKeyEditCount; ++i) {
    const int r = i / 9;
    const int c = i % 9;
    AddControl(d, ControlKind::Edit, KeyEdit(i), "", kBorder | kTabStop | kAutoHScroll,
               {12 + 54 * c, 24 + 24 * r, 42, 14});
  }
  AddControl(d, ControlKind::PushButton, kKeycodeHelperButton, "Keycode Helper", kTabStop,
             {174, 120, 150, 14});
  return d;
}

}  // namespace brisa::res::detail
