// Selection in the main window: what opens, what the identity fields say, what is requested.

#include "board/board_selection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "board/board_call.h"
#include "board_link_fixture.h"
#include "editor/board_link_texts.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;
namespace adv = res::advanced;
using board::ModelId;
using platform::sim::BoardModel;
using platform::sim::Scenario;
using testing::BoardLinkProcess;

std::uint8_t ModelOf(const AppContext& context) {
  return context.board.pDevice ? context.board.pDevice->GetModelId() : 0;
}

TEST(Selection, EachDemoDeviceShowsItsIdentityAndOpensAsItShould) {
  const struct {
    int index;
    const char* vendor;
    const char* product;
    const char* firmware;
    const char* battery;
    ModelId model;
    bool hidOpen;
    bool readRequested;
    bool reboot;
  } cases[] = {
      {0, "0x1209", "0x0002", "0x0100", "N/A", ModelId::Osprey, true, true, true},
      {1, "0x1209", "0x0001", "0x0100", "87", ModelId::Merlin, true, true, true},
      {2, "0x1209", "0x0007", "0x0100", "N/A", ModelId::Keyboard, true, true, true},
      {3, "0x0483", "0xDF11", "0x2200", "N/A", ModelId::DFU, false, false, false},
  };
  BoardLinkProcess p(*platform::sim::namedScenario("demo"));
  p.start();
  for (const auto& c : cases) {
    p.context.board.readRequest = 0;
    p.choose(c.index);
    EXPECT_EQ(p.text(ids::kVendorIdEdit), c.vendor) << c.index;
    EXPECT_EQ(p.text(ids::kProductIdEdit), c.product) << c.index;
    EXPECT_EQ(p.text(ids::kFirmwareVersionEdit), c.firmware) << c.index;
    EXPECT_EQ(p.text(ids::kBatteryLevelEdit), c.battery) << c.index;
    EXPECT_EQ(ModelOf(p.context), board::ToNumber(c.model)) << c.index;
    EXPECT_EQ(p.context.board.hDevice != nullptr, c.hidOpen) << c.index;
    EXPECT_EQ(p.context.board.readRequest, c.readRequested ? 1u : 0u) << c.index;
    EXPECT_EQ(p.page(res::dialog::kAdvanced).enabled(adv::kRebootButton), c.reboot) << c.index;
    EXPECT_EQ(p.context.dfu.pDfuHandle != nullptr, c.model == ModelId::DFU) << c.index;
  }
  EXPECT_EQ(p.context.board.pDevice->IsBluetooth(), 0u);
  p.choose(1);
  EXPECT_EQ(p.context.board.pDevice->IsBluetooth(), 1u);
  EXPECT_TRUE(p.prompts.messages().empty());
}

TEST(Selection, ABluetoothBoardShowsOnlyALevelThatWasRead) {
  const struct {
    const char* name;
    std::function<void(platform::sim::Machine&)> fault;
    const char* battery;
    std::vector<std::string> messages;
  } cases[] = {
      {"read", [](platform::sim::Machine&) {}, "87", {}},
      {"an empty value",
       [](platform::sim::Machine& m) {
         m.gattServer(0)->edit(
             [](auto& services) { services.back().characteristics.front().value.clear(); });
       },
       "N/A",
       {}},
      {"a service that does not open",
       [](platform::sim::Machine& m) { m.failGattOpen(0, 5); },
       "N/A",
       {"Error occured when opening device (5)\n"}},
  };
  for (const auto& c : cases) {
    BoardLinkProcess p{Scenario().bleBoard().then(c.fault)};
    p.start();
    EXPECT_EQ(p.text(ids::kBatteryLevelEdit), c.battery) << c.name;
    EXPECT_EQ(p.prompts.messages(), c.messages) << c.name;
    EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Merlin)) << c.name;
  }
}

TEST(Selection, IdentityTextsPadWithZerosAndKeepLongValues) {
  const struct {
    std::uint32_t value;
    const char* text;
  } cases[] = {{0x1209, "0x1209"}, {0x1, "0x0001"}, {0x100, "0x0100"}, {0x12200, "0x12200"}};
  for (const auto& c : cases) EXPECT_EQ(board::IdentityText(c.value), c.text);

  const struct {
    const char* path;
    std::uint32_t revision;
  } paths[] = {
      {"USB\\VID_0483&PID_DF11&REV_2200", 0x2200},
      {"USB\\VID_0483&PID_DF11", 0},
      {"USB\\VID_0483&PID_DF11&REV_12200", 0x12200},
      {"USB\\VID_0483&PID_DF11&REV_", 0},
  };
  for (const auto& c : paths) EXPECT_EQ(board::BootloaderRevision(c.path), c.revision) << c.path;
}

