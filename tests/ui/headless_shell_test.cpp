#include "ui/headless_shell.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "resources/accelerator_table.h"
#include "resources/resource_ids.h"

namespace brisa::ui {
namespace {

namespace ids = res::main_dialog;

// Writes down what reaches a dialog's handlers.
class Recorder final : public DialogEvents {
 public:
  void onNotify(int controlId, Notification code) override {
    seen.push_back("notify " + std::to_string(controlId) + " " +
                   std::to_string(static_cast<int>(code)));
  }
  void onOk() override { seen.push_back("ok"); }
  void onCancel() override { seen.push_back("cancel"); }
  void onCommand(int commandId, CommandSource source) override {
    seen.push_back("command " + std::to_string(commandId) +
                   (source == CommandSource::Menu ? " menu" : " key"));
  }
  void onTimer(int timerId) override { seen.push_back("timer " + std::to_string(timerId)); }
  void onMenuOpening() override { seen.push_back("menu"); }
  std::vector<std::string> seen;
};

class HeadlessShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell.createDialog(res::dialog::kMain, main);
    shell.createDialog(res::dialog::kAdvanced, page, res::dialog::kMain, ids::kTabControl);
    shell.showDialog(res::dialog::kMain, true);
    shell.showDialog(res::dialog::kAdvanced, true);
  }
  HeadlessShell shell;
  Recorder main;
  Recorder page;
};

TEST_F(HeadlessShellTest, FocusMovesAsOnScreenAndOnlyEditsTellTheirDialog) {
  namespace adv = res::advanced;
  HeadlessWindow& w = shell.window(res::dialog::kAdvanced);
  shell.focus(res::dialog::kAdvanced, adv::kPinEdit);
  shell.click(res::dialog::kAdvanced, adv::kChooseButton);  // a clicked button takes the focus
  EXPECT_EQ(w.focusedId(), adv::kChooseButton);
  shell.click(res::dialog::kAdvanced, adv::kUpgradeButton);  // disabled: nothing moves
  shell.focus(res::dialog::kAdvanced, adv::kUpgradeButton);
  EXPECT_EQ(w.focusedId(), adv::kChooseButton);
  shell.focusDialog(res::dialog::kAdvanced);  // the first tab stop: the debounce edit
  EXPECT_EQ(w.focusedId(), adv::kDebounceEdit);
  const int setFocus = static_cast<int>(Notification::SetFocus);
  EXPECT_EQ(page.seen,
            (std::vector<std::string>{
                "notify " + std::to_string(adv::kPinEdit) + " " + std::to_string(setFocus),
                "notify " + std::to_string(adv::kChooseButton) + " 0",
                "notify " + std::to_string(adv::kDebounceEdit) + " " + std::to_string(setFocus)}));
}

TEST_F(HeadlessShellTest, EnterGoesToTheFocusedButtonElseTheDefaultElseOk) {
  HeadlessWindow& w = shell.window(res::dialog::kMain);
  w.setDefaultButton(ids::kReadButton);
  shell.pressEnter(res::dialog::kMain);  // "Read" is disabled: nothing
  w.setEnabled(ids::kReadButton, true);
  shell.pressEnter(res::dialog::kMain);
  w.setEnabled(ids::kUpdateButton, true);
  w.setFocus(ids::kUpdateButton);
  shell.pressEnter(res::dialog::kMain);
  EXPECT_EQ(main.seen, (std::vector<std::string>{"notify 1148 0", "notify 1223 0"}));
  shell.pressEnter(res::dialog::kAdvanced);  // a page has no default button
  EXPECT_EQ(page.seen, std::vector<std::string>{"ok"});
}

