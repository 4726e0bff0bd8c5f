#include "qt/qt_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

namespace brisa::qt {
namespace {

// Acts on the modal window as soon as it is up, as the user would.
template <typename Dialog, typename Act>
void WhenShown(Act act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    poll->stop();
    poll->deleteLater();
    act(*dialog);
  });
  poll->start(5);
}

TEST(QtPrompts, AMessageBoxShowsTheExactTextWithOnlyOk) {
  QtUiThread ui;
  QtPrompts prompts(ui, [] { return nullptr; });
  QString text;
  int buttons = 0;
  WhenShown<QMessageBox>([&](QMessageBox& box) {
    text = box.text();
    buttons = static_cast<int>(box.buttons().size());
    box.button(QMessageBox::Ok)->click();
  });
  prompts.messageBox("Configuration Saved to Device");
  EXPECT_EQ(text.toStdString(), "Configuration Saved to Device");
  EXPECT_EQ(buttons, 1);
}

TEST(QtPrompts, AWorkerWaitsForTheAnswerGivenOnTheGuiThread) {
  QtUiThread ui;
  QtPrompts prompts(ui, [] { return nullptr; });
  bool shownOnGuiThread = false;
  std::atomic<bool> done{false};
  WhenShown<QMessageBox>([&](QMessageBox& box) {
    shownOnGuiThread = box.thread() == QApplication::instance()->thread();
    box.button(QMessageBox::Ok)->click();
  });
  std::thread worker([&] {
    prompts.messageBox("Error occured when creating DFU thread (11)\n");
    done = true;
  });
  while (!done) QApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  EXPECT_TRUE(shownOnGuiThread);
}

TEST(QtPrompts, FileDialogsOfferTheFiltersAndReturnNothingWhenCancelled) {
  QtUiThread ui;
  QtPrompts prompts(ui, [] { return nullptr; });
  QStringList filters;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    filters = dialog.nameFilters();
    mode = dialog.acceptMode();
    dialog.reject();
  });
  ui::FileDialogSpec spec;
  spec.filter = "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||";
  spec.defaultExtension = "bin";
  EXPECT_EQ(prompts.saveFile(spec), std::nullopt);
  EXPECT_EQ(filters, (QStringList{"BIN Files (*.bin)", "All Files (*.*)"}));
  EXPECT_EQ(mode, QFileDialog::AcceptSave);
}

}  // namespace
}  // namespace brisa::qt
