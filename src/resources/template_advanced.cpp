#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {

DialogTemplate BuildAdvancedTemplate() {
  using K = ControlKind;
  using namespace style;
  using namespace advanced;
  // Every edit of this page scrolls its text horizontally.
  constexpr std::uint32_t kNumberEdit = kDigitsOnly | kBorder | kTabStop | kAutoHScroll;

  DialogTemplate d = MakePage(dialog::kAdvanced, 501, 271);
  AddControl(d, K::GroupBox, kNoId, "Debounce / Timings", 0, {7, 7, 487, 53});
  AddControl(d, K::Label, kNoId, "Button debounce time", 0, {17, 23, 71, 8});
  AddControl(d, K::Edit, kDebounceEdit, "", kNumberEdit, {101, 20, 32, 14});
  AddControl(d, K::Label, kNoId, "Analog filtering (0..100)", 0, {17, 40, 78, 8});
  AddControl(d, K::Edit, kFilteringEdit, "", kNumberEdit, {101, 37, 32, 14});
  AddControl(d, K::Label, kNoId, "Encoder button press time (20..)", 0, {149, 23, 106, 8});
  AddControl(d, K::Edit, kEncoderPressTimeEdit, "", kNumberEdit, {268, 20, 32, 14});
  AddControl(d, K::Label, kNoId, "Rotary/toggle sw press time (20..)", 0, {149, 40, 112, 8});
  AddControl(d, K::Edit, kSwitchPressTimeEdit, "", kNumberEdit, {268, 37, 32, 14});
  AddControl(d, K::CheckBox, kRequirePinBox, "Require PIN for pairing (BLE only)",
             kAutoCheck | kTabStop, {320, 22, 123, 10});
  AddControl(d, K::Label, kNoId, "PIN value (6 digit recommended)", 0, {320, 40, 105, 8});
  AddControl(d, K::Edit, kPinEdit, "", kNumberEdit, {430, 37, 55, 14});
  AddControl(d, K::GroupBox, kNoId, "Firmware update", 0, {7, 62, 487, 191});
  AddControl(d, K::Edit, kFirmwarePathEdit, "", kBorder | kTabStop | kAutoHScroll,
             {15, 80, 306, 14});
  AddControl(d, K::PushButton, kChooseButton, "Choose", kTabStop, {325, 80, 50, 14});
  AddControl(d, K::PushButton, kUpgradeButton, "Upgrade", kTabStop | kDisabled, {378, 80, 51, 14});
  AddControl(d, K::PushButton, kRebootButton, "Reboot", kTabStop | kDisabled, {431, 80, 54, 14});
  AddControl(d, K::ProgressBar, kProgressBar, "", kBorder, {15, 100, 470, 8});
  AddControl(d, K::Edit, kLogEdit, "",
             kMultiline | kReadOnly | kVScroll | kBorder | kTabStop | kAutoHScroll,
             {15, 113, 470, 133});
  return d;
}

}  // namespace brisa::res::detail
