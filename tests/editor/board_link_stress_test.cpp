// Selection, the tick and both workers on real threads while boards come, go and reboot. Run
// under ThreadSanitizer too (tools/test --tsan).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "board/board_call.h"
#include "board_link_fixture.h"

namespace brisa::editor {
namespace {

using platform::sim::BoardModel;
using platform::sim::Scenario;
using testing::BoardLinkProcess;

// Real sleeps a hundred times shorter than asked: many worker passes in little time.
class FastClock final : public platform::Clock {
 public:
  void sleepMs(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::microseconds(10 * ms));
  }
  std::uint64_t nowMs() const override { return 0; }
};

TEST(BoardLinkStress, SelectionWhileWorkersRunAndBoardsComeGoAndReboot) {
  BoardLinkProcess p{Scenario()
                         .usbBoard(BoardModel::Osprey)
                         .bleBoard()
                         .usbBoard(BoardModel::Heron)
                         .keyboardInterface()
                         .bootloader()};
  for (std::size_t device = 0; device < 3; ++device) {
    auto& firmware = *p.machine->firmware(device);
    firmware.setAxis(0, 1234);
    firmware.setButton(1, true);
  }
  p.start();

  FastClock clock;
  std::atomic<bool> stop{false};
  std::thread reader([&] { board::ReadWorker(p.context.board, clock).run(&stop); });
  std::thread writer([&] { board::WriteWorker(p.context.board, clock).run(&stop); });
  std::thread hotplug([&] {
    std::mt19937 random(7);
    while (!stop) {
      const std::size_t device = random() % 5;
      switch (random() % 4) {
        case 0:
          p.machine->unplug(device);
          break;
        case 1:
          p.machine->plug(device);
          break;
        case 2:
          if (p.machine->isPlugged(device)) p.machine->reboot(device);
          break;
        default:
          if (device < 3) p.machine->firmware(device)->queueInputReport();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });

  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    const int items = p.main().itemCount(res::main_dialog::kDeviceCombo);
    if (items > 0) p.choose(static_cast<int>(random() % static_cast<unsigned>(items)));
    switch (random() % 4) {
      case 0:
        board::Raise(p.context.board.readRequest, p.context.board.readWake);
        break;
      case 1:
        board::Raise(p.context.board.writeRequest, p.context.board.writeWake);
        break;
      case 2:
        board::Raise(p.context.board.rebootRequest, p.context.board.writeWake);
        break;
      default:
        break;
    }
    p.shell.tick();
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  stop = true;
  p.context.board.readWake.ring();
  p.context.board.writeWake.ring();
  hotplug.join();
  reader.join();
  writer.join();
  while (board::BoardCallsInProgress() > 0) std::this_thread::yield();

  for (std::size_t device = 0; device < 5; ++device) {
    EXPECT_EQ(p.machine->hidHandlesClosedWithPendingRead(device), 0u) << device;
  }
  // Whatever was selected last, the window can still close once nothing is pending.
  p.context.board.writeRequest = 0;
  p.shell.pressEscape(res::dialog::kMain);
  EXPECT_TRUE(p.shell.modalResult(res::dialog::kMain).has_value());
}

}  // namespace
}  // namespace brisa::editor