TEST(Selection, AnEmptySelectorChangesNothing) {
  BoardLinkProcess p{Scenario()};
  p.start();
  EXPECT_EQ(p.selected(), ui::kNoSelection);
  p.dialog->m_batteryLevel = "kept";
  p.dialog->OnCbnSelendokDevice();
  EXPECT_EQ(p.dialog->m_batteryLevel, "kept");
  EXPECT_EQ(p.text(ids::kVendorIdEdit), "0xFFFF");
  EXPECT_EQ(p.context.board.pDevice, nullptr);
  EXPECT_FALSE(p.main().enabled(ids::kUpdateButton));
  EXPECT_FALSE(p.main().enabled(ids::kSetDefaultsButton));
}

TEST(Selection, TheSameBoardAgainIsOpenedIdentifiedAndReadAnew) {
  BoardLinkProcess p{Scenario().usbBoard(BoardModel::Kestrel)};
  p.start();
  p.machine->firmware(0)->queueInputReport();
  p.cycle();
  EXPECT_EQ(p.context.buttonState[0], 0);
  p.context.board.readRequest = 0;
  p.choose(0);
  p.context.board.closer.waitUntilIdle();
  EXPECT_EQ(p.machine->openHidHandles(0), 1u);
  EXPECT_EQ(p.machine->firmware(0)->readReportIds(), (std::vector<std::uint8_t>{3, 2, 3, 4, 5, 3}));
  EXPECT_EQ(p.context.board.readRequest, 1u);
  EXPECT_EQ(p.context.buttonState[0], kButtonStateUnknown);
}

TEST(Selection, TheBootloaderAgainIsReopenedAndProbedAnew) {
  BoardLinkProcess p{Scenario().bootloader()};
  p.start();
  auto& advanced = p.page(res::dialog::kAdvanced);
  const auto& usbModel = *p.machine->bootloader(0);
  EXPECT_EQ(p.machine->simUsb().openHandleCount(), 1);
  EXPECT_FALSE(p.context.dfu.pDfuInterfaces.empty());
  EXPECT_FALSE(advanced.enabled(adv::kUpgradeButton));  // no firmware file chosen yet

  const int references = p.machine->simUsb().referenceCount(usbModel);
  advanced.appendText(adv::kLogEdit, "an earlier download\r\n");
  advanced.setText(adv::kFirmwarePathEdit, "/tmp/firmware.bin");
  p.choose(0);
  EXPECT_EQ(p.machine->simUsb().openHandleCount(), 1);
  EXPECT_EQ(p.machine->simUsb().referenceCount(usbModel), references);
  EXPECT_EQ(advanced.text(adv::kLogEdit), "");
  EXPECT_TRUE(advanced.enabled(adv::kUpgradeButton));
  EXPECT_FALSE(advanced.enabled(adv::kRebootButton));
}

TEST(Selection, OfTwoBootloadersTheFirstListedOpensWhicheverIsPicked) {
  BoardLinkProcess p{Scenario().bootloader().bootloader()};
  const platform::sim::SimUsb& usb = p.machine->simUsb();
  const int unopened = usb.referenceCount(*p.machine->bootloader(1));
  p.start();
  for (const int index : {1, 0}) {
    p.choose(index);
    EXPECT_GT(usb.referenceCount(*p.machine->bootloader(0)), unopened) << index;
    EXPECT_EQ(usb.referenceCount(*p.machine->bootloader(1)), unopened) << index;
  }
}

TEST(Selection, WhatDoesNotOpenForReadingAndWritingIsAKeyboardInterface) {
  platform::sim::KeyboardSpec kbd;
  kbd.queryOpensOnlyWithoutKbd = true;
  const struct {
    const char* name;
    Scenario scenario;
    bool queryOpen;
  } cases[] = {
      {"a keyboard collection opened without \\KBD", Scenario().keyboardInterface(kbd), true},
      {"a libusbK device that is not the bootloader", Scenario().libusbKDevice(), false},
  };
  for (const auto& c : cases) {
    BoardLinkProcess p(c.scenario);
    p.start();
    EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Keyboard)) << c.name;
    EXPECT_EQ(p.context.board.hDevice != nullptr, c.queryOpen) << c.name;
    EXPECT_EQ(p.context.board.readRequest, c.queryOpen ? 1u : 0u) << c.name;
    EXPECT_TRUE(p.page(res::dialog::kKeyboard).enabled(res::keyboard::KeyEdit(0))) << c.name;
    // The reboot command goes through whatever handle opened.
    EXPECT_EQ(p.page(res::dialog::kAdvanced).enabled(adv::kRebootButton), c.queryOpen) << c.name;
  }
}

