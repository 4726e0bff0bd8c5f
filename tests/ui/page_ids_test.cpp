#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "ui/headless_window.h"

namespace brisa::ui {
namespace {

HeadlessWindow Page(int dialogId) {
  return HeadlessWindow(res::GetDialogTemplate(dialogId));
}

// Ids 1081, 1082 and 1150 name different controls on different pages; each page answers only
// for its own control.
TEST(PageIdsTest, RepeatedIdsWorkOnlyOnTheirOwnPage) {
  HeadlessWindow buttonSetup = Page(res::dialog::kButtonSetup);
  HeadlessWindow buttonTest = Page(res::dialog::kButtonTest);
  HeadlessWindow advanced = Page(res::dialog::kAdvanced);

  advanced.setText(res::advanced::kPinEdit, "123456");
  buttonSetup.setChecked(res::button_setup::RotaryBox(0), true);
  advanced.setText(res::advanced::kEncoderPressTimeEdit, "40");
  buttonTest.setIcon(res::button_test::kHat1Picture, res::icon::kHatCentred);
  buttonSetup.setChecked(res::button_setup::EncoderBox(0), true);
  buttonTest.setIcon(res::button_test::kHat2Picture, res::icon::kHatCentred);

  const std::vector<std::pair<const char*, std::function<void()>>> wrongPage = {
      {"PIN text on Button Setup", [&] { buttonSetup.setText(1150, "1"); }},
      {"PIN text read on Button Setup", [&] { buttonSetup.text(1150); }},
      {"rotary box on Advanced", [&] { advanced.setChecked(1150, true); }},
      {"press time on Button Test", [&] { buttonTest.setText(1081, "40"); }},
      {"hat picture on Advanced", [&] { advanced.setIcon(1081, 132); }},
      {"encoder box on Button Test", [&] { buttonTest.checked(1082); }},
      {"hat picture on Button Setup", [&] { buttonSetup.setIcon(1082, 132); }},
      {"Button Setup has no 1186", [&] { buttonSetup.checked(1186); }},
      {"Advanced has no axis edit", [&] { advanced.text(res::axis_setup::MinEdit(0)); }},
  };
  for (const auto& [name, call] : wrongPage) EXPECT_THROW(call(), std::logic_error) << name;
}

TEST(PageIdsTest, ControlsStartAsTheTemplateSays) {
  HeadlessWindow advanced = Page(res::dialog::kAdvanced);
  EXPECT_FALSE(advanced.enabled(res::advanced::kUpgradeButton));
  EXPECT_FALSE(advanced.enabled(res::advanced::kRebootButton));
  EXPECT_TRUE(advanced.enabled(res::advanced::kChooseButton));
  EXPECT_EQ(advanced.text(res::advanced::kLogEdit), "");
  HeadlessWindow main = Page(res::dialog::kMain);
  EXPECT_FALSE(main.enabled(res::main_dialog::kUpdateButton));
  EXPECT_EQ(main.selection(res::main_dialog::kDeviceCombo), kNoSelection);
}

}  // namespace
}  // namespace brisa::ui
