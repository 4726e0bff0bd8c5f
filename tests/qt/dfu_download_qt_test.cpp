// The download's worker on a thread of its own drives the real "Advanced" page while the GUI
// thread goes on with its events: every call lands on the GUI thread, none waits on the worker.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QWidget>
#include <atomic>
#include <thread>

#include "dfu/download_rig.h"
#include "qt/qt_shell.h"

namespace brisa::qt {
namespace {

namespace ids = res::advanced;

class NoEvents final : public ui::DialogEvents {
 public:
  void onNotify(int, ui::Notification) override {}
  void onOk() override {}
  void onCancel() override {}
};

TEST(QtDfuDownload, TheWorkerFillsTheRealAdvancedPage) {
  NoEvents events;
  QtShell shell;
  shell.createDialog(res::dialog::kMain, events);
  ui::Window& page = shell.createDialog(res::dialog::kAdvanced, events, res::dialog::kMain,
                                        res::main_dialog::kTabControl);
  dfu::testing::OpenedBootloader boot;
  dfu::testing::TempFile image;
  page.setText(ids::kFirmwarePathEdit, image.path());

  dfu::DfuWorker worker(boot.state, boot.clock, [&page] { return &page; });
  // One download of `bytes` on the worker's own thread; false when it did not end.
  const auto download = [&](const dfu::testing::Bytes& bytes) {
    image.write(bytes);
    std::atomic<bool> stop{false};
    std::thread thread([&] {
      while (!stop) worker.pass();
    });
    ::testing::internal::CaptureStdout();
    boot.state.upgradeRequest = 1;
    // Serve the worker's calls as they come (QTest::qWaitFor would nap 10 ms between rounds).
    QElapsedTimer waited;
    waited.start();
    while (boot.state.upgradeRequest != 0 && waited.elapsed() < 20000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    const bool ended = boot.state.upgradeRequest == 0;
    stop = true;
    thread.join();
    ::testing::internal::GetCapturedStdout();
    return ended;
  };
  const auto* bar = shell.widget(res::dialog::kAdvanced)->findChild<QProgressBar*>();
  ASSERT_NE(bar, nullptr);

  const auto bytes = dfu::testing::Pattern(100 * 1024 + 17);
  ASSERT_TRUE(download(bytes));
  const std::string log = page.text(ids::kLogEdit);
  EXPECT_TRUE(log.starts_with("\r\nUPGRADE STARTED...\r\nID 0483:df11\r\n")) << log;
  EXPECT_TRUE(log.ends_with("File downloaded successfully!!!\r\n\r\nUPGRADE FINISHED...\r\n"))
      << log;
  EXPECT_EQ(page.range(ids::kProgressBar), (ui::Range{0, 100}));
  EXPECT_EQ(page.position(ids::kProgressBar), 100);
  EXPECT_TRUE(page.enabled(ids::kUpgradeButton));
  EXPECT_EQ(boot.bootloader().flash().read(0x08000000, bytes.size()), bytes);

  const QString dir = QStringLiteral(BRISA_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(dir));
  EXPECT_TRUE(
      shell.widget(res::dialog::kAdvanced)->grab().save(dir + "/page_advanced_upgraded.png"));

  // Neither an image too small for a step of its own nor an empty one leaves the bar in its
  // busy animation, whose ends meet.
  for (const std::size_t size : {std::size_t{17}, std::size_t{0}}) {
    ASSERT_TRUE(download(dfu::testing::Pattern(size))) << size;
    EXPECT_LT(bar->minimum(), bar->maximum()) << size;
    EXPECT_TRUE(page.enabled(ids::kUpgradeButton)) << size;
  }
  EXPECT_TRUE(page.text(ids::kLogEdit).ends_with("\" is empty\r\n")) << page.text(ids::kLogEdit);
}

}  // namespace
}  // namespace brisa::qt