TEST(Selection, AttributesThatDoNotReadLeaveTheTextsEmptyAndStillRequestARead) {
  BoardLinkProcess p{Scenario().usbBoard(BoardModel::Kestrel)};
  p.start();
  p.machine->editHid(0, 0, [](auto& f) { f.attributesFail = true; });
  p.context.board.readRequest = 0;
  p.dialog->OnCbnSelendokDevice();
  // Empty rather than another board's, or this one's from before.
  EXPECT_EQ(p.text(ids::kVendorIdEdit), "");
  EXPECT_EQ(p.text(ids::kProductIdEdit), "");
  EXPECT_EQ(p.text(ids::kFirmwareVersionEdit), "");
  EXPECT_EQ(p.context.board.readRequest, 1u);
  EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Kestrel));
}

TEST(Selection, ABoardThisUserMayNotOpenIsNotTakenForAKeyboard) {
  BoardLinkProcess p{Scenario().usbBoard(BoardModel::Osprey).then([](platform::sim::Machine& m) {
    m.editHid(0, 0, [](auto& f) { f.accessDenied = true; });
  })};
  p.start();
  EXPECT_EQ(p.context.board.pDevice, nullptr);
  EXPECT_EQ(p.context.board.hDevice, nullptr);
  EXPECT_EQ(p.context.board.readRequest, 0u);
  EXPECT_FALSE(p.page(res::dialog::kKeyboard).enabled(res::keyboard::KeyEdit(0)));
  EXPECT_FALSE(p.page(res::dialog::kButtonSetup).enabled(res::button_setup::RotaryBox(0)));
  EXPECT_FALSE(p.page(res::dialog::kAdvanced).enabled(adv::kRequirePinBox));
  EXPECT_EQ(p.prompts.messages(), std::vector<std::string>{kPermissionDeniedText});

  // Rebuilds of the list select it again without a word; picking it again tells once more.
  p.machine->plug(0);
  p.machine->unplug(0);
  p.machine->plug(0);
  p.shell.tick();
  EXPECT_EQ(p.prompts.messages().size(), 1u);
  p.choose(0);
  EXPECT_EQ(p.prompts.messages().size(), 2u);
}

TEST(Selection, AWritePendingForTheBoardThatClosesIsDroppedAndSaidSo) {
  const struct {
    const char* name;
    std::function<void(BoardLinkProcess&)> away;
  } cases[] = {
      {"the board unplugged before the write",
       [](BoardLinkProcess& p) {
         p.machine->unplug(0);
         p.shell.tick();
       }},
      {"the bootloader selected", [](BoardLinkProcess& p) { p.choose(2); }},
  };
  for (const auto& c : cases) {
    BoardLinkProcess p{
        Scenario().usbBoard(BoardModel::Osprey).usbBoard(BoardModel::Kestrel).bootloader()};
    p.start();
    p.context.board.writeRequest = 1;
    c.away(p);
    EXPECT_EQ(p.context.board.writeRequest, 0u) << c.name;
    EXPECT_EQ(p.context.board.writeOutcome, board::WriteOutcome::Dropped) << c.name;
    EXPECT_EQ(p.prompts.messages(), std::vector<std::string>{kWriteDroppedText}) << c.name;
    p.cycle();
    EXPECT_TRUE(p.machine->firmware(1)->writtenReports().empty()) << c.name;
    // Nothing is pending any more, so the window closes.
    p.shell.pressEscape(res::dialog::kMain);
    EXPECT_TRUE(p.shell.modalResult(res::dialog::kMain).has_value()) << c.name;
  }
}

