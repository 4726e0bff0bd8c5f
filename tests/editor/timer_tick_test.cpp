// The window's tick on simulated machines: buttons, rebuilds, live input, arrival of a read.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "board/board_call.h"
#include "board_link_fixture.h"
#include "editor/live_display.h"
#include "platform/sim/virtual_clock.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;
namespace ax = res::axis_setup;
namespace bt = res::button_test;
using platform::sim::BoardModel;
using platform::sim::Machine;
using platform::sim::Scenario;
using testing::BoardLinkProcess;

// Started, with the bars' range that the Axis Setup page gives them.
struct Started : BoardLinkProcess {
  explicit Started(const Scenario& scenario) : BoardLinkProcess(scenario) {
    start();
    for (int k = 0; k < ax::kAxisCount; ++k) axes().setRange(ax::AxisBar(k), 0, 4096);
  }
  ui::HeadlessWindow& axes() { return page(res::dialog::kAxisSetup); }
  ui::HeadlessWindow& lamps() { return page(res::dialog::kButtonTest); }
  bool enabled(int id) { return main().enabled(id); }
  platform::sim::BoardFirmware& firmware(std::size_t device = 0) {
    return *machine->firmware(device);
  }
};

TEST(TimerTick, WithNoBoardTheButtonsAreOffAndTheAxesBlank) {
  Started p{Scenario().mouse()};
  p.axes().setPosition(ax::AxisBar(3), 50);
  p.axes().setText(ax::ValueEdit(3), "7");
  p.shell.tick();
  for (const int id : {ids::kReadButton, ids::kUpdateButton, ids::kSetDefaultsButton}) {
    EXPECT_FALSE(p.enabled(id)) << id;
  }
  for (int k = 0; k < ax::kAxisCount; ++k) {
    EXPECT_EQ(p.axes().position(ax::AxisBar(k)), 0);
    EXPECT_EQ(p.axes().text(ax::ValueEdit(k)), "");
  }
}

TEST(TimerTick, ABootloaderComingAndGoingRebuildsTheListWithinOneTick) {
  Started p{Scenario().usbBoard(BoardModel::Kestrel).bootloader()};
  // The list built at start counted the bootloader: the first tick selects nothing again.
  p.context.board.readRequest = 0;
  p.shell.tick();
  EXPECT_EQ(p.context.board.readRequest, 0u);
  p.machine->unplug(1);
  p.shell.tick();
  EXPECT_EQ(p.main().itemCount(ids::kDeviceCombo), 1);
  p.machine->plug(1);
  p.shell.tick();
  EXPECT_EQ(p.main().itemCount(ids::kDeviceCombo), 2);
  EXPECT_EQ(p.selected(), 0);  // the board stays selected
  p.machine->unplug(1);
  p.shell.tick();
  EXPECT_EQ(p.main().itemCount(ids::kDeviceCombo), 1);
}

TEST(TimerTick, ARebuildSelectsTheSameBoardWhereverItNowStands) {
  Started p{Scenario()
                .usbBoard(BoardModel::Kestrel)
                .usbBoard(BoardModel::Osprey)
                .usbBoard(BoardModel::Linnet)};
  p.choose(1);
  const std::string osprey = p.main().itemText(ids::kDeviceCombo, 1);
  p.machine->unplug(0);
  p.machine->plugFirst(2);
  p.machine->plug(0);
  p.context.board.readRequest = 0;
  p.shell.tick();
  EXPECT_EQ(p.main().itemText(ids::kDeviceCombo, p.selected()), osprey);
  EXPECT_EQ(p.selected(), 2);
  EXPECT_EQ(p.context.board.readRequest, 1u);  // opened and read again

  p.machine->unplug(1);
  p.shell.tick();
  EXPECT_EQ(p.selected(), 0);

  p.machine->unplug(0);
  p.machine->unplug(2);
  p.shell.tick();
  EXPECT_EQ(p.selected(), ui::kNoSelection);
  EXPECT_FALSE(p.enabled(ids::kUpdateButton));
  EXPECT_EQ(p.dialog->m_vendorId, "");
  EXPECT_EQ(p.text(ids::kVendorIdEdit), "0x1209");  // the edit keeps what it showed
}

TEST(TimerTick, AnyHidArrivalRereadsTheSelectedBoard) {
  Started p{Scenario().usbBoard(BoardModel::Kestrel).mouse()};
  p.cycle();
  EXPECT_EQ(p.context.board.readRequest, 0u);
  p.machine->unplug(1);
  p.shell.tick();
  EXPECT_EQ(p.context.board.readRequest, 1u);
}