TEST_F(HeadlessShellTest, OnlyWhatIsOnScreenAndEnabledTakesInput) {
  shell.click(res::dialog::kAdvanced, res::advanced::kUpgradeButton);  // disabled
  shell.click(res::dialog::kAdvanced, res::advanced::kRequirePinBox);
  EXPECT_TRUE(shell.window(res::dialog::kAdvanced).checked(res::advanced::kRequirePinBox));
  EXPECT_EQ(page.seen, std::vector<std::string>{"notify 1228 0"});
  shell.showDialog(res::dialog::kMain, false);  // hides its pages with it
  EXPECT_FALSE(shell.dialogVisible(res::dialog::kAdvanced));
  EXPECT_THROW(shell.click(res::dialog::kAdvanced, res::advanced::kChooseButton), std::logic_error);
}

TEST_F(HeadlessShellTest, AcceleratorsAndMenuReachTheMainDialogOnly) {
  EXPECT_EQ(shell.pressKey('R', res::modifier::kCtrl), 0);  // no table loaded yet
  ASSERT_TRUE(shell.loadAccelerators(res::kMainAccelerators));
  EXPECT_FALSE(shell.loadAccelerators(999));
  shell.setMainDialog(res::dialog::kMain);
  EXPECT_EQ(shell.pressKey('r', res::modifier::kCtrl), ids::kReadButton);
  EXPECT_EQ(shell.pressKey('R', res::modifier::kCtrl | res::modifier::kShift), 0);
  shell.setMenuItemEnabled(res::dialog::kMain, res::command::ID_FILE_OPEN, false);
  EXPECT_FALSE(shell.chooseMenuItem(res::command::ID_FILE_OPEN));
  EXPECT_TRUE(shell.chooseMenuItem(res::command::ID_APP_EXIT));
  EXPECT_EQ(main.seen,
            (std::vector<std::string>{"command 1148 key", "menu", "menu", "command 57665 menu"}));
  EXPECT_TRUE(page.seen.empty());
}

TEST_F(HeadlessShellTest, AModalRunEndsWithItsResultOrFailsWhenTheScriptRunsOut) {
  shell.whenModal([&] { shell.tick(2); });
  shell.whenModal([&] { shell.endDialog(res::dialog::kMain, kIdCancel); });
  shell.setTimer(res::dialog::kMain, 1, 5);
  EXPECT_EQ(shell.runModal(res::dialog::kMain), kIdCancel);
  EXPECT_EQ(main.seen, (std::vector<std::string>{"timer 1", "timer 1"}));
  EXPECT_THROW(shell.runModal(res::dialog::kMain), std::logic_error);
}

TEST_F(HeadlessShellTest, DestroyingADialogTakesItsPagesAlong) {
  shell.destroyDialog(res::dialog::kMain);
  EXPECT_FALSE(shell.hasDialog(res::dialog::kMain));
  EXPECT_FALSE(shell.hasDialog(res::dialog::kAdvanced));
  EXPECT_THROW(shell.dialog(res::dialog::kAdvanced), std::logic_error);
}

TEST_F(HeadlessShellTest, TabClicksMoveTheFocusedItemOnlyOntoATab) {
  for (const char* text : {"One", "Two", "Three"}) {
    shell.insertTabItem(res::dialog::kMain, ids::kTabControl, 9, text);
  }
  EXPECT_EQ(shell.tabItems(res::dialog::kMain, ids::kTabControl),
            (std::vector<std::string>{"One", "Two", "Three"}));
  EXPECT_EQ(shell.focusedTabItem(res::dialog::kMain, ids::kTabControl), 0);
  shell.clickTab(res::dialog::kMain, ids::kTabControl, 2);
  shell.clickTab(res::dialog::kMain, ids::kTabControl, -1);
  EXPECT_EQ(shell.focusedTabItem(res::dialog::kMain, ids::kTabControl), 2);
  EXPECT_EQ(main.seen, (std::vector<std::string>{"notify 1186 2", "notify 1186 2"}));
  EXPECT_THROW(shell.insertTabItem(res::dialog::kMain, ids::kDeviceCombo, 0, "x"),
               std::logic_error);
}

}  // namespace
}  // namespace brisa::ui
