#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "editor/brisa_app.h"
#include "editor/build_caption.h"
#include "main_dialog_fixture.h"
#include "resources/accelerator_table.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;
namespace cmd = res::command;
using testing::HeadlessProcess;

const int kPageIds[kPageCount] = {res::dialog::kButtonSetup, res::dialog::kButtonTest,
                                  res::dialog::kAxisSetup, res::dialog::kAdvanced,
                                  res::dialog::kKeyboard};

// Accelerators and the main-window mark as the application sets them, then the window.
void StartAsTheApplicationDoes(ui::HeadlessShell& shell, CBrisaDlg& dialog) {
  shell.loadAccelerators(res::kMainAccelerators);
  shell.setMainDialog(res::dialog::kMain);
  dialog.Create();
}

class MainDialogTest : public ::testing::Test, protected HeadlessProcess {
 protected:
  void SetUp() override { StartAsTheApplicationDoes(shell, dialog); }

  ui::HeadlessWindow& main() { return shell.window(res::dialog::kMain); }
  bool ended() { return shell.modalResult(res::dialog::kMain).has_value(); }
  std::vector<int> visiblePages() {
    std::vector<int> shown;
    for (int id : kPageIds) {
      if (shell.dialogVisible(id)) shown.push_back(id);
    }
    return shown;
  }

  CBrisaDlg dialog{context, environment};
};

TEST(MainDialogConstruction, PublishesItselfBeforeAnyWindowExists) {
  HeadlessProcess process;
  CBrisaDlg dialog(process.context, process.environment);
  EXPECT_EQ(process.context.pMainDlg, &dialog);
  // Feature reports arrive with their report id in byte 0 here, Bluetooth ones too.
  EXPECT_EQ(process.context.board.isWin10OrLater, 1u);
  EXPECT_FALSE(process.shell.hasDialog(res::dialog::kMain));
  EXPECT_EQ(dialog.m_vendorId, "0xFFFF");
  EXPECT_EQ(dialog.m_batteryLevel, "N/A");
}

TEST(MainDialogConstruction, StartsTheUsbLibraryOnceAndToleratesItsFailure) {
  HeadlessProcess process;
  process.machine.simUsb().failInit(platform::kUsbErrorNoMem);
  {
    CBrisaDlg dialog(process.context, process.environment);
    EXPECT_EQ(process.context.dfu.pUsbContext, nullptr);
    EXPECT_EQ(process.context.pMainDlg, &dialog);
  }
  EXPECT_TRUE(process.prompts.messages().empty());

  HeadlessProcess working;
  CBrisaDlg dialog(working.context, working.environment);
  EXPECT_EQ(working.context.dfu.pUsbContext, &working.machine.usb());
}

TEST(MainDialogConstruction, AsksTheBackendWhereABluetoothPayloadStarts) {
  for (const bool idInByte0 : {true, false}) {
    HeadlessProcess process;
    process.machine.setBluetoothReportIdInByte0(idInByte0);
    CBrisaDlg dialog(process.context, process.environment);
    EXPECT_EQ(process.context.board.isWin10OrLater, idInByte0 ? 1u : 0u);
  }
}