TEST(TimerTick, AxisPositionsAndHatPicturesFollowTheRules) {
  const struct {
    BoardModel model;
    std::int16_t value;
    int position;
  } axes[] = {{BoardModel::Plover, -32768, -1},
              {BoardModel::Plover, -1, 2047},
              {BoardModel::Heron, 32767, 4094},
              {BoardModel::Osprey, -8000, -8000},
              {BoardModel::Kestrel, 12000, 12000}};
  for (const auto& c : axes) {
    EXPECT_EQ(AxisBarPosition(static_cast<std::uint8_t>(c.model), c.value), c.position) << c.value;
  }
  const struct {
    std::uint8_t hat;
    int picture;
  } hats[] = {{0, 1}, {2, 3}, {7, 8}, {8, 0}, {0xFF, 0}};
  for (const auto& c : hats) EXPECT_EQ(HatPictureIndex(c.hat), c.picture) << int{c.hat};
}

TEST(TimerTick, DrawsTheLiveAxesButtonsAndHatOfTheBoard) {
  const struct {
    BoardModel model;
    std::int16_t axis0;
    std::vector<int> bar0;  // the two positions of the tick, after the bar's clamp
    int litLamps;           // lamps that follow the buttons; the rest keep selection's picture
    int hatPicture;         // -1: the hat is not touched
  } cases[] = {
      {BoardModel::Plover, -32768, {0, 0}, 30, -1},
      {BoardModel::Plover, 32767, {4095, 4094}, 30, -1},
      {BoardModel::Osprey, 100, {101, 100}, 32, 8},
      {BoardModel::Heron, 0, {2048, 2047}, 25, -1},
      {BoardModel::Egret, 5, {6, 5}, 0, -1},
  };
  for (const auto& c : cases) {
    Started p{Scenario().usbBoard(c.model)};
    p.firmware().setAxis(0, c.axis0);
    for (std::size_t i = 0; i < 32; ++i) p.firmware().setButton(i, true);
    p.firmware().setHat(7);
    p.firmware().queueInputReport();
    p.lamps().forgetWrites();
    p.cycle();
    const std::vector<int> history = p.axes().positionHistory(ax::AxisBar(0));
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(std::vector<int>(history.end() - 2, history.end()), c.bar0) << c.axis0;
    EXPECT_EQ(p.axes().text(ax::ValueEdit(0)), std::to_string(c.axis0));
    for (int i = 0; i < bt::kLampCount; ++i) {
      const int expected = i < c.litLamps ? res::icon::kLampOn : res::icon::kLampUnknown;
      EXPECT_EQ(p.lamps().icon(bt::Lamp(i)), expected) << "lamp " << i + 1;
    }
    if (c.hatPicture < 0) {
      EXPECT_FALSE(p.lamps().writtenIds().contains(bt::kHat1Picture));
    } else {
      EXPECT_EQ(p.lamps().icon(bt::kHat1Picture), res::icon::HatPicture(c.hatPicture));
    }
    EXPECT_FALSE(p.lamps().writtenIds().contains(bt::kHat2Picture));

    // The same state again sends no picture and no axis row.
    p.lamps().forgetWrites();
    p.axes().forgetWrites();
    p.cycle();
    EXPECT_TRUE(p.lamps().writtenIds().empty());
    EXPECT_TRUE(p.axes().writtenIds().empty());
  }
}

TEST(TimerTick, AxisRowsBlankedBeforeAnyBoardShowTheFirstBoardsValues) {
  Started p{Scenario().usbBoard(BoardModel::Kestrel).then([](Machine& m) { m.unplug(0); })};
  p.cycle();
  ASSERT_EQ(p.axes().text(ax::ValueEdit(2)), "");
  p.machine->plug(0);
  p.firmware().setAxis(1, 1234);
  p.firmware().queueInputReport();
  p.cycle();
  p.cycle();
  EXPECT_EQ(p.axes().text(ax::ValueEdit(1)), "1234");
  EXPECT_EQ(p.axes().position(ax::AxisBar(1)), 1234);
  // A value of 0 is drawn too, though the blank bar already stands there.
  EXPECT_EQ(p.axes().text(ax::ValueEdit(2)), "0");
}

