// Selection in the main window: what opens, what the identity fields say, what is requested.

#include "board/board_selection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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
  const struct {
    const char* name;
    bool write;   // else a read
    bool reboot;  // asked for while the write is in progress
  } cases[] = {{"a write in progress", true, false},
               {"a read in progress", false, false},
               {"a reboot asked for during a write", true, true}};
  for (const auto& c : cases) {
    BoardLinkProcess p{Scenario().usbBoard(BoardModel::Osprey).usbBoard(BoardModel::Kestrel)};
    p.start();
    p.cycle();
    auto& slow = *p.machine->firmware(0);
    slow.setPayload(board::ButtonTypeReport, {0xAB});
    platform::sim::VirtualClock slowClock(platform::sim::VirtualClock::Mode::Stepped);
    slow.delayFeatureRequests(&slowClock, 5000, false);
    std::thread worker;
    if (c.write) {
      p.dialog->OnBnClickedUpdate();
      worker = std::thread([&] { board::WriteWorker(p.context.board, slowClock).pass(); });
    } else {
      board::Raise(p.context.board.readRequest, p.context.board.readWake);
      worker = std::thread([&] { board::ReadWorker(p.context.board, slowClock).pass(); });
    }
    slowClock.waitForSleepers(1);  // the worker is inside a 5 s request
    if (c.reboot) board::Raise(p.context.board.rebootRequest, p.context.board.writeWake);

    // Selection goes ahead while the request is in progress: it holds nothing the call holds.
    p.choose(1);
    EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Kestrel)) << c.name;
    EXPECT_EQ(p.context.board.readRequest, 1u) << c.name;

    slowClock.advanceMs(5000);  // the call returns; the rest of the pass is abandoned
    slowClock.waitForSleepers(1);
    slowClock.release();
    worker.join();
    EXPECT_EQ(slow.writtenReports().size(), c.write ? 1u : 0u) << c.name;
    EXPECT_TRUE(p.machine->firmware(1)->writtenReports().empty()) << c.name;
    EXPECT_NE(p.context.board.configRecord.buttonTypes[0], 0xAB) << c.name;
    EXPECT_EQ(p.context.board.readDone, 0u) << c.name;
    EXPECT_EQ(p.context.board.readRequest, 1u) << c.name << ": the next board's read";
    EXPECT_EQ(p.prompts.messages(),
              c.write ? std::vector<std::string>{kWriteDroppedText} : std::vector<std::string>{})
        << c.name;
    // The next board's own passes send it nothing that was asked for the slow one.
    p.cycle();
    EXPECT_TRUE(p.machine->firmware(1)->writtenReports().empty()) << c.name;
    EXPECT_EQ(p.machine->firmware(1)->rebootCount() + slow.rebootCount(), 0u) << c.name;
  }
}

TEST(Selection, ABoardThatStoppedAnsweringHoldsTheWindowOnlyBriefly) {
  const struct {
    const char* what;
    bool writeHangs;  // a write to the silent board hangs when another board is picked
    int pick;
    std::chrono::milliseconds least, most;
  } cases[] = {
      {"the silent board picked", false, 1, std::chrono::milliseconds(board::kOpenWaitMs),
       std::chrono::milliseconds(board::kOpenWaitMs + 1000)},
      {"another board picked while a write to it hangs",
       true,
       0,
       {},
       std::chrono::milliseconds(500)},
  };
  for (const auto& c : cases) {
    BoardLinkProcess p{Scenario().usbBoard(BoardModel::Osprey).usbBoard(BoardModel::Kestrel)};
    p.start();
    platform::sim::VirtualClock silence(platform::sim::VirtualClock::Mode::Stepped);
    p.machine->firmware(1)->delayFeatureRequests(&silence, 5000, true);
    std::thread writer;
    if (c.writeHangs) {
      p.choose(1);
      board::Raise(p.context.board.writeRequest, p.context.board.writeWake);
      writer = std::thread([&] { board::WriteWorker(p.context.board, silence).pass(); });
    }
    const auto start = std::chrono::steady_clock::now();
    p.choose(c.pick);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, c.least) << c.what;
    EXPECT_LT(waited, c.most) << c.what;
    if (c.pick == 1) {
      // Identified as when its report 3 does not read: from what the settings block held.
      EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Osprey)) << c.what;
      EXPECT_EQ(p.context.board.readRequest, 1u) << c.what;
    }
    silence.release();  // the requests given up on end, and let go of the handles
    if (writer.joinable()) writer.join();
    if (c.pick == 1) p.choose(0);
    p.context.board.closer.waitUntilIdle();
    while (p.machine->openHidHandles(1) > 0) std::this_thread::yield();
  }
}

TEST(Selection, TheBootloaderObjectsWaitForARunningDownload) {
  BoardLinkProcess p{Scenario().usbBoard(BoardModel::Kestrel).bootloader()};
  p.start();
  p.choose(1);
  platform::UsbDeviceHandle* const downloading = p.context.dfu.pDfuHandle;
  ASSERT_NE(downloading, nullptr);
  p.context.dfu.upgradeRequest = 1;
  p.choose(0);
  EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::Kestrel));
  EXPECT_EQ(p.context.dfu.pDfuHandle, downloading);
  EXPECT_FALSE(p.context.dfu.pDfuInterfaces.empty());
  p.choose(1);
  EXPECT_EQ(p.context.dfu.pDfuHandle, downloading);
  p.shell.tick();
  EXPECT_EQ(p.context.dfu.pDfuHandle, downloading);

  p.context.dfu.upgradeRequest = 0;  // the download has ended
  p.shell.tick();
  EXPECT_EQ(p.machine->simUsb().openHandleCount(), 1);
  EXPECT_EQ(ModelOf(p.context), board::ToNumber(ModelId::DFU));
  p.choose(0);
  EXPECT_EQ(p.context.dfu.pDfuHandle, nullptr);
  EXPECT_TRUE(p.context.dfu.pDfuInterfaces.empty());
}

}  // namespace
}  // namespace brisa::editor
