#include "resources/dialog_template.h"

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>

#include "resources/resource_ids.h"

namespace brisa::res {

void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

using K = ControlKind;
using namespace style;

const ControlTemplate* FindById(const DialogTemplate& d, int id) {
  for (const ControlTemplate& c : d.controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const ControlTemplate* FindByCaption(const DialogTemplate& d, const std::string& caption) {
  for (const ControlTemplate& c : d.controls) {
    if (c.caption == caption) return &c;
  }
  return nullptr;
}

struct Row {
  int dialogId;
  int id;  // kNoId: found by caption
  K kind;
  const char* caption;
  std::uint32_t style;
  Rect rect;
};

// Rows as the pages' tables give them, including every id that names different controls on
// different pages (1081, 1082, 1150) and the first and last rows of each generated group.
const Row kRows[] = {
    // "Advanced"
    {101, kNoId, K::GroupBox, "Debounce / Timings", 0, {7, 7, 487, 53}},
    {101, 1077, K::Edit, "", kDigitsOnly | kBorder | kTabStop | kAutoHScroll, {101, 20, 32, 14}},
    {101, 1010, K::Edit, "", kDigitsOnly | kBorder | kTabStop | kAutoHScroll, {101, 37, 32, 14}},
    {101, 1081, K::Edit, "", kDigitsOnly | kBorder | kTabStop | kAutoHScroll, {268, 20, 32, 14}},
    {101, 1149, K::Edit, "", kDigitsOnly | kBorder | kTabStop | kAutoHScroll, {268, 37, 32, 14}},
    {101,
     1228,
     K::CheckBox,
     "Require PIN for pairing (BLE only)",
     kAutoCheck | kTabStop,
     {320, 22, 123, 10}},
    {101, 1150, K::Edit, "", kDigitsOnly | kBorder | kTabStop | kAutoHScroll, {430, 37, 55, 14}},
    {101, kNoId, K::Label, "Rotary/toggle sw press time (20..)", 0, {149, 40, 112, 8}},
    {101, 1100, K::Edit, "", kBorder | kTabStop | kAutoHScroll, {15, 80, 306, 14}},
    {101, 1078, K::PushButton, "Choose", kTabStop, {325, 80, 50, 14}},
    {101, 1225, K::PushButton, "Upgrade", kTabStop | kDisabled, {378, 80, 51, 14}},
    {101, 1080, K::PushButton, "Reboot", kTabStop | kDisabled, {431, 80, 54, 14}},
    {101, 1224, K::ProgressBar, "", kBorder, {15, 100, 470, 8}},
    {101,
     1101,
     K::Edit,
     "",
     kMultiline | kReadOnly | kVScroll | kBorder | kTabStop | kAutoHScroll,
     {15, 113, 470, 133}},
    // "Axis Setup": rows of axis 1 and axis 8, then the gains
    // The captions start 4 units further left, to leave room before their edits.
    {102, kNoId, K::Label, "Axis 1 minimum value", 0, {17, 14, 72, 8}},
    {102, 1027, K::Edit, "", kRightAligned | kBorder | kTabStop, {91, 11, 49, 14}},
    {102, 1019, K::Edit, "", kRightAligned | kBorder | kTabStop, {197, 11, 49, 14}},
    {102, 1002, K::CheckBox, "Inverted", kAutoCheck | kTabStop, {252, 13, 56, 10}},
    {102, 1035, K::Edit, "", kReadOnly | kBorder | kTabStop, {308, 11, 40, 14}},
    {102, 1140, K::ProgressBar, "", kBorder, {352, 11, 134, 14}},
    {102, kNoId, K::Label, "Axis 8 minimum value", 0, {17, 182, 72, 8}},
    {102, 1034, K::Edit, "", kRightAligned | kBorder | kTabStop, {91, 179, 49, 14}},
    {102, 1026, K::Edit, "", kRightAligned | kBorder | kTabStop, {197, 179, 49, 14}},
    {102, 1009, K::CheckBox, "Inverted", kAutoCheck | kTabStop, {252, 181, 56, 10}},
    {102, 1042, K::Edit, "", kReadOnly | kBorder | kTabStop, {308, 179, 40, 14}},
    {102, 1147, K::ProgressBar, "", kBorder, {352, 179, 134, 14}},
    {102, kNoId, K::Label, "Digital Potentiometer 1 Gain", 0, {17, 212, 94, 8}},
    {102, 1236, K::Slider, "", kNoTicks | kTabStop, {125, 210, 361, 15}},
    {102, 1237, K::Slider, "", kNoTicks | kTabStop, {125, 232, 361, 15}},
    // "Button Setup": first and last box of each group
    {103, kNoId, K::GroupBox, "Analog inputs", 0, {9, 9, 490, 29}},
    {103, 1011, K::CheckBox, "Button 1", kAutoCheck | kTabStop, {14, 22, 56, 10}},
    {103, 1018, K::CheckBox, "Button 8", kAutoCheck | kTabStop, {434, 22, 56, 10}},
    {103, kNoId, K::GroupBox, "Rotary encoders", 0, {9, 38, 490, 51}},
    {103, 1082, K::CheckBox, "Buttons 1-2", kAutoCheck | kTabStop, {14, 49, 56, 10}},
    {103, 1091, K::CheckBox, "Buttons 19-20", kAutoCheck | kTabStop, {73, 63, 56, 10}},
    {103, 1099, K::CheckBox, "Buttons 35-36", kAutoCheck | kTabStop, {73, 77, 56, 10}},
    {103, kNoId, K::GroupBox, "Rotary switches", 0, {9, 89, 490, 83}},
    {103, 1150, K::CheckBox, "Button 1", kAutoCheck | kTabStop, {14, 102, 56, 10}},
    {103, 1185, K::CheckBox, "Button 36", kAutoCheck | kTabStop, {194, 160, 56, 10}},
    {103, kNoId, K::GroupBox, "Toggle switches", 0, {9, 172, 490, 87}},
    {103, 1187, K::CheckBox, "Button 1", kAutoCheck | kTabStop, {14, 185, 56, 10}},
    {103, 1216, K::CheckBox, "Button 30", kAutoCheck | kTabStop, {314, 228, 56, 10}},
    {103, 1222, K::CheckBox, "Button 36", kAutoCheck | kTabStop, {194, 243, 56, 10}},
    // "Keyboard"
    {105, 1103, K::Edit, "", kBorder | kTabStop | kAutoHScroll, {12, 24, 42, 14}},
    {105, 1111, K::Edit, "", kBorder | kTabStop | kAutoHScroll, {444, 24, 42, 14}},
    {105, 1112, K::Edit, "", kBorder | kTabStop | kAutoHScroll, {12, 48, 42, 14}},
    {105, 1138, K::Edit, "", kBorder | kTabStop | kAutoHScroll, {444, 96, 42, 14}},
    {105, 1229, K::PushButton, "Keycode Helper", kTabStop, {174, 120, 150, 14}},
    // "Button Test": first and last lamp and number, the hats
    {104, 1045, K::Picture, "", 0, {18, 37, 21, 20}},
    {104, 1052, K::Picture, "", 0, {354, 37, 21, 20}},
    {104, 1076, K::Picture, "", 0, {354, 181, 21, 20}},
    {104, kNoId, K::Label, "1", 0, {46, 65, 8, 8}},
    {104, kNoId, K::Label, "32", 0, {382, 209, 8, 8}},
    {104, kNoId, K::GroupBox, "Hat 1", 0, {402, 37, 93, 84}},
    {104, 1081, K::Picture, "", 0, {424, 57, 21, 20}},
    {104, kNoId, K::GroupBox, "Hat 2", 0, {402, 133, 93, 84}},
    {104, 1082, K::Picture, "", 0, {423, 153, 21, 20}},
    // Main dialog
    {106, 1223, K::PushButton, "Update", kDisabled | kTabStop, {461, 335, 50, 14}},
    {106, 1102, K::ComboBox, "", kDropDownList | kVScroll | kTabStop, {68, 7, 443, 30}},
    {106, kNoId, K::Label, "HID Device :", kCentered, {3, 7, 62, 11}},
    {106, kNoId, K::GroupBox, "Device Information", 0, {3, 22, 508, 32}},
    {106, 1148, K::PushButton, "Read", kDisabled | kTabStop, {361, 335, 50, 14}},
    {106,
     1227,
     K::Edit,
     "",
     kReadOnly | kCentered | kBorder | kTabStop | kAutoHScroll,
     {56, 35, 51, 14}},
    {106,
     1139,
     K::Edit,
     "",
     kReadOnly | kCentered | kBorder | kTabStop | kAutoHScroll,
     {162, 35, 54, 14}},
    {106,
     1226,
     K::Edit,
     "",
     kReadOnly | kCentered | kBorder | kTabStop | kAutoHScroll,
     {295, 35, 55, 14}},
    {106, kNoId, K::Label, "Vendor ID", 0, {19, 38, 33, 8}},
    {106, kNoId, K::Label, "Device ID", 0, {120, 38, 32, 8}},
    {106, kNoId, K::Label, "Firmware version", 0, {227, 38, 56, 8}},
    {106, 1186, K::TabControl, "", kFixedWidthTabs, {3, 58, 508, 276}},
    {106, 1079, K::PushButton, "Set defaults", kDisabled | kTabStop, {411, 335, 50, 14}},
    {106, 1043, K::Edit, "", kReadOnly | kBorder | kTabStop | kAutoHScroll, {430, 35, 48, 14}},
    {106, kNoId, K::Label, "Battery level", 0, {369, 38, 42, 8}},
    // Key-code selector: the lock lamps above the keypad
    {130, kNoId, K::Label, "o        o        o", 0, {326, 12, 45, 8}},
};

TEST(DialogTemplateTest, RowsMatchTheTables) {
  for (const Row& row : kRows) {
    SCOPED_TRACE("dialog " + std::to_string(row.dialogId) + ", id " + std::to_string(row.id) +
                 ", \"" + row.caption + "\"");
    const DialogTemplate& d = GetDialogTemplate(row.dialogId);
    const ControlTemplate* c =
        row.id == kNoId ? FindByCaption(d, row.caption) : FindById(d, row.id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->id, row.id);
    EXPECT_EQ(c->kind, row.kind);
    EXPECT_EQ(c->caption, row.caption);
    EXPECT_EQ(c->style, row.style);
    EXPECT_EQ(c->rect, row.rect);
  }
}

struct Shape {
  int dialogId;
  const char* caption;
  int width;
  int height;
  int menuId;
  std::size_t controls;
};

const Shape kShapes[] = {
    {101, "", 501, 271, 0, 19},
    {102, "", 518, 266, 0, 60},
    {103, "", 512, 273, 0, 102},
    {104, "", 509, 265, 0, 68},
    {105, "", 499, 244, 0, 37},
    {106, "brisa", 515, 352, 143, 17},
    {130, "Keycode selector", 391, 104, 0, 105},
};

TEST(DialogTemplateTest, SizeCaptionFontMenuAndControlCount) {
  for (const Shape& s : kShapes) {
    SCOPED_TRACE("dialog " + std::to_string(s.dialogId));
    const DialogTemplate& d = GetDialogTemplate(s.dialogId);
    EXPECT_EQ(d.id, s.dialogId);
    EXPECT_EQ(d.caption, s.caption);
    EXPECT_EQ(d.width, s.width);
    EXPECT_EQ(d.height, s.height);
    EXPECT_EQ(d.menuId, s.menuId);
    EXPECT_EQ(d.fontName, "MS Shell Dlg");
    EXPECT_EQ(d.fontPointSize, 8);
    EXPECT_EQ(d.controls.size(), s.controls);
  }
}

TEST(DialogTemplateTest, IdsUniqueAndControlsInsideEachTemplate) {
  for (const Shape& s : kShapes) {
    SCOPED_TRACE("dialog " + std::to_string(s.dialogId));
    const DialogTemplate& d = GetDialogTemplate(s.dialogId);
    std::set<int> seen;
    for (const ControlTemplate& c : d.controls) {
      EXPECT_TRUE(c.rect.x >= 0 && c.rect.y >= 0 && c.rect.x + c.rect.width <= d.width &&
                  c.rect.y + c.rect.height <= d.height)
          << "\"" << c.caption << "\" (" << c.id << ") outside the dialog";
      if (c.id == kNoId) continue;
      EXPECT_TRUE(seen.insert(c.id).second) << "id " << c.id << " twice";
    }
  }
}

// Each generated check box lies inside the group box that precedes it.
TEST(DialogTemplateTest, ButtonSetupBoxesInsideTheirGroup) {
  const Rect* group = nullptr;
  for (const ControlTemplate& c : GetDialogTemplate(dialog::kButtonSetup).controls) {
    if (c.kind == K::GroupBox) {
      group = &c.rect;
      continue;
    }
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(c.rect.x > group->x && c.rect.y > group->y &&
                c.rect.x + c.rect.width < group->x + group->width &&
                c.rect.y + c.rect.height < group->y + group->height)
        << c.id;
  }
}

// The dialog's Tab key walks the controls in template order.
TEST(DialogTemplateTest, MainDialogTabOrder) {
  const int expected[] = {1223,  1102,  kNoId, kNoId, 1148, 1227,  1139,  1226, kNoId,
                          kNoId, kNoId, 1186,  1079,  1043, kNoId, kNoId, 1232};
  const DialogTemplate& d = GetDialogTemplate(dialog::kMain);
  ASSERT_EQ(d.controls.size(), std::size(expected));
  for (std::size_t i = 0; i < d.controls.size(); ++i) {
    EXPECT_EQ(d.controls[i].id, expected[i]) << "position " << i;
  }
  // The tab control is passed over; the link is reachable.
  EXPECT_EQ(d.controls[11].style & kTabStop, 0u);
  EXPECT_EQ(d.controls[16].kind, K::Link);
  EXPECT_NE(d.controls[16].style & kTabStop, 0u);
}

TEST(DialogTemplateTest, UnknownDialogIdThrows) {
  EXPECT_THROW(GetDialogTemplate(107), std::out_of_range);
  EXPECT_THROW(GetDialogTemplate(0), std::out_of_range);
}

// Tab order runs through each group's boxes in button order: the clicked box's group handler
// and the page fill rely on the ids following the buttons.
TEST(DialogTemplateTest, ButtonSetupGroupsRunInIdOrder) {
  const DialogTemplate& d = GetDialogTemplate(dialog::kButtonSetup);
  int previous = 0;
  for (const ControlTemplate& c : d.controls) {
    if (c.kind != K::CheckBox) continue;
    EXPECT_GT(c.id, previous);
    EXPECT_NE(c.id, main_dialog::kTabControl) << "1186 is no control of this page";
    previous = c.id;
  }
}

}  // namespace
}  // namespace brisa::res
