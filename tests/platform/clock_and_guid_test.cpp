#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/guid.h"
#include "platform/sim/virtual_clock.h"

namespace brisa::platform {
namespace {

TEST(VirtualClock, SleepsMoveTimeWithoutWaiting) {
  sim::VirtualClock clock;
  std::vector<std::uint64_t> seen;
  clock.onSleep([&](std::uint64_t now) { seen.push_back(now); });
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) clock.sleepMs(25);
  clock.advanceMs(5);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(clock.nowMs(), 130u);
  EXPECT_EQ(clock.sleptMs(), 125u);
  EXPECT_EQ(clock.sleepCount(), 5u);
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{25, 50, 75, 100, 125}));
}

TEST(VirtualClock, SteppedSleepsEndOnlyWhenTheTestMovesTimeOn) {
  sim::VirtualClock clock(sim::VirtualClock::Mode::Stepped);
  std::atomic<int> passes{0};
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      clock.sleepMs(30);
      ++passes;
    }
  });
  clock.waitForSleepers(1);
  clock.advanceMs(29);
  clock.waitForSleepers(1);
  EXPECT_EQ(passes.load(), 0);
  clock.advanceMs(1);
  clock.waitForSleepers(1);  // the second sleep, ending at 60
  EXPECT_EQ(passes.load(), 1);
  clock.release();
  worker.join();
  EXPECT_EQ(passes.load(), 3);
  EXPECT_EQ(clock.nowMs(), 90u);
}

TEST(Guid, ParsesTheBracedFormInEitherCase) {
  EXPECT_EQ(parseGuid("{ECFB0CFD-74C4-4F52-BBF7-343461CD72AC}"), kLibusbKClassGuid);
  EXPECT_EQ(parseGuid("{ecfb0cfd-74c4-4f52-bbf7-343461cd72ac}"), kLibusbKClassGuid);
  EXPECT_EQ(toString(kUsbClassGuid), "{36fc9e60-c465-11cf-8056-444553540000}");
  EXPECT_EQ(parseGuid(toString(kBluetoothClassGuid)), kBluetoothClassGuid);
  for (const char* bad :
       {"ECFB0CFD-74C4-4F52-BBF7-343461CD72AC", "{ECFB0CFD-74C4-4F52-BBF7-343461CD72A}",
        "{ECFB0CFD+74C4-4F52-BBF7-343461CD72AC}", "{ECFB0CFD-74C4-4F52-BBF7-343461CD72AG}", ""}) {
    EXPECT_FALSE(parseGuid(bad)) << bad;
  }
  EXPECT_EQ(toString(Guid::fromShortUuid(0x1812)), "{00001812-0000-1000-8000-00805f9b34fb}");
}

}  // namespace
}  // namespace brisa::platform