TEST(Selection, ABoardAnsweringInSecondsHoldsNoSelectionAndNothingOfItReachesTheNext) {
  enum class Busy { Write, Read, Reboot };
  const struct {
    const char* name;
    Busy busy;           // the slow board's request in progress at the pick
    bool rebootDuring;   // Reboot pressed while that request is in progress
    bool rebootForNext;  // Reboot pressed for the next board once picked
  } cases[] = {{"a write in progress", Busy::Write, false, false},
               {"a read in progress", Busy::Read, false, false},
               {"a reboot asked for during a write", Busy::Write, true, false},
               {"a reboot in progress, then one for the next board", Busy::Reboot, false, true}};
  for (const auto& c : cases) {
    BoardLinkProcess p{Scenario().usbBoard(BoardModel::Osprey).usbBoard(BoardModel::Kestrel)};
    p.start();
    p.cycle();
    auto& slow = *p.machine->firmware(0);
    slow.setPayload(board::ButtonTypeReport, {0xAB});
    platform::sim::VirtualClock slowClock(platform::sim::VirtualClock::Mode::Stepped);
    slow.delayFeatureRequests(&slowClock, 5000, false);
    std::thread worker;
    if (c.busy == Busy::Read) {
      board::AskRead(p.context.board);
      worker = std::thread([&] { board::ReadWorker(p.context.board, slowClock).pass(); });
    } else {
      if (c.busy == Busy::Write) p.dialog->OnBnClickedUpdate();
      if (c.busy == Busy::Reboot) board::AskReboot(p.context.board);
      worker = std::thread([&] { board::WriteWorker(p.context.board, slowClock).pass(); });
    }
    slowClock.waitForSleepers(1);  // the worker is inside a 5 s request
    if (c.rebootDuring) board::AskReboot(p.context.board);

    // Selection goes ahead while the request is in progress: it holds nothing the call holds.
    p.choose(1);
    EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Kestrel)) << c.name;
    EXPECT_EQ(p.context.board.readRequest, 1u) << c.name;
    if (c.rebootForNext) board::AskReboot(p.context.board);

    slowClock.release();  // the call returns, whatever the pass made of it
    worker.join();
    // Its request, which the worker stopped waiting for, ends before the board goes.
    while (board::BoardCallsInProgress() > 0) std::this_thread::yield();
    EXPECT_EQ(slow.writtenReports().size(), c.busy == Busy::Read ? 0u : 1u) << c.name;
    EXPECT_TRUE(p.machine->firmware(1)->writtenReports().empty()) << c.name;
    EXPECT_NE(p.context.board.configRecord.buttonTypes[0], 0xAB) << c.name;
    EXPECT_EQ(p.context.board.readDone, 0u) << c.name;
    EXPECT_EQ(p.context.board.readRequest, 1u) << c.name << ": the next board's read";
    EXPECT_EQ(p.prompts.messages(), c.busy == Busy::Write
                                        ? std::vector<std::string>{kWriteDroppedText}
                                        : std::vector<std::string>{})
        << c.name;
    // The next board's own passes send it nothing that was asked for the slow one, and what
    // was asked for it.
    p.cycle();
    EXPECT_EQ(p.machine->firmware(1)->rebootCount(), c.rebootForNext ? 1u : 0u) << c.name;
    EXPECT_EQ(p.machine->firmware(1)->writtenReports().size(), c.rebootForNext ? 1u : 0u) << c.name;
    EXPECT_EQ(slow.rebootCount(), c.busy == Busy::Reboot ? 1u : 0u) << c.name;
  }
}

