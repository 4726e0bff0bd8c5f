#include <gtest/gtest.h>

#include <set>
#include <string>

#include "main_dialog_fixture.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace bs = res::button_setup;
using testing::HeadlessProcess;

class ButtonSetupTest : public ::testing::Test, protected HeadlessProcess {
 protected:
  void SetUp() override { dialog.Create(); }

  ui::HeadlessWindow& page() { return shell.window(res::dialog::kButtonSetup); }
  std::set<int> checkedBoxes() {
    std::set<int> ids;
    for (int id : page().controlIds()) {
      if (page().checked(id)) ids.insert(id);
    }
    return ids;
  }

  CBrisaDlg dialog{context, environment};
};

TEST_F(ButtonSetupTest, TheClickedGroupWinsEachButtonItsCheckedBoxesClaim) {
  const struct {
    const char* what;
    std::set<int> before;    // as a page fill may leave them
    std::set<int> disabled;  // boxes the selected model does not have
    int click;
    std::set<int> after;
  } cases[] = {
      {"a rotary switch takes button 3 from its encoder pair, and so button 4 too",
       {bs::EncoderBox(1)},
       {},
       bs::RotaryBox(2),
       {bs::RotaryBox(2)}},
      {"an encoder beyond button 8 clears no analog box",
       {bs::AnalogBox(0), bs::AnalogBox(7), bs::RotaryBox(8), bs::RotaryBox(9), bs::ToggleBox(8),
        bs::ToggleBox(9), bs::RotaryBox(10)},
       {},
       bs::EncoderBox(4),
       {bs::AnalogBox(0), bs::AnalogBox(7), bs::EncoderBox(4), bs::RotaryBox(10)}},
      {"analog button 8 clears encoder 7-8, rotary 8 and toggle 8",
       {bs::EncoderBox(3), bs::RotaryBox(7), bs::ToggleBox(7), bs::RotaryBox(6)},
       {},
       bs::AnalogBox(7),
       {bs::AnalogBox(7), bs::RotaryBox(6)}},
      {"an encoder below button 9 clears both analog boxes of its pair",
       {bs::AnalogBox(2), bs::AnalogBox(3), bs::ToggleBox(3)},
       {},
       bs::EncoderBox(1),
       {bs::EncoderBox(1)}},
      {"clearing a box re-applies the rule for the rest of its group",
       {bs::ToggleBox(0), bs::ToggleBox(20), bs::RotaryBox(0), bs::RotaryBox(20),
        bs::ToggleBox(30)},
       {},
       bs::ToggleBox(30),
       {bs::ToggleBox(0), bs::ToggleBox(20)}},
      {"disabled boxes are cleared too",
       {bs::AnalogBox(5), bs::ToggleBox(5)},
       {bs::AnalogBox(5), bs::ToggleBox(5)},
       bs::RotaryBox(5),
       {bs::RotaryBox(5)}},
      {"a cleared box sends no click: the conflict of buttons 5-6 stays as it was",
       {bs::EncoderBox(0), bs::ToggleBox(0), bs::EncoderBox(2), bs::ToggleBox(4)},
       {},
       bs::RotaryBox(0),
       {bs::RotaryBox(0), bs::EncoderBox(2), bs::ToggleBox(4)}},
      {"boxes of one group never clear each other",
       {bs::ToggleBox(0), bs::ToggleBox(1), bs::ToggleBox(35)},
       {},
       bs::ToggleBox(2),
       {bs::ToggleBox(0), bs::ToggleBox(1), bs::ToggleBox(2), bs::ToggleBox(35)}},
  };
  for (const auto& c : cases) {
    for (int id : page().controlIds()) {
      page().setChecked(id, c.before.count(id) != 0);
      page().setEnabled(id, c.disabled.count(id) == 0);
    }
    // The user's click toggles an enabled box; a disabled one is set up checked beforehand.
    page().setEnabled(c.click, true);
    shell.click(res::dialog::kButtonSetup, c.click);
    EXPECT_EQ(checkedBoxes(), c.after) << c.what;
  }
}

}  // namespace
}  // namespace brisa::editor