TEST_F(MainDialogTest, StartsWithNoBoardShownAndButtonSetupInFront) {
  EXPECT_EQ(main().text(ids::kVendorIdEdit), "0xFFFF");
  EXPECT_EQ(main().text(ids::kProductIdEdit), "0xFFFF");
  EXPECT_EQ(main().text(ids::kFirmwareVersionEdit), "0xFFFF");
  EXPECT_EQ(main().text(ids::kBatteryLevelEdit), "N/A");
  EXPECT_EQ(shell.dialogIcon(res::dialog::kMain), res::icon::kApplication);
  EXPECT_EQ(shell.tabItems(res::dialog::kMain, ids::kTabControl),
            (std::vector<std::string>{"Button Setup", "Button Test", "Axis Setup", "Advanced",
                                      "Keyboard"}));
  EXPECT_EQ(visiblePages(), std::vector<int>{res::dialog::kButtonSetup});
  EXPECT_EQ(shell.focusedTabItem(res::dialog::kMain, ids::kTabControl), 0);
  EXPECT_EQ(shell.timerPeriod(res::dialog::kMain, kTimerId), 5);
  EXPECT_EQ(main().defaultButton(), ids::kReadButton);
  // "Update" comes first in the tab order but is disabled.
  EXPECT_EQ(main().focusedId(), ids::kDeviceCombo);
  for (int id : {ids::kReadButton, ids::kUpdateButton, ids::kSetDefaultsButton}) {
    EXPECT_FALSE(main().enabled(id)) << id;
  }
  EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(MainDialogTest, EveryLampAndHatShowsNothingReceivedYet) {
  ui::HeadlessWindow& test = shell.window(res::dialog::kButtonTest);
  for (int i = 0; i < res::button_test::kLampCount; ++i) {
    EXPECT_EQ(test.icon(res::button_test::Lamp(i)), res::icon::kLampUnknown) << i;
    EXPECT_EQ(context.buttonState[static_cast<std::size_t>(i)], kButtonStateUnknown);
  }
  EXPECT_EQ(test.icon(res::button_test::kHat1Picture), res::icon::kHatCentred);
  EXPECT_EQ(test.icon(res::button_test::kHat2Picture), res::icon::kHatCentred);
  EXPECT_EQ(context.hatIndex, 0);
}

TEST_F(MainDialogTest, CaptionCarriesTheBuildDate) {
  EXPECT_EQ(main().caption(), std::string("brisa x64 (built on ") + BuildDate() + ")");
  EXPECT_TRUE(std::regex_match(
      main().caption(), std::regex(R"(brisa x64 \(built on [A-Z][a-z]{2} [ 123]\d \d{4}\))")))
      << main().caption();
}

TEST_F(MainDialogTest, StartsTheWorkersOnceInOrder) {
  EXPECT_EQ(started, (std::vector<std::string>{"read", "dfu", "write"}));
  EXPECT_TRUE(context.hReadThread && context.hDfuThread && context.hWriteThread);
}

TEST(MainDialogWorkers, AWorkerThatCannotStartIsReportedAndTheOthersStillRun) {
  const struct {
    std::size_t failing;
    const char* message;
    std::vector<std::string> running;
  } cases[] = {
      {0, "Error occured when creating Read thread (11)\n", {"dfu", "write"}},
      {1, "Error occured when creating DFU thread (11)\n", {"read", "write"}},
      {2, "Error occured when creating Write thread (11)\n", {"read", "dfu"}},
  };
  for (const auto& c : cases) {
    HeadlessProcess process;
    process.launcher.failCodes = std::vector<int>(3, 0);
    process.launcher.failCodes[c.failing] = 11;
    CBrisaDlg dialog(process.context, process.environment);
    dialog.Create();
    EXPECT_EQ(process.prompts.messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(process.started, c.running);
    const bool flags[] = {process.context.hReadThread, process.context.hDfuThread,
                          process.context.hWriteThread};
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(flags[i], i != c.failing) << c.message;
    // The rest of the start-up still happens.
    EXPECT_EQ(process.shell.window(res::dialog::kMain).defaultButton(), ids::kReadButton);
  }
}

TEST(MainDialogWorkers, ASecondDialogStartsNoSecondSet) {
  HeadlessProcess process;
  for (int run = 0; run < 2; ++run) {
    process.shell.whenModal([&] { process.shell.pressEscape(res::dialog::kMain); });
    CBrisaDlg dialog(process.context, process.environment);
    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
  }
  EXPECT_EQ(process.launcher.launches, 3u);
}

// Every way of closing: Esc in the main window, the close box, File > Exit, Esc on any page.
std::vector<std::pair<std::string, std::function<void(ui::HeadlessShell&)>>> WaysToClose() {
  std::vector<std::pair<std::string, std::function<void(ui::HeadlessShell&)>>> ways = {
      {"Esc", [](ui::HeadlessShell& s) { s.pressEscape(res::dialog::kMain); }},
      {"close box", [](ui::HeadlessShell& s) { s.requestClose(res::dialog::kMain); }},
      {"File > Exit", [](ui::HeadlessShell& s) { s.chooseMenuItem(cmd::ID_APP_EXIT); }},
  };
  for (int page = 0; page < kPageCount; ++page) {
    ways.emplace_back("Esc on page " + std::to_string(page), [page](ui::HeadlessShell& s) {
      s.clickTab(res::dialog::kMain, ids::kTabControl, page);
      s.pressEscape(kPageIds[page]);
    });
  }
  return ways;
}

TEST(MainDialogClosing, RefusedWhileAWriteOrAnUpgradeIsPending) {
  for (const auto& [way, close] : WaysToClose()) {
    for (const bool upgrade : {false, true}) {
      HeadlessProcess process;
      CBrisaDlg dialog(process.context, process.environment);
      StartAsTheApplicationDoes(process.shell, dialog);
      auto& flag =
          upgrade ? process.context.dfu.upgradeRequest : process.context.board.writeRequest;
      flag = 1;
      close(process.shell);
      EXPECT_FALSE(process.shell.modalResult(res::dialog::kMain)) << way << " " << upgrade;
      EXPECT_TRUE(process.shell.dialogVisible(res::dialog::kMain));
      flag = 0;  // the worker has finished
      close(process.shell);
      EXPECT_EQ(process.shell.modalResult(res::dialog::kMain), ui::kIdCancel) << way;
    }
  }
}

TEST(MainDialogClosing, ARequestNoWorkerServesKeepsNothingOpen) {
  // A worker that could not start never clears its request; waiting for it would leave the
  // user no way out but killing the process.
  const struct {
    std::size_t failing;  // 0 read, 1 DFU, 2 write
    bool upgrade;         // the pending request: upgrade, else write
    bool closes;
  } cases[] = {
      {2, false, true}, {1, true, true},   {0, false, false},
      {0, true, false}, {1, false, false}, {2, true, false},
  };
  for (const auto& c : cases) {
    HeadlessProcess process;
    process.launcher.failCodes = std::vector<int>(3, 0);
    process.launcher.failCodes[c.failing] = 11;
    CBrisaDlg dialog(process.context, process.environment);
    StartAsTheApplicationDoes(process.shell, dialog);
    (c.upgrade ? process.context.dfu.upgradeRequest : process.context.board.writeRequest) = 1;
    process.shell.pressEscape(res::dialog::kMain);
    EXPECT_EQ(process.shell.modalResult(res::dialog::kMain).has_value(), c.closes)
        << "failing " << c.failing << " upgrade " << c.upgrade;
  }
}

TEST_F(MainDialogTest, EnterOnAPageDoesNothing) {
  main().setEnabled(ids::kReadButton, true);
  for (int page = 0; page < kPageCount; ++page) {
    shell.clickTab(res::dialog::kMain, ids::kTabControl, page);
    shell.pressEnter(kPageIds[page]);
  }
  EXPECT_EQ(context.board.readRequest, 0u);
  EXPECT_FALSE(ended());
}

TEST_F(MainDialogTest, EnterInTheMainWindowClicksReadOnlyWhileItIsEnabled) {
  shell.pressEnter(res::dialog::kMain);
  EXPECT_EQ(context.board.readRequest, 0u);
  main().setEnabled(ids::kReadButton, true);
  shell.pressEnter(res::dialog::kMain);
  EXPECT_EQ(context.board.readRequest, 1u);
  EXPECT_FALSE(ended());
}

TEST_F(MainDialogTest, ConfigurationMenuItemsFollowUpdateNotRead) {
  const int configItems[] = {cmd::ID_FILE_OPEN, cmd::ID_FILE_SAVE_AS, cmd::ID_DEVICE_READ,
                             cmd::ID_DEVICE_UPDATE};
  const struct {
    bool read, update;
  } states[] = {{false, false}, {true, false}, {true, true}, {false, true}, {false, false}};
  for (const auto& state : states) {
    main().setEnabled(ids::kReadButton, state.read);
    main().setEnabled(ids::kUpdateButton, state.update);
    shell.openMenu();
    for (int item : configItems) {
      EXPECT_EQ(shell.menuItemEnabled(res::dialog::kMain, item), state.update)
          << item << " read " << state.read << " update " << state.update;
    }
    EXPECT_TRUE(shell.menuItemEnabled(res::dialog::kMain, cmd::ID_APP_EXIT));
  }
}

TEST_F(MainDialogTest, AnAcceleratorBringsTheMenuUpToDate) {
  main().setEnabled(ids::kUpdateButton, true);
  EXPECT_EQ(shell.pressKey('S', res::modifier::kCtrl), cmd::ID_FILE_SAVE_AS);
  EXPECT_TRUE(shell.menuItemEnabled(res::dialog::kMain, cmd::ID_DEVICE_READ));
  main().setEnabled(ids::kUpdateButton, false);
  EXPECT_EQ(shell.pressKey('o', res::modifier::kCtrl), cmd::ID_FILE_OPEN);
  EXPECT_FALSE(shell.menuItemEnabled(res::dialog::kMain, cmd::ID_FILE_OPEN));
}

TEST_F(MainDialogTest, CtrlRReadsWhateverTheButtonsState) {
  ASSERT_FALSE(main().enabled(ids::kReadButton));
  EXPECT_EQ(shell.pressKey('R', res::modifier::kCtrl), ids::kReadButton);
  EXPECT_EQ(context.board.readRequest, 1u);
}

TEST_F(MainDialogTest, DeviceReadIsDroppedWhileUpdateIsDisabled) {
  main().setEnabled(ids::kReadButton, true);
  EXPECT_FALSE(shell.chooseMenuItem(cmd::ID_DEVICE_READ));
  // Even a command that gets past a stale menu is checked against the rule again.
  dialog.onCommand(cmd::ID_DEVICE_READ, ui::CommandSource::Menu);
  EXPECT_EQ(context.board.readRequest, 0u);
  main().setEnabled(ids::kUpdateButton, true);
  EXPECT_TRUE(shell.chooseMenuItem(cmd::ID_DEVICE_READ));
  EXPECT_EQ(context.board.readRequest, 1u);
}

TEST_F(MainDialogTest, UpdateWhileItsButtonIsDisabledDoesNothing) {
  EXPECT_EQ(shell.pressKey('U', res::modifier::kCtrl), ids::kUpdateButton);
  EXPECT_EQ(context.board.writeRequest, 0u);
  EXPECT_TRUE(prompts.messages().empty());
  shell.pressEscape(res::dialog::kMain);
  EXPECT_EQ(shell.modalResult(res::dialog::kMain), ui::kIdCancel);
}

TEST_F(MainDialogTest, ThePageChangesOnlyByAClickOnAnotherTab) {
  const struct {
    int click;  // -1: beside the tabs
    int shown;
  } clicks[] = {{1, 1}, {1, 1}, {-1, 1}, {4, 4}, {0, 0}, {3, 3}, {-1, 3}, {2, 2}};
  for (const auto& c : clicks) {
    shell.clickTab(res::dialog::kMain, ids::kTabControl, c.click);
    EXPECT_EQ(visiblePages(), std::vector<int>{kPageIds[c.shown]}) << "click " << c.click;
    EXPECT_EQ(dialog.m_tabCtrl.m_currentPage, c.shown);
  }
}

TEST_F(MainDialogTest, AClickedTabsPageGetsTheKeyboardFocus) {
  shell.clickTab(res::dialog::kMain, ids::kTabControl, 3);
  EXPECT_EQ(shell.focusedDialog(), res::dialog::kAdvanced);
  // The first enabled tab stop of "Advanced" is its debounce edit.
  EXPECT_EQ(shell.window(res::dialog::kAdvanced).focusedId(), res::advanced::kDebounceEdit);
}

TEST(Application, RunsTheMainDialogModallyAndEnds) {
  HeadlessProcess process;
  CBrisaApp app(process.context, process.environment);
  bool sawWindow = false;
  process.shell.whenModal([&] {
    sawWindow = process.shell.dialogVisible(res::dialog::kMain);
    EXPECT_EQ(process.shell.mainDialog(), res::dialog::kMain);
    EXPECT_EQ(process.shell.pressKey('R', res::modifier::kCtrl), ids::kReadButton);
    process.shell.requestClose(res::dialog::kMain);
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(app.hAccel());
  EXPECT_TRUE(sawWindow);
  EXPECT_EQ(process.context.board.readRequest, 1u);
  EXPECT_FALSE(process.shell.hasDialog(res::dialog::kMain));
  EXPECT_FALSE(process.shell.hasDialog(res::dialog::kButtonSetup));
  EXPECT_EQ(process.context.pMainDlg, nullptr);
}

}  // namespace
}  // namespace brisa::editor