TEST(Selection, ABoardThatStoppedAnsweringHoldsTheWindowOnlyBriefly) {
  using std::chrono::milliseconds;
  const struct {
    const char* what;
    bool answers;     // the slow board's requests succeed, late; else they fail
    bool writeHangs;  // a write to the slow board hangs when another board is picked
    bool readHangs;   // the read worker waits on the slow board when another board is picked
    int pick;
    milliseconds least, most;  // how long the pick holds the window
  } cases[] = {
      {"the silent board picked", false, false, false, 1, milliseconds(board::kOpenWaitMs),
       milliseconds(board::kOpenWaitMs + 1000)},
      {"a board answering after the wait picked", true, false, false, 1,
       milliseconds(board::kOpenWaitMs), milliseconds(board::kOpenWaitMs + 1000)},
      {"another board picked while a write to it hangs",
       false,
       true,
       false,
       0,
       {},
       milliseconds(500)},
      {"another board picked while its read hangs", false, false, true, 0, {}, milliseconds(500)},
  };
  for (const auto& c : cases) {
    BoardLinkProcess p{Scenario().usbBoard(BoardModel::Osprey).usbBoard(BoardModel::Linnet)};
    p.start();
    // The Linnet holds what its pages write back, as a board once updated does.
    p.choose(1);
    p.cycle();
    p.dialog->OnBnClickedUpdate();
    p.cycle();
    p.choose(0);
    p.cycle();
    auto& slow = *p.machine->firmware(1);
    std::vector<platform::sim::BoardFirmware::Payload> stored;
    for (std::uint8_t id = 2; id <= 5; ++id) stored.push_back(slow.payload(id));
    platform::sim::VirtualClock silence(platform::sim::VirtualClock::Mode::Stepped);
    slow.delayFeatureRequests(&silence, 5000, !c.answers);
    std::thread writer;
    std::atomic<bool> stop{false};
    platform::sim::VirtualClock readerClock;
    std::thread reader;
    if (c.writeHangs) {
      p.choose(1);
      board::Raise(p.context.board.writeRequest, p.context.board.writeWake);
      writer = std::thread([&] { board::WriteWorker(p.context.board, silence).pass(); });
    }
    if (c.readHangs) {
      p.choose(1);  // its read is asked for
      reader = std::thread([&] { board::ReadWorker(p.context.board, readerClock).run(&stop); });
      std::this_thread::sleep_for(milliseconds(50));
    }
    const auto start = std::chrono::steady_clock::now();
    p.choose(c.pick);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, c.least) << c.what;
    EXPECT_LT(waited, c.most) << c.what;
    if (c.readHangs) {
      // The one read worker reads the board picked now, not after the silent one's requests.
      while (!p.main().enabled(ids::kUpdateButton) &&
             std::chrono::steady_clock::now() - start < milliseconds(2000)) {
        p.shell.tick();
        std::this_thread::sleep_for(milliseconds(1));
      }
      EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(500)) << c.what;
      stop = true;
      p.context.board.readWake.ring();
    }
    if (c.pick == 1) {
      // Nothing of the Osprey shown before decides what it is; its read is asked for.
      EXPECT_EQ(ModelOf(p.context), 0) << c.what;
      EXPECT_EQ(p.context.board.readRequest, 1u) << c.what;
    }
    silence.release();  // the requests given up on end, and let go of the handles
    if (writer.joinable()) writer.join();
    if (reader.joinable()) reader.join();
    if (c.pick == 1) {
      p.cycle();  // the read brings its report 3, or fails
      EXPECT_EQ(ModelOf(p.context), c.answers ? board::ToNumber(ModelId::Linnet) : 0) << c.what;
      EXPECT_EQ(p.main().enabled(ids::kUpdateButton), c.answers) << c.what;
      p.dialog->OnBnClickedUpdate();
      p.cycle();
      for (std::uint8_t id = 2; id <= 5; ++id) {
        EXPECT_EQ(slow.payload(id), stored[id - 2]) << c.what << ", report " << int{id};
      }
      p.choose(0);
    }
    p.context.board.closer.waitUntilIdle();
    while (board::BoardCallsInProgress() > 0) std::this_thread::yield();
    while (p.machine->openHidHandles(1) > 0) std::this_thread::yield();
  }
}

TEST(Selection, TheBootloaderObjectsWaitForARunningDownload) {
  for (const int selectedAtEnd : {1, 0}) {  // the bootloader, or the board
    BoardLinkProcess p{Scenario().usbBoard(BoardModel::Kestrel).bootloader()};
    p.start();
    p.choose(1);
    platform::UsbDeviceHandle* const downloading = p.context.dfu.pDfuHandle;
    ASSERT_NE(downloading, nullptr);
    auto& advanced = p.page(res::dialog::kAdvanced);
    p.context.dfu.upgradeRequest = 1;
    advanced.appendText(adv::kLogEdit, "Erasing\r\n");
    p.choose(0);
    EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Kestrel));
    EXPECT_EQ(p.context.dfu.pDfuHandle, downloading);
    EXPECT_FALSE(p.context.dfu.pDfuInterfaces.empty());
    p.choose(1);
    EXPECT_EQ(p.context.dfu.pDfuHandle, downloading);
    p.shell.tick();
    EXPECT_EQ(p.context.dfu.pDfuHandle, downloading);

    p.choose(selectedAtEnd);
    // The download ends: its last line and its bar stay after it, whatever is selected.
    advanced.appendText(adv::kLogEdit, "UPGRADE FINISHED...\r\n");
    advanced.setPosition(adv::kProgressBar, 100);
    p.context.dfu.upgradeRequest = 0;
    p.shell.tick();
    p.shell.tick();
    EXPECT_EQ(advanced.text(adv::kLogEdit), "Erasing\r\nUPGRADE FINISHED...\r\n");
    EXPECT_EQ(advanced.position(adv::kProgressBar), 100);
    EXPECT_EQ(p.machine->simUsb().openHandleCount(), selectedAtEnd == 1 ? 1 : 0);
    p.choose(0);
    p.shell.tick();
    EXPECT_EQ(p.context.dfu.pDfuHandle, nullptr);
    EXPECT_TRUE(p.context.dfu.pDfuInterfaces.empty());
    EXPECT_EQ(advanced.text(adv::kLogEdit), "");
    EXPECT_EQ(advanced.position(adv::kProgressBar), 0);
  }
}

}  // namespace
}  // namespace brisa::editor
