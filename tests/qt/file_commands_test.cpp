#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <string>

#include "platform/sim/scenario.h"
#include "qt/qt_prompts.h"
#include "qt_process.h"

namespace brisa::qt {
namespace {

namespace fs = std::filesystem;
namespace adv = res::advanced;
namespace bs = res::button_setup;

// Types a name into the file dialog once it is up and presses Enter, as a user would.
void AnswerFileDialog(QObject* scope, const fs::path& folder, const QString& typed) {
  auto* poll = new QTimer(scope);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, folder, typed] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    poll->stop();
    dialog->setDirectory(QString::fromStdString(folder.string()));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr) {
      ADD_FAILURE() << "the file dialog has no name field";
      dialog->reject();
      return;
    }
    name->clear();
    QTest::keyClicks(name, typed);
    QTest::keyClick(name, Qt::Key_Return);
  });
  poll->start(5);
}

TEST(QtFileCommands, SaveAndOpenThroughTheRealFileDialogs) {
  const fs::path dir = fs::temp_directory_path() / ("brisa-qt-files-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  // An Osprey is open, so the tick leaves "Update" as the test sets it.
  const auto machine =
      platform::sim::Scenario().usbBoard(platform::sim::BoardModel::Osprey).build();
  editor::AppContext context;
  QtShell shell;
  QtPrompts prompts(shell.uiThread(), [&shell] { return shell.promptParent(); });
  editor::StdThreadLauncher threads;
  editor::Environment environment{shell, prompts, threads, {}};
  environment.hid = &machine->hid();
  environment.deviceTree = &machine->deviceTree();
  shell.loadAccelerators(res::kMainAccelerators);
  shell.setMainDialog(res::dialog::kMain);
  {
    editor::CBrisaDlg dialog(context, environment);
    dialog.Create();
    auto* top = shell.widget(res::dialog::kMain);
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    shell.window(res::dialog::kMain).setEnabled(res::main_dialog::kUpdateButton, true);
    QtWindow& advanced = shell.window(res::dialog::kAdvanced);
    QtWindow& buttons = shell.window(res::dialog::kButtonSetup);
    // Every number the Osprey's reports take, as a read would have shown them.
    QtWindow& axes = shell.window(res::dialog::kAxisSetup);
    for (int k = 0; k < res::axis_setup::kAxisCount; ++k) {
      axes.setText(res::axis_setup::MinEdit(k), "0");
      axes.setText(res::axis_setup::MaxEdit(k), "4095");
    }
    for (int id : {adv::kFilteringEdit, adv::kEncoderPressTimeEdit, adv::kSwitchPressTimeEdit}) {
      advanced.setText(id, "20");
    }
    advanced.setText(adv::kDebounceEdit, "42");
    buttons.setChecked(bs::ToggleBox(4), true);

    QObject scope;
    AnswerFileDialog(&scope, dir, QStringLiteral("pad"));
    QTest::keyClick(top, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(context.strConfigFilePath, (dir / "pad.bin").string());
    EXPECT_EQ(fs::file_size(dir / "pad.bin"), 82u);

    advanced.setText(adv::kDebounceEdit, "7");
    buttons.setChecked(bs::ToggleBox(4), false);
    top->activateWindow();  // the offscreen platform does not give it back by itself
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    AnswerFileDialog(&scope, dir, QStringLiteral("pad.bin"));
    QTest::keyClick(top, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(advanced.text(adv::kDebounceEdit), "42");
    EXPECT_TRUE(buttons.checked(bs::ToggleBox(4)));
    shell.destroyDialog(res::dialog::kMain);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace brisa::qt
