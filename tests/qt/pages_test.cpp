#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "board/device.h"
#include "qt_process.h"
#include "resources/resource_ids.h"

namespace brisa::qt {
namespace {

namespace bs = res::button_setup;
namespace kb = res::keyboard;
namespace keys = res::key_selector;

class QtPagesTest : public testing::QtWindowTest {
 protected:
  QCheckBox* box(int id) const {
    return static_cast<QCheckBox*>(control(res::dialog::kButtonSetup, id));
  }
  QLineEdit* keyEdit(int i) const {
    return static_cast<QLineEdit*>(control(res::dialog::kKeyboard, kb::KeyEdit(i)));
  }
  // Clicks "Keycode Helper" and does `step` once the selector is up; the selector is ended
  // after a while should `step` leave it open, so a failure cannot hang the suite.
  void withSelector(const std::function<void(QWidget* selector)>& step) {
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
      QWidget* selector = shell.widget(res::dialog::kKeySelector);
      // Active, and the focus moved into it, as it is before a user can click.
      ASSERT_TRUE(
          QTest::qWaitFor([&] { return selector->isAncestorOf(QApplication::focusWidget()); }));
      step(selector);
    });
    QTimer::singleShot(10000, &scope, [&] {
      if (shell.hasDialog(res::dialog::kKeySelector)) {
        shell.endDialog(res::dialog::kKeySelector, -1);
      }
    });
    QTest::mouseClick(control(res::dialog::kKeyboard, kb::kKeycodeHelperButton), Qt::LeftButton);
  }
};

TEST_F(QtPagesTest, ClickedBoxesWinTheirButtons) {
  clickTab(0);
  QTest::mouseClick(box(bs::EncoderBox(1)), Qt::LeftButton);  // "Buttons 3-4"
  ASSERT_TRUE(box(bs::EncoderBox(1))->isChecked());
  QTest::mouseClick(box(bs::RotaryBox(2)), Qt::LeftButton);  // rotary switch "Button 3"
  EXPECT_TRUE(box(bs::RotaryBox(2))->isChecked());
  EXPECT_FALSE(box(bs::EncoderBox(1))->isChecked());
  // A disabled box is cleared all the same.
  box(bs::ToggleBox(2))->setChecked(true);
  box(bs::ToggleBox(2))->setEnabled(false);
  QTest::mouseClick(box(bs::RotaryBox(2)), Qt::LeftButton);  // unchecks it, re-applies the rule
  QTest::mouseClick(box(bs::RotaryBox(2)), Qt::LeftButton);
  EXPECT_TRUE(box(bs::RotaryBox(2))->isChecked());
  EXPECT_FALSE(box(bs::ToggleBox(2))->isChecked());
}

TEST_F(QtPagesTest, TheKeySelectorWritesTheClickedKeyIntoTheEditThatHadTheFocus) {
  clickTab(4);
  QTest::mouseClick(keyEdit(2), Qt::LeftButton);
  EXPECT_EQ(context.focusedKeyEditId, kb::KeyEdit(2));
  keyEdit(2)->setText("0x28");
  int focusedFirst = 0;
  bool modal = false;
  withSelector([&](QWidget* selector) {
    focusedFirst = shell.window(res::dialog::kKeySelector).focusedId();
    modal = selector->isModal() && selector->parentWidget() == top();
    QTest::mouseClick(control(res::dialog::kKeySelector, keys::kKeyA), Qt::LeftButton);
  });
  EXPECT_EQ(focusedFirst, keys::kKeyEnter);
  EXPECT_TRUE(modal);
  EXPECT_EQ(keyEdit(2)->text().toStdString(), "0x04");
  EXPECT_FALSE(shell.hasDialog(res::dialog::kKeySelector));

  // Esc closes it without a change; the target is still the same edit.
  withSelector([&](QWidget* selector) { QTest::keyClick(selector, Qt::Key_Escape); });
  EXPECT_EQ(keyEdit(2)->text().toStdString(), "0x04");
  withSelector([&](QWidget*) {
    QTest::mouseClick(control(res::dialog::kKeySelector, keys::kKeypad5), Qt::LeftButton);
  });
  EXPECT_EQ(keyEdit(2)->text().toStdString(), "0x97");
}

// The pages at work, for a person to look at: boxes after the exclusion rule, the defaults of
// a Merlin board, the selector opened on the key of an edit's code.
TEST_F(QtPagesTest, ScreenshotsOfThePagesAtWork) {
  const QString dir = QStringLiteral(BRISA_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(dir));
  context.board.pDevice = board::CreateDevice(board::ModelId::Merlin, false);
  main().setEnabled(res::main_dialog::kSetDefaultsButton, true);
  QTest::mouseClick(control(res::dialog::kMain, res::main_dialog::kSetDefaultsButton),
                    Qt::LeftButton);
  clickTab(0);
  for (int id : {bs::EncoderBox(0), bs::RotaryBox(1), bs::AnalogBox(4), bs::ToggleBox(4),
                 bs::ToggleBox(12)}) {
    QTest::mouseClick(box(id), Qt::LeftButton);
  }
  ASSERT_TRUE(top()->grab().save(dir + "/work_button_setup.png"));
  clickTab(2);
  ASSERT_TRUE(top()->grab().save(dir + "/work_axis_setup_defaults.png"));
  clickTab(3);
  ASSERT_TRUE(top()->grab().save(dir + "/work_advanced_defaults.png"));
  clickTab(4);
  QTest::mouseClick(keyEdit(5), Qt::LeftButton);
  keyEdit(5)->setText("0x97");
  withSelector([&](QWidget* selector) {
    ASSERT_TRUE(selector->grab().save(dir + "/work_key_selector.png"));
    QTest::mouseClick(control(res::dialog::kKeySelector, keys::kKeySpace), Qt::LeftButton);
  });
  ASSERT_TRUE(top()->grab().save(dir + "/work_keyboard.png"));
  EXPECT_EQ(keyEdit(5)->text().toStdString(), "0x2C");
}

}  // namespace
}  // namespace brisa::qt
