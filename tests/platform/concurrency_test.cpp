// Workers keep using a board while the test plugs, unplugs and reboots it: every call either
// works or fails cleanly (run under the sanitizers).

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

TEST(Concurrency, WorkersSurviveUnplugsAndReboots) {
  auto m = Scenario().usbBoard(BoardModel::Osprey).build();
  const std::string path = m->hidPathsOf(0).at(0);
  std::atomic<bool> stop{false};
  std::atomic<int> changes{0};
  std::atomic<int> reads{0};
  std::atomic<int> writes{0};
  auto watch = m->deviceTree().watchHidInterfaces([&](const HidChange&) { ++changes; });

  std::thread reader([&] {
    std::vector<std::uint8_t> buffer(2200);
    while (!stop) {
      auto board = m->hid().open(path, HidAccess::ReadWrite);
      if (!board) continue;
      std::array<std::uint8_t, 21> report{3};
      board->getFeature(report);
      board->readInput(buffer, 22);
      board->cancelInput();
      ++reads;
    }
  });
  std::thread writer([&] {
    std::array<std::uint8_t, 21> reboot{3, 0, 0, 0, 0, 0, 0, 0, 0, 0xDF, 0xFD};
    while (!stop) {
      auto board = m->hid().open(path, HidAccess::ReadWrite);
      if (board) board->setFeature(reboot);
      m->deviceTree().hidInterfaces();
      ++writes;
    }
  });
  for (int i = 0; i < 300 || reads < 100 || writes < 100; ++i) {
    m->firmware(0)->queueInputReport();
    if (i % 3 == 0) m->unplug(0);
    if (i % 3 == 1) m->plug(0);
  }
  stop = true;
  reader.join();
  writer.join();
  m->plug(0);
  EXPECT_GT(changes.load(), 0);
  EXPECT_EQ(m->openHidHandles(0), 0u);
  EXPECT_NE(m->hid().open(path, HidAccess::ReadWrite), nullptr);
}

}  // namespace
}  // namespace brisa::platform::sim
