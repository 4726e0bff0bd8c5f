#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisa::res {

// A control id for controls that are never addressed (labels, group boxes).
inline constexpr int kNoId = -1;

enum class ControlKind : std::uint8_t {
  PushButton,
  DefPushButton,
  CheckBox,
  GroupBox,
  Label,    // static text
  Picture,  // static holding an icon
  Edit,
  ComboBox,
  TabControl,
  ProgressBar,
  Slider,
  Link,
};

// Style bits of a control, as the templates give them.
namespace style {
inline constexpr std::uint32_t kTabStop = 1u << 0;
inline constexpr std::uint32_t kDisabled = 1u << 1;  // disabled at start
inline constexpr std::uint32_t kReadOnly = 1u << 2;
inline constexpr std::uint32_t kDigitsOnly = 1u << 3;  // numeric edit
inline constexpr std::uint32_t kAutoCheck = 1u << 4;   // check box toggles itself on click
inline constexpr std::uint32_t kMultiline = 1u << 5;
inline constexpr std::uint32_t kCentered = 1u << 6;  // text centred
inline constexpr std::uint32_t kRightAligned = 1u << 7;
inline constexpr std::uint32_t kBorder = 1u << 8;
inline constexpr std::uint32_t kVScroll = 1u << 9;
inline constexpr std::uint32_t kHScroll = 1u << 10;
inline constexpr std::uint32_t kAutoHScroll = 1u << 11;
inline constexpr std::uint32_t kAutoVScroll = 1u << 12;
inline constexpr std::uint32_t kDropDownList = 1u << 13;
inline constexpr std::uint32_t kSorted = 1u << 14;
inline constexpr std::uint32_t kFixedWidthTabs = 1u << 15;
inline constexpr std::uint32_t kHidden = 1u << 16;  // not visible at start
inline constexpr std::uint32_t kWantReturn = 1u << 17;
inline constexpr std::uint32_t kNoTicks = 1u << 18;  // slider without tick marks
// Further bits may be added after these; existing values never change.
}  // namespace style

// Position and size in dialog units.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// One control; the order of controls in a dialog is its tab order.
struct ControlTemplate {
  ControlKind kind = ControlKind::Label;
  int id = kNoId;
  std::string caption;
  std::uint32_t style = 0;
  Rect rect;
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  int width = 0;   // dialog units
  int height = 0;  // dialog units
  std::string fontName;
  int fontPointSize = 8;
  int menuId = 0;  // 0: no menu
  std::vector<ControlTemplate> controls;
};

// The template of a dialog by its resource id; throws std::out_of_range for an unknown id.
const DialogTemplate& GetDialogTemplate(int dialogId);

}  // namespace brisa::res
