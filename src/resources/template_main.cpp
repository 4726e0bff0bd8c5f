#include "resources/app_info.h"
#include "resources/resource_ids.h"
#include "resources/template_builders.h"

namespace brisa::res::detail {

DialogTemplate BuildMainTemplate() {
  using K = ControlKind;
  using namespace style;
  using namespace main_dialog;
  // The identity edits scroll when a value is longer than the box.
  constexpr std::uint32_t kIdentityEdit = kReadOnly | kCentered | kBorder | kTabStop | kAutoHScroll;

  DialogTemplate d;
  d.id = dialog::kMain;
  d.caption = kApplicationTitle;
  d.width = 515;
  d.height = 352;
  d.fontName = kDialogFont;
  d.fontPointSize = kDialogFontSize;
  d.menuId = kMainMenu;
  // Template order is the tab order.
  AddControl(d, K::PushButton, kUpdateButton, "Update", kDisabled | kTabStop, {461, 335, 50, 14});
  AddControl(d, K::ComboBox, kDeviceCombo, "", kDropDownList | kVScroll | kTabStop,
             {68, 7, 443, 30});
  AddControl(d, K::Label, kNoId, "HID Device :", kCentered, {3, 7, 62, 11});
  AddControl(d, K::GroupBox, kNoId, "Device Information", 0, {3, 22, 508, 32});
  AddControl(d, K::PushButton, kReadButton, "Read", kDisabled | kTabStop, {361, 335, 50, 14});
  AddControl(d, K::Edit, kVendorIdEdit, "", kIdentityEdit, {56, 35, 51, 14});
  AddControl(d, K::Edit, kProductIdEdit, "", kIdentityEdit, {162, 35, 54, 14});
  AddControl(d, K::Edit, kFirmwareVersionEdit, "", kIdentityEdit, {295, 35, 55, 14});
  AddControl(d, K::Label, kNoId, "Vendor ID", 0, {19, 38, 33, 8});
  AddControl(d, K::Label, kNoId, "Device ID", 0, {120, 38, 32, 8});
  AddControl(d, K::Label, kNoId, "Firmware version", 0, {227, 38, 56, 8});
  AddControl(d, K::TabControl, kTabControl, "", kFixedWidthTabs, {3, 58, 508, 276});
  AddControl(d, K::PushButton, kSetDefaultsButton, "Set defaults", kDisabled | kTabStop,
             {411, 335, 50, 14});
  AddControl(d, K::Edit, kBatteryLevelEdit, "", kReadOnly | kBorder | kTabStop | kAutoHScroll,
             {430, 35, 48, 14});
  AddControl(d, K::Label, kNoId, "Battery level", 0, {369, 38, 42, 8});
  AddControl(d, K::Label, kNoId, kApplicationTitleLine, 0, {8, 339, 211, 8});
  AddControl(d, K::Link, kWebLink, kWebAddress, kTabStop, {230, 337, 120, 11});
  return d;
}

}  // namespace brisa::res::detail