TEST(TimerTick, AnotherBoardsButtonsAndAxesAreNeverShownAsTheNewBoards) {
  Started p{Scenario().usbBoard(BoardModel::Osprey).bleBoard()};
  p.firmware(1).setButton(31, true);
  p.firmware(1).setAxis(0, 700);
  p.choose(1);
  p.firmware(1).queueInputReport();
  p.cycle();
  ASSERT_EQ(p.lamps().icon(bt::Lamp(31)), res::icon::kLampOn);

  p.firmware(0).setButton(0, true);
  p.firmware(0).setButton(5, true);
  // Its report lengths are not read at selection (its attributes fail): it still gets its own.
  p.machine->editHid(0, 0, [](auto& f) { f.attributesFail = true; });
  p.choose(0);
  p.cycle();
  for (int i = 0; i < bt::kLampCount; ++i) {
    EXPECT_EQ(p.lamps().icon(bt::Lamp(i)), res::icon::kLampUnknown) << "lamp " << i + 1;
  }
  EXPECT_EQ(p.axes().text(ax::ValueEdit(0)), "");
  EXPECT_EQ(p.axes().position(ax::AxisBar(0)), 0);

  p.firmware(0).queueInputReport();
  p.cycle();
  EXPECT_EQ(p.lamps().icon(bt::Lamp(0)), res::icon::kLampOn);
  EXPECT_EQ(p.lamps().icon(bt::Lamp(5)), res::icon::kLampOn);
  EXPECT_EQ(p.lamps().icon(bt::Lamp(31)), res::icon::kLampOff);
  EXPECT_EQ(p.axes().text(ax::ValueEdit(0)), "0");
}

TEST(TimerTick, ASelectionLeavesNothingOfThePreviousBoardOnScreen) {
  const struct {
    const char* what;
    int index;
    const char* vendor;
    const char* product;
    const char* firmware;
  } cases[] = {
      {"a keyboard board", 1, "0x1209", "0x0007", "0x0100"},
      {"a board this user may not open", 2, "", "", ""},
      {"the bootloader", 3, "0x0483", "0xDF11", "0x2200"},
      {"an entry where nothing opens", 4, "", "", ""},
  };
  for (const auto& c : cases) {
    Started p{
        Scenario()
            .usbBoard(BoardModel::Osprey)
            .keyboardInterface()
            .bootloader()
            .usbBoard(BoardModel::Kestrel)
            .libusbKDevice()
            .then([](Machine& m) { m.editHid(3, 0, [](auto& f) { f.accessDenied = true; }); })};
    p.shell.tick();  // the first tick counts the bootloader and lists anew
    p.firmware().setAxis(0, -1200);
    p.firmware().setHat(2);
    p.firmware().queueInputReport();
    p.cycle();
    ASSERT_EQ(p.axes().text(ax::ValueEdit(0)), "-1200") << c.what;
    p.choose(c.index);
    p.cycle();
    for (int k = 0; k < ax::kAxisCount; ++k) {
      EXPECT_EQ(p.axes().text(ax::ValueEdit(k)), "") << c.what << ", axis " << k + 1;
      EXPECT_EQ(p.axes().position(ax::AxisBar(k)), 0) << c.what << ", axis " << k + 1;
    }
    EXPECT_EQ(p.lamps().icon(bt::kHat1Picture), res::icon::HatPicture(0)) << c.what;
    EXPECT_EQ(p.text(ids::kVendorIdEdit), c.vendor) << c.what;
    EXPECT_EQ(p.text(ids::kProductIdEdit), c.product) << c.what;
    EXPECT_EQ(p.text(ids::kFirmwareVersionEdit), c.firmware) << c.what;
  }
}

TEST(TimerTick, FillsThePagesOnceAReadArrivesAndOnlyThenAllowsUpdate) {
  Started p{Scenario().usbBoard(BoardModel::Kestrel)};
  p.page(res::dialog::kAdvanced).setText(res::advanced::kDebounceEdit, "stale");
  p.cycle();
  EXPECT_EQ(p.context.board.readDone, 0u);
  EXPECT_NE(p.page(res::dialog::kAdvanced).text(res::advanced::kDebounceEdit), "stale");
  EXPECT_TRUE(p.enabled(ids::kUpdateButton));
  EXPECT_TRUE(p.enabled(ids::kSetDefaultsButton));
  EXPECT_TRUE(p.enabled(ids::kReadButton));
}

