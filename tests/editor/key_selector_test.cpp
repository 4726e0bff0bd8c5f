#include "editor/key_selector.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "main_dialog_fixture.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace kb = res::keyboard;
namespace keys = res::key_selector;
using testing::HeadlessProcess;

class KeySelectorTest : public ::testing::Test, protected HeadlessProcess {
 protected:
  void SetUp() override {
    dialog.Create();
    shell.clickTab(res::dialog::kMain, res::main_dialog::kTabControl, kPageKeyboard);
  }

  ui::HeadlessWindow& page() { return shell.window(res::dialog::kKeyboard); }
  ui::HeadlessWindow& selector() { return shell.window(res::dialog::kKeySelector); }
  // "Keycode Helper", with what the user does while the selector is open.
  void runSelector(const std::function<void()>& step) {
    shell.whenModal(step);
    shell.click(res::dialog::kKeyboard, kb::kKeycodeHelperButton);
    EXPECT_FALSE(shell.hasDialog(res::dialog::kKeySelector));
  }

  CBrisaDlg dialog{context, environment};
};

TEST_F(KeySelectorTest, OpensWithTheKeyOfTheEditsCodeFocused) {
  const struct {
    const char* text;
    int focused;  // kNoFocus: the dialog's own first focus
  } cases[] = {
      {"0x04", keys::kKeyA},          {"4", keys::kKeyA},
      {"0x28", keys::kKeyEnter},      {"0x97", keys::kKeypad5},
      {"0xE5", keys::kKeyRightShift}, {"0x5D", ui::kNoFocus},
      {"0x00", ui::kNoFocus},         {"", ui::kNoFocus},
      {"zz", ui::kNoFocus},
  };
  shell.focus(res::dialog::kKeyboard, kb::KeyEdit(7));
  for (const auto& c : cases) {
    page().setText(kb::KeyEdit(7), c.text);
    int seen = -1;
    runSelector([&] {
      seen = selector().focusedId();
      shell.pressEscape(res::dialog::kKeySelector);
    });
    EXPECT_EQ(seen, c.focused) << '"' << c.text << '"';
  }
}

TEST_F(KeySelectorTest, AKeyClickWritesItsCodeIntoTheLastFocusedEditAndCloses) {
  const struct {
    int key;
    const char* text;
  } cases[] = {
      {keys::kKeyA, "0x04"},    {keys::kKeyLeftCtrl, "0xE0"}, {keys::kKeySpace, "0x2C"},
      {keys::kKeypad5, "0x97"}, {keys::kKeypadEnter, "0x28"},
  };
  for (const auto& c : cases) {
    shell.focus(res::dialog::kKeyboard, kb::KeyEdit(20));
    page().setText(kb::KeyEdit(20), "0x1E");
    runSelector([&] { shell.click(res::dialog::kKeySelector, c.key); });
    EXPECT_EQ(page().text(kb::KeyEdit(20)), c.text) << c.key;
    EXPECT_EQ(page().text(kb::KeyEdit(0)), "") << c.key;
  }
}

TEST_F(KeySelectorTest, TheTargetStaysUntilAnotherEditTakesTheFocus) {
  shell.focus(res::dialog::kKeyboard, kb::KeyEdit(3));
  runSelector([&] { shell.click(res::dialog::kKeySelector, keys::kKeyB); });
  // The helper button now has the focus; the edit is still the target.
  runSelector([&] { shell.click(res::dialog::kKeySelector, keys::kKeyC); });
  EXPECT_EQ(page().text(kb::KeyEdit(3)), "0x06");
  shell.focus(res::dialog::kKeyboard, kb::KeyEdit(35));
  runSelector([&] { shell.click(res::dialog::kKeySelector, keys::kKeyZ); });
  EXPECT_EQ(page().text(kb::KeyEdit(35)), "0x1D");
  EXPECT_EQ(page().text(kb::KeyEdit(3)), "0x06");
}

TEST_F(KeySelectorTest, EscAndTheCloseBoxChangeNothing) {
  shell.focus(res::dialog::kKeyboard, kb::KeyEdit(1));
  page().setText(kb::KeyEdit(1), "0x05");
  runSelector([&] { shell.pressEscape(res::dialog::kKeySelector); });
  runSelector([&] { shell.requestClose(res::dialog::kKeySelector); });
  EXPECT_EQ(page().text(kb::KeyEdit(1)), "0x05");
}

TEST(KeySelectorWithoutTarget, BeforeAnyEditHadTheFocusAKeyWritesNothing) {
  HeadlessProcess process;
  CBrisaDlg dialog(process.context, process.environment);
  dialog.Create();
  ui::HeadlessWindow& page = process.shell.window(res::dialog::kKeyboard);
  // As for a board other than Keyboard: the tab's first focus skips the disabled edits.
  for (int i = 0; i < kb::kKeyEditCount; ++i) page.setEnabled(kb::KeyEdit(i), false);
  process.shell.clickTab(res::dialog::kMain, res::main_dialog::kTabControl, kPageKeyboard);
  ASSERT_EQ(process.context.focusedKeyEditId, 0);
  process.shell.whenModal(
      [&] { process.shell.click(res::dialog::kKeySelector, res::key_selector::kKeyA); });
  process.shell.click(res::dialog::kKeyboard, kb::kKeycodeHelperButton);
  EXPECT_FALSE(process.shell.hasDialog(res::dialog::kKeySelector));
  for (int i = 0; i < kb::kKeyEditCount; ++i) EXPECT_EQ(page.text(kb::KeyEdit(i)), "") << i;
}

TEST_F(KeySelectorTest, TheKeyboardTabsFirstFocusMakesItsFirstEditTheTarget) {
  EXPECT_EQ(context.focusedKeyEditId, kb::KeyEdit(0));
}

}  // namespace
}  // namespace brisa::editor
