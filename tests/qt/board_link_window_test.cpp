// The real Qt window on the demo machine with both workers running: the user picks each device
// from the selector and sees its identity, its controls, its configuration and its live state.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QTest>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "board/report_exchange.h"
#include "editor/app_context.h"
#include "editor/brisa_dlg.h"
#include "editor/environment.h"
#include "platform/clock.h"
#include "platform/sim/scenario.h"
#include "qt/dialog_widgets.h"
#include "qt/qt_shell.h"
#include "resources/resource_ids.h"
#include "ui/headless_prompts.h"

namespace brisa::qt {
namespace {

namespace ids = res::main_dialog;
namespace ax = res::axis_setup;
namespace bt = res::button_test;
namespace adv = res::advanced;
using board::FeatureReport;

// Worker threads that end, unlike the application's, so the test can tear down.
class StoppableThreads final : public editor::ThreadLauncher {
 public:
  ~StoppableThreads() override { stopAll(); }
  int launch(std::function<void()> body) override {
    if (body) threads.emplace_back(std::move(body));
    return 0;
  }
  void stopAll() {
    stop = true;
    if (board != nullptr) {
      board->readWake.ring();
      board->writeWake.ring();
    }
    for (std::thread& t : threads) t.join();
    threads.clear();
  }
  std::atomic<bool> stop{false};
  board::BoardState* board = nullptr;  // its workers sleep until rung
  std::vector<std::thread> threads;
};

class QtBoardLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Something to show on the pages: a filtering of 10 and a debounce of 25 on the Osprey.
    auto settings = machine->firmware(0)->payload(board::SettingsReport);
    settings[0] = 10;
    settings[2] = 25;
    machine->firmware(0)->setPayload(board::SettingsReport, settings);

    environment.usb = &machine->usb();
    environment.hid = &machine->hid();
    environment.deviceTree = &machine->deviceTree();
    environment.gatt = &machine->gatt();
    threads.board = &context.board;
    environment.workers.ReadThreadProc = [this] {
      board::ReadWorker(context.board, clock).run(&threads.stop);
    };
    environment.workers.WriteThreadProc = [this] {
      board::WriteWorker(context.board, clock).run(&threads.stop);
    };
    shell.loadAccelerators(res::kMainAccelerators);
    shell.setMainDialog(res::dialog::kMain);
    dialog.Create();
    top()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top()));
  }
  void TearDown() override {
    threads.stopAll();
    if (shell.hasDialog(res::dialog::kMain)) shell.destroyDialog(res::dialog::kMain);
  }

  QDialog* top() const { return static_cast<QDialog*>(shell.widget(res::dialog::kMain)); }
  QtWindow& main() const { return shell.window(res::dialog::kMain); }
  QtWindow& page(int dialogId) const { return shell.window(dialogId); }
  std::string text(int id) const { return main().text(id); }

  // As the user does it: drop the list down and click the item.
  void pick(int index) {
    auto* combo = static_cast<QComboBox*>(main().widget(ids::kDeviceCombo));
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect item = list->visualRect(list->model()->index(index, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->window()->isVisible(); }, 2000));
    ASSERT_EQ(combo->currentIndex(), index);
  }
  void clickTab(int index) {
    TabBar* bar = main().tabControl(ids::kTabControl)->bar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
  }
  void screenshot(const std::string& device, int tab, const char* pageName) {
    clickTab(tab);
    QApplication::processEvents();
    const QString dir = QStringLiteral(BRISA_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString name = QString::fromStdString("board_link_" + device + "_" + pageName + ".png");
    ASSERT_TRUE(top()->grab().save(dir + "/" + name));
  }
  bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 3000); }

  // Declared first: every handle the window opens is closed before the machine goes.
  const std::unique_ptr<platform::sim::Machine> machine =
      platform::sim::namedScenario("demo")->build();
  editor::AppContext context;
  QtShell shell;
  ui::HeadlessPrompts prompts;
  StoppableThreads threads;
  platform::SystemClock clock;
  editor::Environment environment{shell, prompts, threads, {}};
  editor::CBrisaDlg dialog{context, environment};
};

TEST_F(QtBoardLinkTest, ListsTheDemoDevicesWithTheirBusAndProduct) {
  auto* combo = static_cast<QComboBox*>(main().widget(ids::kDeviceCombo));
  std::vector<std::string> items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  EXPECT_EQ(items, (std::vector<std::string>{
                       "HID-compliant game controller (USB) (Brisa Osprey)",
                       "HID-compliant game controller (Merlin - Bluetooth) (Merlin)",
                       "HID Keyboard Device (USB) (Brisa Keyboard)",
                       "STM32  BOOTLOADER",
                   }));
  EXPECT_EQ(combo->currentIndex(), 0);
}

