#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>

#include "editor/app_context.h"
#include "editor/brisa_dlg.h"
#include "editor/environment.h"
#include "editor/thread_launcher.h"
#include "qt/dialog_widgets.h"
#include "qt/qt_shell.h"
#include "resources/resource_ids.h"
#include "ui/headless_prompts.h"

namespace brisa::qt::testing {

// A dialog whose input goes nowhere.
class NoEvents final : public ui::DialogEvents {
 public:
  void onNotify(int, ui::Notification) override {}
  void onOk() override {}
  void onCancel() override {}
};

// The application's objects as main() wires them, with prompts that only record.
struct QtProcess {
  editor::AppContext context;
  QtShell shell;
  ui::HeadlessPrompts prompts;
  editor::StdThreadLauncher threads;
  editor::Environment environment{shell, prompts, threads, {}};
};

// The main window on screen and active, closed again after the test.
class QtWindowTest : public ::testing::Test, protected QtProcess {
 protected:
  void SetUp() override {
    shell.loadAccelerators(res::kMainAccelerators);
    shell.setMainDialog(res::dialog::kMain);
    dialog.Create();
    top()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top()));
  }
  void TearDown() override {
    if (shell.hasDialog(res::dialog::kMain)) shell.destroyDialog(res::dialog::kMain);
  }

  QDialog* top() const { return static_cast<QDialog*>(shell.widget(res::dialog::kMain)); }
  QtWindow& main() const { return shell.window(res::dialog::kMain); }
  TabBar* tabBar() const { return main().tabControl(res::main_dialog::kTabControl)->bar(); }
  void clickTab(int index) {
    const QPoint at = index >= 0 ? tabBar()->tabRect(index).center()
                                 : QPoint(tabBar()->width() - 3, tabBar()->height() / 2);
    QTest::mouseClick(tabBar(), Qt::LeftButton, Qt::NoModifier, at);
  }
  QWidget* control(int dialogId, int controlId) const {
    return shell.window(dialogId).widget(controlId);
  }

  editor::CBrisaDlg dialog{context, environment};
};

}  // namespace brisa::qt::testing
