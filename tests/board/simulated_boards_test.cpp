// The simulator's boards and the tool's identification agree: each simulated firmware is
// identified as the model it plays, from the report 3 it answers through the HID seam.

#include <gtest/gtest.h>

#include <string>

#include "board/identification.h"
#include "platform/sim/scenario.h"

namespace brisa::board {
namespace {

using platform::sim::BoardModel;

class SimulatedBoardTest : public testing::TestWithParam<BoardModel> {};

TEST_P(SimulatedBoardTest, IsIdentifiedAsTheModelItPlays) {
  const BoardModel played = GetParam();
  auto machine = platform::sim::Scenario().usbBoard(played).build();
  const std::string path = machine->hidPathsOf(0).at(0);
  auto board = machine->hid().open(path, platform::HidAccess::ReadWrite);
  ASSERT_NE(board, nullptr);
  FeatureReport report = EmptyReport(SettingsReport);
  ASSERT_TRUE(board->getFeature(report));

  IdentificationFacts facts;
  facts.path = path;
  facts.settings = PayloadOf(report);
  const std::unique_ptr<Device> device = IdentifyDevice(facts);
  EXPECT_EQ(device->GetModelId(), static_cast<std::uint8_t>(played));
  EXPECT_EQ(device->GetButtonCount(), machine->firmware(0)->traits().buttons);
  EXPECT_EQ(device->GetAxisCount(), machine->firmware(0)->traits().axes);
}

INSTANTIATE_TEST_SUITE_P(EveryModel, SimulatedBoardTest,
                         testing::Values(BoardModel::Merlin, BoardModel::Osprey, BoardModel::Linnet,
                                         BoardModel::Plover, BoardModel::Egret, BoardModel::Heron,
                                         BoardModel::Sparrow, BoardModel::Kestrel,
                                         BoardModel::Finch));

}  // namespace
}  // namespace brisa::board
