#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>
#include <thread>
#include <vector>

#include "editor/app_context.h"
#include "editor/brisa_app.h"
#include "editor/brisa_dlg.h"
#include "editor/build_caption.h"
#include "editor/environment.h"
#include "platform/sim/machine.h"
#include "platform/sim/scenario.h"
#include "qt/dialog_widgets.h"
#include "qt/qt_shell.h"
#include "qt_process.h"
#include "resources/resource_ids.h"
#include "ui/headless_prompts.h"

namespace brisa::qt {
namespace {

namespace ids = res::main_dialog;
namespace cmd = res::command;

const int kPageIds[editor::kPageCount] = {res::dialog::kButtonSetup, res::dialog::kButtonTest,
                                          res::dialog::kAxisSetup, res::dialog::kAdvanced,
                                          res::dialog::kKeyboard};

using testing::QtProcess;

class QtMainWindowTest : public testing::QtWindowTest {
 protected:
  std::vector<int> visiblePages() const {
    std::vector<int> shown;
    for (int id : kPageIds) {
      if (shell.dialogVisible(id)) shown.push_back(id);
    }
    return shown;
  }
  QMenu* menu(int index) const {
    return shell.menuBar(res::dialog::kMain)->actions().at(index)->menu();
  }
};

TEST_F(QtMainWindowTest, OpensWithFiveTabsInOrderAndButtonSetupShown) {
  std::vector<std::string> texts;
  for (int i = 0; i < tabBar()->count(); ++i) texts.push_back(tabBar()->tabText(i).toStdString());
  EXPECT_EQ(texts, (std::vector<std::string>{"Button Setup", "Button Test", "Axis Setup",
                                             "Advanced", "Keyboard"}));
  EXPECT_EQ(tabBar()->currentIndex(), 0);
  EXPECT_EQ(visiblePages(), std::vector<int>{res::dialog::kButtonSetup});
}

TEST_F(QtMainWindowTest, ShowsNoBoardAndTheBuildInTheCaption) {
  const struct {
    int id;
    const char* text;
  } fields[] = {{ids::kVendorIdEdit, "0xFFFF"},
                {ids::kProductIdEdit, "0xFFFF"},
                {ids::kFirmwareVersionEdit, "0xFFFF"},
                {ids::kBatteryLevelEdit, "N/A"}};
  for (const auto& field : fields) {
    auto* edit = static_cast<QLineEdit*>(main().widget(field.id));
    EXPECT_EQ(edit->text().toStdString(), field.text) << field.id;
    EXPECT_TRUE(edit->isReadOnly());
  }
  EXPECT_EQ(top()->windowTitle().toStdString(),
            std::string("brisa x64 (built on ") + editor::BuildDate() + ")");
  EXPECT_FALSE(top()->windowIcon().isNull());
  EXPECT_TRUE(static_cast<QPushButton*>(main().widget(ids::kReadButton))->isDefault());
}

TEST_F(QtMainWindowTest, ATabClickSwitchesThePageAndNothingElseDoes) {
  const struct {
    int click;  // -1: on the strip beside the tabs
    int shown;
  } clicks[] = {{2, 2}, {2, 2}, {-1, 2}, {4, 4}, {1, 1}, {0, 0}};
  for (const auto& c : clicks) {
    clickTab(c.click);
    EXPECT_EQ(visiblePages(), std::vector<int>{kPageIds[c.shown]}) << "click " << c.click;
  }
  clickTab(3);
  EXPECT_TRUE(shell.widget(res::dialog::kAdvanced)->isAncestorOf(QApplication::focusWidget()));
}

// Update refusing an edit that holds no number shows that edit, on its page, with the focus.
TEST_F(QtMainWindowTest, ARefusedEditIsShownWithTheFocus) {
  context.board.pDevice = board::CreateDevice(board::ModelId::Keyboard, false);
  control(res::dialog::kAdvanced, res::advanced::kDebounceEdit)->setProperty("text", "");
  main().setEnabled(ids::kUpdateButton, true);
  QTest::mouseClick(main().widget(ids::kUpdateButton), Qt::LeftButton);
  ASSERT_FALSE(prompts.messages().empty());
  EXPECT_EQ(prompts.messages().back(), "Advanced: \"Button debounce time\" does not hold a number");
  EXPECT_EQ(tabBar()->currentIndex(), editor::kPageAdvanced);
  EXPECT_EQ(visiblePages(), std::vector<int>{res::dialog::kAdvanced});
  EXPECT_EQ(QApplication::focusWidget(),
            control(res::dialog::kAdvanced, res::advanced::kDebounceEdit));
}

TEST_F(QtMainWindowTest, TheTabKeyNeverStopsOnTheTabStrip) {
  main().widget(ids::kDeviceCombo)->setFocus();
  for (int step = 0; step < 60; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), tabBar()) << "after " << step + 1 << " tabs";
  }
}