TEST(TimerTick, AReadThatAnUpdateOvertookShowsTheBoardAsWrittenNotAsItWas) {
  const struct {
    const char* what;
    bool answerOnItsWay;  // else the read has ended and the tick has not shown it yet
  } cases[] = {{"the last answer on its way", true}, {"the read ended, not shown yet", false}};
  for (const auto& c : cases) {
    Started p{Scenario().usbBoard(BoardModel::Kestrel)};
    p.cycle();
    auto& advanced = p.page(res::dialog::kAdvanced);
    ASSERT_NE(advanced.text(res::advanced::kDebounceEdit), "9");

    // Read; Update with the last report's answer on its way, or before the tick shows it.
    platform::sim::VirtualClock slow(platform::sim::VirtualClock::Mode::Stepped);
    p.firmware().delayFeatureRequests(&slow, 50, false);
    board::Raise(p.context.board.readRequest, p.context.board.readWake);
    std::thread reader([&] { board::ReadWorker(p.context.board, slow).pass(); });
    for (int report = 0; report < 3; ++report) {
      slow.waitForSleepers(1);
      slow.advanceMs(50);
    }
    slow.waitForSleepers(1);
    if (!c.answerOnItsWay) {
      slow.release();
      reader.join();
    }
    advanced.setText(res::advanced::kDebounceEdit, "9");
    p.dialog->OnBnClickedUpdate();
    if (c.answerOnItsWay) {
      slow.release();
      reader.join();
    }
    while (board::BoardCallsInProgress() > 0) std::this_thread::yield();
    p.firmware().delayFeatureRequests(nullptr, 0, false);
    EXPECT_EQ(p.context.board.readDone, 0u) << c.what;
    EXPECT_EQ(p.context.board.readRequest, 1u) << c.what << ": read again after the write";

    p.cycle();  // the write
    p.cycle();  // the read after it
    p.shell.tick();
    EXPECT_EQ(advanced.text(res::advanced::kDebounceEdit), "9") << c.what;
  }
}

TEST(TimerTick, ABoardNotOneOfWhoseReportsWasReadIsNotOfferedForUpdate) {
  Started p{Scenario().usbBoard(BoardModel::Kestrel).usbBoard(BoardModel::Osprey)};
  p.cycle();
  ASSERT_TRUE(p.enabled(ids::kUpdateButton));
  p.firmware(1).failFeatureReads(5);  // report 3 at selection, then all four
  p.choose(1);
  p.cycle();
  // Nothing of the Kestrel's settings decides what this board is.
  EXPECT_EQ(p.context.board.pDevice, nullptr);
  EXPECT_FALSE(p.enabled(ids::kUpdateButton));
  EXPECT_FALSE(p.enabled(ids::kSetDefaultsButton));
  EXPECT_FALSE(p.dialog->OnUpdateConfigCommand());

  p.main().setEnabled(ids::kReadButton, true);
  p.shell.click(res::dialog::kMain, ids::kReadButton);
  p.cycle();
  EXPECT_EQ(p.context.board.pDevice->GetModel(), board::ModelId::Osprey);
  EXPECT_TRUE(p.enabled(ids::kUpdateButton));
}

TEST(TimerTick, TheKeyboardInterfaceShowsNothingLiveAndHoldsTheUpgradeBar) {
  Started p{Scenario().keyboardInterface()};
  auto& advanced = p.page(res::dialog::kAdvanced);
  advanced.setPosition(res::advanced::kProgressBar, 40);
  p.axes().forgetWrites();
  p.lamps().forgetWrites();
  p.context.board.configRecord.axisKeyA[0] = 0x04;
  p.context.board.readDone = 1;
  p.shell.tick();
  EXPECT_EQ(advanced.position(res::advanced::kProgressBar), 0);
  EXPECT_TRUE(p.lamps().writtenIds().empty());
  EXPECT_TRUE(p.axes().writtenIds().empty());
  EXPECT_EQ(p.page(res::dialog::kKeyboard).text(res::keyboard::KeyEdit(0)), "0x04");
  EXPECT_EQ(p.context.board.readDone, 0u);
}

TEST(TimerTick, AReadAnnouncedWhileTheBootloaderIsSelectedWaitsForAnotherModel) {
  Started p{Scenario().bootloader().usbBoard(BoardModel::Kestrel)};
  p.choose(1);
  auto& advanced = p.page(res::dialog::kAdvanced);
  advanced.setPosition(res::advanced::kProgressBar, 40);
  p.context.board.readDone = 1;
  p.shell.tick();
  EXPECT_EQ(p.context.board.readDone, 1u);
  EXPECT_EQ(advanced.position(res::advanced::kProgressBar), 40);
  p.choose(0);
  p.shell.tick();
  EXPECT_EQ(p.context.board.readDone, 0u);
}

}  // namespace
}  // namespace brisa::editor
