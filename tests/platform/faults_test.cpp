// Faults on demand behave as a misbehaving or vanishing board does.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

using Report = std::array<std::uint8_t, 21>;

class FaultTest : public testing::Test {
 protected:
  void SetUp() override {
    machine = Scenario().usbBoard(BoardModel::Kestrel).bleBoard().build();
    watch = machine->deviceTree().watchHidInterfaces(
        [this](const HidChange& c) { changes.push_back(c); });
    fw = machine->firmware(0);
    board = machine->hid().open(machine->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  }
  std::unique_ptr<Machine> machine;
  std::vector<HidChange> changes;
  std::unique_ptr<Subscription> watch;
  std::shared_ptr<BoardFirmware> fw;
  std::unique_ptr<HidDevice> board;
  Report report{3};
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(2200);
};

TEST_F(FaultTest, FeatureReadsAndWritesFailTheGivenNumberOfTimes) {
  fw->failFeatureReads(2);
  fw->failFeatureWrites(5);
  EXPECT_FALSE(board->getFeature(report));
  EXPECT_FALSE(board->getFeature(report));
  EXPECT_TRUE(board->getFeature(report));
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(board->setFeature(report));
  EXPECT_TRUE(board->setFeature(report));
  EXPECT_EQ(fw->writtenReports().size(), 1u);
}

TEST_F(FaultTest, ABoardVanishingMidReadIsGoneForGood) {
  fw->vanishOnNextFeatureRead();
  EXPECT_FALSE(board->getFeature(report));
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].kind, HidChangeKind::Removal);
  EXPECT_FALSE(board->setFeature(report));
  EXPECT_FALSE(board->attributes());
  EXPECT_EQ(board->readInput(buffer, 21).status, InputReadStatus::Failed);
  EXPECT_EQ(machine->hid().open(machine->hidPathsOf(0).at(0), HidAccess::QueryOnly), nullptr);
}

TEST_F(FaultTest, ABoardVanishingMidWriteOrInputRead) {
  fw->vanishOnNextFeatureWrite();
  EXPECT_FALSE(board->setFeature(report));
  EXPECT_FALSE(machine->isPlugged(0));
  machine->plug(0);
  auto again = machine->hid().open(machine->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  fw->vanishOnNextInputRead();
  EXPECT_EQ(again->readInput(buffer, 21).status, InputReadStatus::Failed);
  EXPECT_FALSE(machine->isPlugged(0));
}

TEST_F(FaultTest, AnInputReadCanStayPendingWithReportsQueued) {
  fw->queueInputReport();
  fw->keepInputReadsPending(true);
  EXPECT_EQ(board->readInput(buffer, 21).status, InputReadStatus::Pending);
  board->cancelInput();
  fw->keepInputReadsPending(false);
  EXPECT_EQ(board->readInput(buffer, 21).bytes, 21u);
  fw->failInputReads(1);
  fw->queueInputReport();
  EXPECT_EQ(board->readInput(buffer, 21).status, InputReadStatus::Failed);
}

TEST_F(FaultTest, AttributesAndCapabilitiesCanFail) {
  machine->editHid(0, 0, [](HidFunction& f) {
    f.attributesFail = true;
    f.capabilitiesFail = true;
  });
  EXPECT_FALSE(board->attributes());
  EXPECT_FALSE(board->capabilities());
  EXPECT_TRUE(board->getFeature(report));
}

TEST_F(FaultTest, OlderStacksDeliverBluetoothReportsWithoutTheId) {
  auto ble = machine->hid().open(machine->hidPathsOf(1).at(0), HidAccess::ReadWrite);
  machine->firmware(1)->setPinWord(0x04030201);
  machine->setBluetoothReportIdInByte0(false);
  EXPECT_FALSE(machine->hid().bluetoothFeatureReportsCarryReportId());
  ASSERT_TRUE(ble->getFeature(report));
  EXPECT_EQ(report[8], 0x01) << "PIN word one byte early";
  EXPECT_EQ(report[20], 0x00);
  report = Report{3};
  ASSERT_TRUE(board->getFeature(report)) << "wired boards are not affected";
  EXPECT_EQ(report[0], 3);
  EXPECT_EQ(report[12], 0xF4);
}

}  // namespace
}  // namespace brisa::platform::sim
