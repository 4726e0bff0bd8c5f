// Input report 1 in each model's layout, and how the host queue hands reports out.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

struct LayoutCase {
  BoardModel model;
  std::size_t length;     // report length, id byte included
  std::size_t buttonsAt;  // payload offset of the button bits (after n axes)
  int hatAt;              // payload offset of the hat, -1 without
};

class InputLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(InputLayoutTest, AxesButtonsAndHatLieWhereTheModelPutsThem) {
  const LayoutCase& c = GetParam();
  auto m = Scenario().usbBoard(c.model).build();
  BoardFirmware& fw = *m->firmware(0);
  const std::size_t axes = fw.traits().axes;
  for (std::size_t k = 0; k < 8; ++k) fw.setAxis(k, static_cast<std::int16_t>(-2 - 256 * k));
  fw.setButton(0, true);
  fw.setButton(7, true);
  fw.setButton(24, true);
  fw.setButton(31, true);
  fw.setHat(3);
  fw.queueInputReport();

  auto board = m->hid().open(m->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  ASSERT_EQ(board->capabilities()->inputReportByteLength, c.length);
  std::vector<std::uint8_t> buffer(2200);
  const InputRead read = board->readInput(buffer, c.length);
  ASSERT_EQ(read.status, InputReadStatus::Completed);
  ASSERT_EQ(read.bytes, c.length);
  EXPECT_EQ(buffer[0], 1);
  const std::uint8_t* payload = buffer.data() + 1;
  for (std::size_t k = 0; k < axes; ++k) {
    const auto v = static_cast<std::int16_t>(payload[2 * k] | (payload[2 * k + 1] << 8));
    EXPECT_EQ(v, -2 - 256 * static_cast<int>(k)) << "axis " << k;
  }
  ASSERT_EQ(c.buttonsAt, 2 * axes);
  const std::size_t buttons = fw.traits().buttons;
  if (buttons > 0) {
    EXPECT_EQ(payload[c.buttonsAt], 0x81);  // buttons 1 and 8
  }
  if (buttons > 24) {
    EXPECT_EQ(payload[c.buttonsAt + 3], buttons >= 32 ? 0x81 : 0x01);
  }
  if (c.hatAt >= 0) {
    EXPECT_EQ(payload[c.hatAt], 3);
  }
}

INSTANTIATE_TEST_SUITE_P(AllModels, InputLayoutTest,
                         testing::Values(LayoutCase{BoardModel::Merlin, 21, 16, -1},
                                         LayoutCase{BoardModel::Kestrel, 21, 16, -1},
                                         LayoutCase{BoardModel::Osprey, 22, 16, 20},
                                         LayoutCase{BoardModel::Linnet, 6, 0, 4},
                                         LayoutCase{BoardModel::Finch, 5, 0, -1},
                                         LayoutCase{BoardModel::Plover, 15, 10, -1},
                                         LayoutCase{BoardModel::Heron, 15, 10, -1},
                                         LayoutCase{BoardModel::Egret, 7, 6, -1},
                                         LayoutCase{BoardModel::Sparrow, 18, 16, -1}));

class InputQueueTest : public testing::Test {
 protected:
  void SetUp() override {
    machine = Scenario().usbBoard(BoardModel::Osprey).build();
    fw = machine->firmware(0);
    board = machine->hid().open(machine->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  }
  std::unique_ptr<Machine> machine;
  std::shared_ptr<BoardFirmware> fw;
  std::unique_ptr<HidDevice> board;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(2200);
};

TEST_F(InputQueueTest, AReadTakesEveryQueuedReportOldestFirst) {
  for (std::uint8_t hat = 0; hat < 3; ++hat) {
    fw->setHat(hat);
    fw->queueInputReport();
  }
  const InputRead read = board->readInput(buffer, 22);
  ASSERT_EQ(read.status, InputReadStatus::Completed);
  ASSERT_EQ(read.bytes, 66u);
  EXPECT_EQ(buffer[21], 0);
  EXPECT_EQ(buffer[22 + 21], 1);
  EXPECT_EQ(buffer[44 + 21], 2);
  EXPECT_EQ(board->readInput(buffer, 22).status, InputReadStatus::Pending);
}

TEST_F(InputQueueTest, AReportArrivingWhilePendingGoesToThatRead) {
  ASSERT_EQ(board->readInput(buffer, 22).status, InputReadStatus::Pending);
  fw->queueInputReport();
  EXPECT_EQ(fw->inputQueue().swallowedReports(), 1u);
  board->cancelInput();
  EXPECT_EQ(board->readInput(buffer, 22).status, InputReadStatus::Pending);
}

TEST_F(InputQueueTest, ACancelledReadLeavesLaterReportsQueued) {
  ASSERT_EQ(board->readInput(buffer, 22).status, InputReadStatus::Pending);
  board->cancelInput();
  fw->queueInputReport();
  EXPECT_EQ(board->readInput(buffer, 22).bytes, 22u);
}

TEST_F(InputQueueTest, CancellingFromAnotherThreadLeavesTheReadPending) {
  ASSERT_EQ(board->readInput(buffer, 22).status, InputReadStatus::Pending);
  std::thread([&] { board->cancelInput(); }).join();
  fw->queueInputReport();
  EXPECT_EQ(fw->inputQueue().swallowedReports(), 1u);
}

TEST_F(InputQueueTest, ClosingAHandleUnderAPendingReadIsRecorded) {
  auto second = machine->hid().open(machine->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  EXPECT_EQ(machine->openHidHandles(0), 2u);
  ASSERT_EQ(board->readInput(buffer, 22).status, InputReadStatus::Pending);
  board->cancelInput();
  board.reset();
  EXPECT_EQ(machine->hidHandlesClosedWithPendingRead(0), 0u);
  ASSERT_EQ(second->readInput(buffer, 22).status, InputReadStatus::Pending);
  second.reset();
  EXPECT_EQ(machine->hidHandlesClosedWithPendingRead(0), 1u);
  EXPECT_EQ(machine->openHidHandles(0), 0u);
  fw->queueInputReport();
  EXPECT_EQ(fw->inputQueue().size(), 1u) << "no read of a closed handle takes it";
}

TEST_F(InputQueueTest, OddReportsAreDeliveredAtTheInterfaceLength) {
  fw->queueRawInputReport({2, 0xAA});
  ASSERT_EQ(board->readInput(buffer, 22).bytes, 22u);
  EXPECT_EQ(buffer[0], 2);
  EXPECT_EQ(buffer[1], 0xAA);
  EXPECT_EQ(buffer[2], 0);
}

TEST_F(InputQueueTest, AnInputLengthOfTenCutsTheReport) {
  machine->editHid(0, 0, [](HidFunction& f) { f.caps.inputReportByteLength = 10; });
  fw->setAxis(4, 0x0102);
  fw->queueInputReport();
  auto again = machine->hid().open(machine->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  ASSERT_EQ(again->capabilities()->inputReportByteLength, 10);
  ASSERT_EQ(again->readInput(buffer, 10).bytes, 10u);
  EXPECT_EQ(buffer[9], 0x02);  // axis 5's low byte is the last one that fits
}

TEST_F(InputQueueTest, TheQueueKeepsOnlyTheNewestReports) {
  for (int i = 0; i < 40; ++i) fw->queueInputReport();
  EXPECT_EQ(board->readInput(buffer, 22).bytes, InputQueue::kDefaultCapacity * 22);
}

TEST_F(InputQueueTest, ABufferShorterThanOneReportFails) {
  fw->queueInputReport();
  std::vector<std::uint8_t> small(10);
  EXPECT_EQ(board->readInput(small, 22).status, InputReadStatus::Failed);
}

}  // namespace
}  // namespace brisa::platform::sim
