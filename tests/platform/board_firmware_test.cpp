// The simulated boards answer their reports as real ones do, seen through the HID seam.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

using Report = std::array<std::uint8_t, 21>;

Report request(std::uint8_t id) {
  Report r{};
  r[0] = id;
  return r;
}

std::unique_ptr<HidDevice> openBoard(Machine& m, DeviceId id) {
  return m.hid().open(m.hidPathsOf(id).at(0), HidAccess::ReadWrite);
}

struct KeyCase {
  BoardModel model;
  std::uint8_t keyByte;
};

class WiredKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(WiredKeyTest, Report3CarriesTheKeyWhateverWasWritten) {
  auto m = Scenario().usbBoard(GetParam().model).build();
  auto board = openBoard(*m, 0);
  ASSERT_NE(board, nullptr);
  Report written = request(3);
  written[1] = 0x11;
  written[9] = 0x5A;
  written[10] = 0x01;
  written[11] = 0x02;
  written[12] = 0x03;
  written[19] = 0x77;
  ASSERT_TRUE(board->setFeature(written));

  Report read = request(3);
  ASSERT_TRUE(board->getFeature(read));
  Report expected = written;
  expected[10] = 0xFF;
  expected[11] = 0xFF;
  expected[12] = GetParam().keyByte;
  EXPECT_EQ(read, expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllWiredModels, WiredKeyTest,
    testing::Values(KeyCase{BoardModel::Plover, 0xF0}, KeyCase{BoardModel::Heron, 0xF1},
                    KeyCase{BoardModel::Egret, 0xF2}, KeyCase{BoardModel::Sparrow, 0xF3},
                    KeyCase{BoardModel::Kestrel, 0xF4}, KeyCase{BoardModel::Finch, 0xF5},
                    KeyCase{BoardModel::Linnet, 0xFE}, KeyCase{BoardModel::Osprey, 0xFF}));

TEST(BleBoard, AnswersWithThePinWordItWasGivenThenTheOneWritten) {
  BleBoardSpec spec;
  spec.pinWord = 0x8001E240;  // pairing PIN required, 123456
  auto m = Scenario().bleBoard(spec).build();
  auto board = openBoard(*m, 0);
  ASSERT_NE(board, nullptr);
  Report read = request(3);
  ASSERT_TRUE(board->getFeature(read));
  EXPECT_EQ((std::array<std::uint8_t, 4>{read[9], read[10], read[11], read[12]}),
            (std::array<std::uint8_t, 4>{0x40, 0xE2, 0x01, 0x80}));

  Report written = request(3);
  written[9] = 0x01;
  written[12] = 0xF4;  // looks like a wired key: the Bluetooth board keeps it as a PIN word
  ASSERT_TRUE(board->setFeature(written));
  ASSERT_TRUE(board->getFeature(read));
  EXPECT_EQ(read, written);
}

TEST(BoardReports, ConfigurationReportsKeepWhatIsWrittenOthersFail) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).build();
  auto board = openBoard(*m, 0);
  for (std::uint8_t id : {std::uint8_t{2}, std::uint8_t{4}, std::uint8_t{5}}) {
    Report written = request(id);
    for (std::size_t i = 1; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(id * i);
    ASSERT_TRUE(board->setFeature(written));
    Report read = request(id);
    ASSERT_TRUE(board->getFeature(read));
    EXPECT_EQ(read, written) << "report " << int{id};
  }
  for (std::uint8_t id : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{6}}) {
    Report r = request(id);
    EXPECT_FALSE(board->getFeature(r)) << "report " << int{id};
    EXPECT_FALSE(board->setFeature(r)) << "report " << int{id};
  }
  EXPECT_EQ(m->firmware(0)->writtenReports().size(), 3u);
}

TEST(BoardReports, RebootLeavesAndComesBackKeepingTheConfiguration) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).build();
  std::vector<HidChange> changes;
  auto watch =
      m->deviceTree().watchHidInterfaces([&](const HidChange& c) { changes.push_back(c); });
  auto board = openBoard(*m, 0);
  Report settings = request(3);
  settings[1] = 42;
  ASSERT_TRUE(board->setFeature(settings));

  Report reboot = request(3);
  reboot[9] = 0xDF;
  reboot[10] = 0xFD;
  EXPECT_TRUE(board->setFeature(reboot));

  const std::string path = m->hidPathsOf(0).at(0);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].kind, HidChangeKind::Removal);
  EXPECT_EQ(changes[1].kind, HidChangeKind::Arrival);
  EXPECT_EQ(changes[1].path, path);
  EXPECT_EQ(m->firmware(0)->rebootCount(), 1u);

  Report read = request(3);
  EXPECT_FALSE(board->getFeature(read)) << "a handle from before the reboot is stale";
  auto again = openBoard(*m, 0);
  ASSERT_NE(again, nullptr);
  ASSERT_TRUE(again->getFeature(read));
  EXPECT_EQ(read[1], 42) << "the reboot command is not stored as settings";
}

TEST(BoardReports, AlmostARebootCommandIsStoredAsSettings) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).build();
  auto board = openBoard(*m, 0);
  Report r = request(3);
  r[9] = 0xDF;
  r[10] = 0xFD;
  r[20] = 0x01;
  ASSERT_TRUE(board->setFeature(r));
  EXPECT_EQ(m->firmware(0)->rebootCount(), 0u);
  EXPECT_TRUE(m->isPlugged(0));
}

}  // namespace
}  // namespace brisa::platform::sim