TEST_F(QtMainWindowTest, TheLinkIsOneTabStop) {
  QWidget* link = main().widget(ids::kWebLink);
  main().widget(ids::kBatteryLevelEdit)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), link);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), link);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), link);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), main().widget(ids::kBatteryLevelEdit));
}

TEST_F(QtMainWindowTest, EveryPageFillsTheSameAreaBelowTheTabs) {
  TabControlWidget* tabs = main().tabControl(ids::kTabControl);
  const QRect area = tabs->pageRect();
  EXPECT_EQ(area.right(), tabs->width() - 1 - 3);
  EXPECT_EQ(area.bottom(), tabs->height() - 1 - 2);
  // One pixel row between the tab items and the pages.
  EXPECT_EQ(area.top(), tabBar()->tabRect(0).translated(tabBar()->pos()).bottom() + 2);
  EXPECT_EQ(area.left(), tabBar()->tabRect(0).translated(tabBar()->pos()).left());
  for (int id : kPageIds) EXPECT_EQ(shell.widget(id)->geometry(), area) << id;
}

TEST_F(QtMainWindowTest, CtrlRReachesReadWhileTheButtonIsDisabled) {
  ASSERT_FALSE(main().widget(ids::kReadButton)->isEnabled());
  QTest::keyClick(top(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(context.board.readRequest, 1u);
  // Ctrl+U reaches Update, which refuses while its button is disabled.
  QTest::keyClick(top(), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(context.board.writeRequest, 0u);
}

TEST_F(QtMainWindowTest, AcceleratorsWinOverAnEditsOwnKeys) {
  clickTab(4);
  auto* edit = static_cast<QLineEdit*>(
      shell.window(res::dialog::kKeyboard).widget(res::keyboard::KeyEdit(0)));
  edit->setFocus();
  QTest::keyClicks(edit, "0x04");
  // Ctrl+U would clear the line in a Qt edit; here it is the Update accelerator.
  QTest::keyClick(edit, Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(edit->text().toStdString(), "0x04");
  QTest::keyClick(edit, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(context.board.readRequest, 1u);
}

TEST_F(QtMainWindowTest, ConfigurationMenuItemsFollowUpdate) {
  for (const bool update : {false, true, false}) {
    main().setEnabled(ids::kReadButton, true);
    main().setEnabled(ids::kUpdateButton, update);
    for (int popup = 0; popup < 2; ++popup) {
      menu(popup)->popup(top()->mapToGlobal(QPoint(0, 0)));
      for (QAction* action : menu(popup)->actions()) {
        if (action->isSeparator()) continue;
        const bool exit = action->text() == "&Exit";
        EXPECT_EQ(action->isEnabled(), exit || update) << action->text().toStdString();
      }
      menu(popup)->hide();
    }
  }
}

TEST_F(QtMainWindowTest, EnterOnAPageNeverClicksRead) {
  main().setEnabled(ids::kReadButton, true);
  clickTab(3);
  QWidget* edit = shell.window(res::dialog::kAdvanced).widget(res::advanced::kDebounceEdit);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(context.board.readRequest, 0u);
  // In the main window's own fields Enter clicks the default button.
  QWidget* vendor = main().widget(ids::kVendorIdEdit);
  vendor->setFocus();
  QTest::keyClick(vendor, Qt::Key_Return);
  EXPECT_EQ(context.board.readRequest, 1u);
}

TEST_F(QtMainWindowTest, AWorkerThreadsCallsRunOnTheGuiThread) {
  std::string seen;
  std::thread worker([&] {
    shell.window(res::dialog::kAdvanced).appendText(res::advanced::kLogEdit, "line 1\r\n");
    seen = shell.window(res::dialog::kAdvanced).text(res::advanced::kLogEdit);
  });
  while (!QTest::qWaitFor([&] { return !seen.empty(); }, 10)) {
  }
  worker.join();
  EXPECT_EQ(seen, "line 1\r\n");
}

TEST_F(QtMainWindowTest, Screenshots) {
  const QString dir = QStringLiteral(BRISA_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(dir));
  const char* names[editor::kPageCount] = {"button_setup", "button_test", "axis_setup", "advanced",
                                           "keyboard"};
  ASSERT_TRUE(top()->grab().save(dir + "/main_window.png"));
  for (int i = 0; i < editor::kPageCount; ++i) {
    clickTab(i);
    QApplication::processEvents();
    const QString name = QString::fromUtf8(names[i]);
    ASSERT_TRUE(top()->grab().save(dir + "/main_window_" + name + ".png"));
    ASSERT_TRUE(shell.widget(kPageIds[i])->grab().save(dir + "/page_" + name + ".png"));
  }
  // The key-code selector, a dialog of its own over the main window.
  ui::HeadlessPrompts none;
  struct : ui::DialogEvents {
    void onNotify(int, ui::Notification) override {}
    void onOk() override {}
    void onCancel() override {}
  } selectorEvents;
  shell.createDialog(res::dialog::kKeySelector, selectorEvents);
  QWidget* selector = shell.widget(res::dialog::kKeySelector);
  EXPECT_EQ(selector->parentWidget(), top());
  ASSERT_TRUE(selector->grab().save(dir + "/key_selector.png"));
  shell.destroyDialog(res::dialog::kMain);  // takes the selector along
  EXPECT_FALSE(shell.hasDialog(res::dialog::kKeySelector));
}

TEST(QtDemoMachine, TheWindowStartsOnTheSimulatedMachine) {
  // The machine outlives the process's state, which holds handles opened on it.
  const auto machine = platform::sim::namedScenario("demo")->build();
  QtProcess process;
  process.environment.usb = &machine->usb();
  process.environment.hid = &machine->hid();
  process.environment.deviceTree = &machine->deviceTree();
  process.environment.gatt = &machine->gatt();
  process.shell.loadAccelerators(res::kMainAccelerators);
  process.shell.setMainDialog(res::dialog::kMain);
  {
    editor::CBrisaDlg dialog(process.context, process.environment);
    dialog.Create();
    EXPECT_TRUE(process.shell.dialogVisible(res::dialog::kMain));
    EXPECT_EQ(process.context.dfu.pUsbContext, &machine->usb());
    EXPECT_EQ(process.context.board.isWin10OrLater, 1u);
    process.shell.destroyDialog(res::dialog::kMain);
  }
}

// The whole life through the application object: the modal run, the closing rule, the end.
TEST(QtApplication, ClosingWaitsForAPendingWrite) {
  QtProcess process;
  editor::CBrisaApp app(process.context, process.environment);
  bool refused = false;
  // The timers go with the test: one left behind would fire in a later test of this process.
  QObject scope;
  QTimer::singleShot(0, &scope, [&] {
    auto* top = static_cast<QDialog*>(process.shell.widget(res::dialog::kMain));
    process.context.board.writeRequest = 1;
    QTest::keyClick(top, Qt::Key_Escape);
    top->close();  // the close box
    for (QAction* item :
         process.shell.menuBar(res::dialog::kMain)->actions().at(0)->menu()->actions()) {
      if (item->text() == "&Exit") item->trigger();
    }
    process.shell.window(res::dialog::kMain).widget(ids::kTabControl);
    QTest::keyClick(process.shell.widget(res::dialog::kButtonSetup), Qt::Key_Escape);
    refused = top->isVisible();
    process.context.board.writeRequest = 0;  // the write has been sent
    QTest::keyClick(top, Qt::Key_Escape);
  });
  // Ends the run should the dialog stay open, so a failure cannot hang the suite.
  QTimer::singleShot(10000, &scope, [&] {
    if (process.shell.hasDialog(res::dialog::kMain)) {
      process.context.board.writeRequest = 0;
      process.shell.endDialog(res::dialog::kMain, -1);
    }
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(refused);
  EXPECT_FALSE(process.shell.hasDialog(res::dialog::kMain));
}

}  // namespace
}  // namespace brisa::qt