TEST_F(QtBoardLinkTest, EachDeviceShowsItsIdentityControlsConfigurationAndLiveState) {
  // The Osprey, opened at start: its configuration and its live input arrive.
  pick(0);
  ASSERT_TRUE(waitFor([&] { return main().enabled(ids::kUpdateButton); }));
  EXPECT_EQ(text(ids::kVendorIdEdit), "0x1209");
  EXPECT_EQ(text(ids::kProductIdEdit), "0x0002");
  EXPECT_EQ(text(ids::kFirmwareVersionEdit), "0x0100");
  EXPECT_EQ(text(ids::kBatteryLevelEdit), "N/A");
  EXPECT_EQ(page(res::dialog::kAdvanced).text(adv::kFilteringEdit), "10");
  EXPECT_EQ(page(res::dialog::kAdvanced).text(adv::kDebounceEdit), "25");
  machine->firmware(0)->queueInputReport();
  ASSERT_TRUE(
      waitFor([&] { return page(res::dialog::kAxisSetup).text(ax::ValueEdit(0)) == "12000"; }));
  ASSERT_TRUE(waitFor(
      [&] { return page(res::dialog::kButtonTest).icon(bt::Lamp(0)) == res::icon::kLampOn; }));
  EXPECT_EQ(page(res::dialog::kButtonTest).icon(bt::Lamp(1)), res::icon::kLampOff);
  EXPECT_EQ(page(res::dialog::kButtonTest).icon(bt::Lamp(5)), res::icon::kLampOn);
  EXPECT_EQ(page(res::dialog::kButtonTest).icon(bt::kHat1Picture), res::icon::HatPicture(3));
  EXPECT_EQ(page(res::dialog::kAxisSetup).text(ax::ValueEdit(4)), "-32768");
  EXPECT_TRUE(page(res::dialog::kAxisSetup).enabled(ax::MinEdit(7)));
  EXPECT_FALSE(page(res::dialog::kKeyboard).enabled(res::keyboard::KeyEdit(0)));
  EXPECT_TRUE(page(res::dialog::kAdvanced).enabled(adv::kRebootButton));
  screenshot("osprey", 1, "button_test");
  screenshot("osprey", 2, "axis_setup");
  screenshot("osprey", 3, "advanced");

  // The Bluetooth board: its battery, its own axes and buttons.
  pick(1);
  ASSERT_TRUE(waitFor([&] { return main().enabled(ids::kUpdateButton); }));
  EXPECT_EQ(text(ids::kProductIdEdit), "0x0001");
  EXPECT_EQ(text(ids::kBatteryLevelEdit), "87");
  machine->firmware(1)->queueInputReport();
  ASSERT_TRUE(
      waitFor([&] { return page(res::dialog::kAxisSetup).text(ax::ValueEdit(0)) == "-1200"; }));
  ASSERT_TRUE(waitFor(
      [&] { return page(res::dialog::kButtonTest).icon(bt::Lamp(31)) == res::icon::kLampOn; }));
  EXPECT_TRUE(page(res::dialog::kAdvanced).enabled(adv::kRequirePinBox));
  screenshot("merlin", 1, "button_test");
  screenshot("merlin", 2, "axis_setup");

  // The keyboard interface: its key codes read through the query handle, nothing live.
  pick(2);
  EXPECT_EQ(text(ids::kProductIdEdit), "0x0007");
  EXPECT_TRUE(page(res::dialog::kKeyboard).enabled(res::keyboard::KeyEdit(35)));
  EXPECT_FALSE(page(res::dialog::kAxisSetup).enabled(ax::MinEdit(0)));
  ASSERT_TRUE(
      waitFor([&] { return context.board.readDone == 0 && context.board.readRequest == 0; }));
  EXPECT_TRUE(main().enabled(ids::kUpdateButton));
  EXPECT_TRUE(main().enabled(ids::kReadButton));
  EXPECT_EQ(page(res::dialog::kKeyboard).text(res::keyboard::KeyEdit(0)), "0x1A");
  screenshot("keyboard", 4, "keyboard");

  // The bootloader: its identity from the hardware id, every configuration control off.
  pick(3);
  EXPECT_EQ(text(ids::kVendorIdEdit), "0x0483");
  EXPECT_EQ(text(ids::kProductIdEdit), "0xDF11");
  EXPECT_EQ(text(ids::kFirmwareVersionEdit), "0x2200");
  ASSERT_TRUE(waitFor([&] { return !main().enabled(ids::kReadButton); }));
  EXPECT_FALSE(main().enabled(ids::kUpdateButton));
  EXPECT_FALSE(page(res::dialog::kAdvanced).enabled(adv::kDebounceEdit));
  EXPECT_FALSE(page(res::dialog::kButtonSetup).enabled(res::button_setup::RotaryBox(0)));
  EXPECT_FALSE(page(res::dialog::kAdvanced).enabled(adv::kRebootButton));
  screenshot("bootloader", 3, "advanced");
  screenshot("bootloader", 0, "button_setup");
  EXPECT_TRUE(prompts.messages().empty());
}

}  // namespace
}  // namespace brisa::qt
