// The real window on this machine's backend (no simulated machine), on an emulated machine with
// one board and one bootloader: it lists both, selects the board and shows its identity, its
// configuration and its live state, flashes the bootloader, and follows boards and bootloaders
// that come and go.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <string>
#include <vector>

#include "boards.h"
#include "editor/brisa_dlg.h"
#include "platform/sim/board_firmware.h"
#include "real_window.h"
#include "resources/resource_ids.h"
#include "support/require_tool.h"

namespace brisa {
namespace {

namespace ids = res::main_dialog;
using platform::sim::BoardModel;

// The application as main() wires it, with the main dialog made as its initialisation does.
struct Application : testbed::RealWindow {
  std::optional<editor::CBrisaDlg> dialog;

  void start() {
    wire();
    shell.loadAccelerators(res::kMainAccelerators);
    shell.setMainDialog(res::dialog::kMain);
    dialog.emplace(context, environment);
    dialog->Create();
  }
  qt::QtWindow& main() const { return shell.window(res::dialog::kMain); }
  QComboBox* selector() const { return static_cast<QComboBox*>(main().widget(ids::kDeviceCombo)); }
  std::vector<std::string> items() const {
    std::vector<std::string> texts;
    for (int i = 0; i < selector()->count(); ++i)
      texts.push_back(selector()->itemText(i).toStdString());
    return texts;
  }
  std::string text(int id, int dialogId = res::dialog::kMain) const {
    return static_cast<QLineEdit*>(shell.window(dialogId).widget(id))->text().toStdString();
  }
};

TEST(LinuxWindow, ListsTheBoardAndTheBootloaderAndShowsTheBoard) {
  auto* application = new Application;  // lives on with its workers
  testbed::Testbed& bed = application->bed;
  BRISA_REQUIRE_TOOL(bed.inMockEnvironment(), "umockdev-wrapper (run through ctest)");
  const auto board = bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, "Brisa Osprey"});
  const auto bootloader = bed.addBootloader();
  platform::sim::BoardFirmware& osprey = *bed.server(board).spec().firmware;
  osprey.setAxis(0, 12000);
  application->start();
  ASSERT_GT(application->selector()->count(), 0);

  EXPECT_EQ(application->items(),
            (std::vector<std::string>{"HID-compliant game controller (USB) (Brisa Osprey)",
                                      "STM32  BOOTLOADER"}));
  EXPECT_EQ(application->selector()->currentIndex(), 0);
  EXPECT_EQ(application->text(ids::kVendorIdEdit), "0x1209");
  EXPECT_EQ(application->text(ids::kProductIdEdit), "0x0002");
  EXPECT_EQ(application->text(ids::kFirmwareVersionEdit), "0x0100");
  EXPECT_EQ(application->text(ids::kBatteryLevelEdit), "N/A");
  EXPECT_TRUE(application->prompts.messages().empty());
  // Its configuration is read into the pages, and its sticks show live.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return application->main().widget(ids::kUpdateButton)->isEnabled(); }, 5000));
  // Shown from the board's first report after it was selected, never from an earlier one.
  EXPECT_EQ(application->text(res::axis_setup::ValueEdit(0), res::dialog::kAxisSetup), "");
  osprey.queueInputReport();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return application->text(res::axis_setup::ValueEdit(0), res::dialog::kAxisSetup) == "12000";
      },
      5000));
  const QString shots = QStringLiteral(BRISA_SCREENSHOT_DIR);
  QDir().mkpath(shots);
  application->shell.widget(res::dialog::kMain)->grab().save(shots + "/linux-window.png");

  // The bootloader takes an image through libusb, as a real one does.
  const std::vector<std::uint8_t> image(6000, 0x5A);
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
  file.flush();
  qt::QtWindow& advanced = application->shell.window(res::dialog::kAdvanced);
  const auto click = [&](int id) { static_cast<QPushButton*>(advanced.widget(id))->click(); };
  application->selector()->setCurrentIndex(1);
  Q_EMIT application->selector()->activated(1);
  application->prompts.answerWithPath(file.fileName().toStdString());
  click(res::advanced::kChooseButton);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return advanced.widget(res::advanced::kUpgradeButton)->isEnabled(); }, 5000));
  click(res::advanced::kUpgradeButton);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return advanced.text(res::advanced::kLogEdit).ends_with("UPGRADE FINISHED...\r\n"); },
      10000))
      << advanced.text(res::advanced::kLogEdit);
  EXPECT_EQ(bed.bootloader(bootloader).flash().read(0x08000000, image.size()), image);
  application->selector()->setCurrentIndex(0);
  Q_EMIT application->selector()->activated(0);

  // A board plugged in is listed by its arrival; a bootloader that leaves, by the count.
  bed.addUsbHid({testbed::boardHid(BoardModel::Finch), 0x0100, "Brisa Finch"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return application->selector()->count() == 3; }, 5000));
  bed.remove(bootloader);
  EXPECT_TRUE(QTest::qWaitFor([&] { return application->selector()->count() == 2; }, 5000));
  EXPECT_EQ(application->items(),
            (std::vector<std::string>{"HID-compliant game controller (USB) (Brisa Osprey)",
                                      "HID-compliant game controller (USB) (Brisa Finch)"}));
  EXPECT_EQ(application->selector()->currentIndex(), 0) << "the board selected before";
}

// Runs in a process of its own (one emulated machine per process, and the window never ends).
TEST(LinuxWindow, ABoardThisUserMayNotOpenIsNotTakenForAKeyboard) {
  auto* application = new Application;
  testbed::Testbed& bed = application->bed;
  BRISA_REQUIRE_TOOL(bed.inMockEnvironment(), "umockdev-wrapper (run through ctest)");
  bed.denyAccess(bed.addUsbHid({testbed::boardHid(BoardModel::Kestrel), 0x0100, "Brisa Kestrel"}));
  bed.denyAccess(bed.addUsbHid({testbed::keyboardHid(), 0x0100, "Brisa Keyboard"}));
  testbed::WithoutFileOverride asAUser;  // selection opens the board on this thread
  application->start();
  // Listed with their names all the same, and for each the user is told what to do.
  EXPECT_EQ(
      application->items(),
      (std::vector<std::string>{"HID-compliant game controller (USB) (Brisa Kestrel)",
                                "HID Keyboard Device (USB) (Brisa Keyboard)",
                                "HID-compliant consumer control device (USB) (Brisa Keyboard)"}));
  for (const int item : {0, 1}) {
    SCOPED_TRACE(application->items().at(static_cast<std::size_t>(item)));
    if (item != 0) {
      application->selector()->setCurrentIndex(item);
      Q_EMIT application->selector()->activated(item);
    }
    const auto told = static_cast<std::size_t>(item) + 1;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return application->prompts.messages().size() >= told; }, 5000));
    const auto messages = application->prompts.messages();
    ASSERT_EQ(messages.size(), told);
    EXPECT_NE(messages.back().find("tools/install-udev-rules"), std::string::npos)
        << messages.back();
    EXPECT_NE(messages.back().find("packaging/udev/70-brisa.rules"), std::string::npos);
    EXPECT_FALSE(application->shell.window(res::dialog::kKeyboard)
                     .widget(res::keyboard::KeyEdit(0))
                     ->isEnabled());
  }
}

}  // namespace
}  // namespace brisa
