// The read and write workers against a simulated board, one pass at a time on virtual time.

#include "board/report_exchange.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "board/board_call.h"
#include "platform/sim/scenario.h"
#include "platform/sim/virtual_clock.h"

namespace brisa::board {
namespace {

using platform::sim::BoardFirmware;
using platform::sim::BoardModel;
using Bytes = std::vector<std::uint8_t>;

BoardFirmware::Payload Filled(std::uint8_t first) {
  BoardFirmware::Payload payload{};
  for (std::size_t i = 0; i < payload.size(); ++i) {
    payload[i] = static_cast<std::uint8_t>(first + i);
  }
  return payload;
}

// One open board as selection leaves it, and both workers on an instant virtual clock.
struct Bench {
  explicit Bench(platform::sim::UsbBoardSpec spec = {}, BoardModel model = BoardModel::Kestrel) {
    machine = platform::sim::Scenario().usbBoard(model, spec).build();
    for (std::uint8_t id = 2; id <= 5; ++id) firmware().setPayload(id, Filled(id * 20));
    open();
  }
  void open() {
    state.hDevice =
        machine->hid().open(machine->hidPathsOf(0).at(0), platform::HidAccess::ReadWrite);
    state.hidCaps = *state.hDevice->capabilities();
    state.pDevice = CreateDevice(static_cast<ModelId>(firmware().model()), false);
  }
  BoardFirmware& firmware() { return *machine->firmware(0); }

  std::unique_ptr<platform::sim::Machine> machine;
  BoardState state;
  platform::sim::VirtualClock clock;
  ReadWorker reader{state, clock};
  WriteWorker writer{state, clock};
};

TEST(ReadWorker, ReadsTheFourReportsInOrderThenSaysDone) {
  Bench bench;
  bench.state.readRequest = 1;
  bench.reader.pass();
  EXPECT_EQ(bench.firmware().readReportIds(), (Bytes{2, 3, 4, 5}));
  for (const ReportId id : {ButtonTypeReport, SettingsReport, AxisKeyReportA, AxisKeyReportB}) {
    FeatureReport report = EmptyReport(id);
    const auto stored = bench.firmware().payload(id);
    std::copy(stored.begin(), stored.end(), report.begin() + 1);
    EXPECT_EQ(BlockFor(bench.state.configRecord, id), PayloadOf(report)) << int{id};
  }
  EXPECT_EQ(bench.state.readRequest, 0u);
  EXPECT_EQ(bench.state.readDone, 1u);
  EXPECT_EQ(bench.state.configReadFromBoard, 1u);
  EXPECT_EQ(bench.clock.sleptMs(), kReadPeriodMs);
}

TEST(ReadWorker, FailedReadsKeepTheirBlocksAndStillSayDone) {
  const struct {
    unsigned failures;  // the first n of the four reads fail
    bool fromBoard;
  } cases[] = {{4, false}, {3, true}, {1, true}};
  for (const auto& c : cases) {
    Bench bench;
    const ConfigRecord before{{1}, {2}, {3}, {4}};
    bench.state.configRecord = before;
    bench.firmware().failFeatureReads(c.failures);
    bench.state.readRequest = 1;
    bench.reader.pass();
    EXPECT_EQ(bench.state.readDone, 1u) << c.failures;
    EXPECT_EQ(bench.state.configReadFromBoard, c.fromBoard ? 1u : 0u) << c.failures;
    EXPECT_EQ(bench.state.configRecord.buttonTypes, before.buttonTypes) << c.failures;
    EXPECT_EQ(bench.state.configRecord.axisKeyB == before.axisKeyB, c.failures == 4) << c.failures;
  }
}

TEST(ReadWorker, PlacesABluetoothPayloadWhereTheSystemPutsIt) {
  const struct { bool reportIdInByte0; } cases[] = {{true}, {false}};
  for (const auto& c : cases) {
    platform::sim::BleBoardSpec spec;
    spec.pinWord = 0x44332211;
    auto machine = platform::sim::Scenario().bleBoard(spec).build();
    machine->setBluetoothReportIdInByte0(c.reportIdInByte0);
    BoardState state;
    state.isWin10OrLater = machine->hid().bluetoothFeatureReportsCarryReportId() ? 1 : 0;
    state.hDevice =
        machine->hid().open(machine->hidPathsOf(0).at(0), platform::HidAccess::ReadWrite);
    state.hidCaps = *state.hDevice->capabilities();
    state.pDevice = CreateDevice(ModelId::Merlin, true);
    platform::sim::VirtualClock clock;
    state.readRequest = 1;
    ReadWorker(state, clock).pass();
    // Without the id the payload starts at byte 0, and the block is taken from there.
    EXPECT_EQ(ReadLong(state.configRecord.settings, 9), 0x44332211u) << c.reportIdInByte0;
  }
}

TEST(ReadWorker, TakesOnlyTheNewestWholeReportOneAlreadyQueued) {
  const struct {
    const char* name;
    std::uint16_t length;
    std::vector<Bytes> queued;
    std::size_t copied;  // bytes of inputState that change; the rest keep 0xEE
    std::uint8_t firstByte;
  } cases[] = {
      {"three 22-byte reports, the third taken", 22, {{1, 0x10}, {1, 0x20}, {1, 0x30}}, 21, 0x30},
      {"a last report with another id", 22, {{1, 0x10}, {2, 0x20}}, 0, 0xEE},
      {"a length of 10 copies 9 bytes", 10, {{1, 0x40}}, 9, 0x40},
      {"nothing queued", 22, {}, 0, 0xEE},
  };
  for (const auto& c : cases) {
    platform::sim::UsbBoardSpec spec;
    spec.inputReportLength = c.length;
    Bench bench(spec, BoardModel::Osprey);
    bench.state.inputState.fill(0xEE);
    for (Bytes report : c.queued) {
      report.resize(c.length, 0x77);
      bench.firmware().queueRawInputReport(report);
    }
    bench.reader.pass();
    const InputStateReport& got = bench.state.inputState;
    for (std::size_t i = 0; i < got.size(); ++i) {
      const std::uint8_t expected = i >= c.copied ? 0xEE : (i == 0 ? c.firstByte : 0x77);
      EXPECT_EQ(got[i], expected) << c.name << ", byte " << i;
    }
  }
}

TEST(ReadWorker, LeavesNoReadWaitingAndTakesAReportThatArrivesBetweenPasses) {
  Bench bench({}, BoardModel::Osprey);
  bench.reader.pass();
  EXPECT_FALSE(bench.firmware().inputQueue().hasPending(bench.state.hDevice.get()));
  bench.firmware().setButton(0, true);
  bench.firmware().queueInputReport();
  bench.reader.pass();
  EXPECT_TRUE(InputButton(bench.state.inputState, 8, 0));
  bench.state.hDevice.reset();
  EXPECT_EQ(bench.machine->hidHandlesClosedWithPendingRead(0), 0u);
}

TEST(ReadWorker, IdlesWhileAWriteIsPendingOrNoBoardIsOpen) {
  const struct {
    bool writePending;
    bool boardOpen;
  } cases[] = {{true, true}, {false, false}, {true, false}};
  for (const auto& c : cases) {
    Bench bench;
    bench.state.writeRequest = c.writePending ? 1 : 0;
    if (!c.boardOpen) bench.state.hDevice.reset();
    bench.state.readRequest = 1;
    bench.reader.pass();
    EXPECT_TRUE(bench.firmware().readReportIds().empty());
    EXPECT_EQ(bench.state.readRequest, 1u);
    EXPECT_EQ(bench.state.readDone, 0u);
    EXPECT_EQ(bench.clock.sleptMs(), kReadPeriodMs);
  }
}

TEST(WriteWorker, SendsSettingsAxesKeysThenButtonTypesAndRecordsTheOutcome) {
  const struct {
    unsigned failures;        // attempts refused at once, from the first
    std::uint32_t failingMs;  // above 0: every request fails after this long
    bool hangs;               // every request waits on a clock nobody moves
    std::uint64_t waitedMs;
    WriteOutcome outcome;
    Bytes ids;
  } cases[] = {
      {0, 0, false, 0, WriteOutcome::Accepted, {3, 4, 5, 2}},
      {5, 0, false, 125, WriteOutcome::Accepted, {3, 4, 5, 2}},
      {6, 0, false, 125, WriteOutcome::Refused, {4, 5, 2}},
      // A board that refuses at once keeps its six attempts at every report; one that takes
      // its time to fail gets a second of failing in all, so Exit waits no longer for it.
      {24, 0, false, 500, WriteOutcome::Refused, {}},
      {0, 100, false, 1075, WriteOutcome::Refused, {}},
      {0, 500, false, 1025, WriteOutcome::Refused, {}},
      {0, 990, false, 1015, WriteOutcome::Refused, {}},
      {0, 1000, false, 1000, WriteOutcome::Refused, {}},
      {0, 5000, false, 5000, WriteOutcome::Refused, {}},
      {0, 0, true, 0, WriteOutcome::Refused, {}},
  };
  for (const auto& c : cases) {
    Bench bench;
    bench.state.outReports.outSettingsReport[1] = 0x5A;
    bench.firmware().failFeatureWrites(c.failures);
    if (c.failingMs > 0) bench.firmware().delayFeatureRequests(&bench.clock, c.failingMs, true);
    platform::sim::VirtualClock never(platform::sim::VirtualClock::Mode::Stepped);
    if (c.hangs) bench.firmware().delayFeatureRequests(&never, 1, true);
    bench.state.writeRequest = 1;
    const auto start = std::chrono::steady_clock::now();
    bench.writer.pass();
    // An attempt in progress is given up on when the second is over.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    Bytes ids;
    for (const Bytes& report : bench.firmware().writtenReports()) ids.push_back(report.at(0));
    EXPECT_EQ(ids, c.ids) << c.failingMs;
    EXPECT_EQ(bench.state.writeOutcome, c.outcome) << c.failingMs;
    EXPECT_EQ(bench.state.writeRequest, 0u);
    EXPECT_EQ(bench.clock.sleptMs(), c.waitedMs + kWritePeriodMs) << c.failingMs;
    never.release();
    while (board::BoardCallsInProgress() > 0) std::this_thread::yield();
  }
}

TEST(WriteWorker, AWriteWithNoBoardOpenWaits) {
  Bench bench;
  bench.state.hDevice.reset();
  bench.state.writeRequest = 1;
  bench.writer.pass();
  EXPECT_EQ(bench.state.writeRequest, 1u);
  EXPECT_EQ(bench.state.writeOutcome, WriteOutcome::None);
}

TEST(WriteWorker, SendsTheRebootCommandFirstEvenWithNoBoard) {
  const FeatureReport command = RebootCommand();
  EXPECT_EQ(Bytes(command.begin(), command.end()),
            (Bytes{3, 0, 0, 0, 0, 0, 0, 0, 0, 0xDF, 0xFD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  Bench bench;
  bench.state.rebootRequest = 1;
  bench.state.writeRequest = 1;
  bench.writer.pass();
  ASSERT_FALSE(bench.firmware().writtenReports().empty());
  EXPECT_EQ(bench.firmware().writtenReports().front(), Bytes(command.begin(), command.end()));
  EXPECT_EQ(bench.firmware().rebootCount(), 1u);
  EXPECT_EQ(bench.state.rebootRequest, 0u);

  Bench none;
  none.state.hDevice.reset();
  none.state.rebootRequest = 1;
  none.writer.pass();
  EXPECT_EQ(none.state.rebootRequest, 0u);
  EXPECT_EQ(none.clock.sleptMs(), 125 + kWritePeriodMs);
}

TEST(WriteWorker, SendsTheInterfacesFeatureLength) {
  const struct { std::uint16_t length; } cases[] = {{21}, {33}};
  for (const auto& c : cases) {
    platform::sim::UsbBoardSpec spec;
    spec.featureReportLength = c.length;
    Bench bench(spec);
    bench.state.outReports.outButtonTypeReport.fill(0x11);
    bench.state.outReports.outButtonTypeReport[0] = ButtonTypeReport;
    bench.state.writeRequest = 1;
    bench.writer.pass();
    const Bytes last = bench.firmware().writtenReports().back();
    ASSERT_EQ(last.size(), c.length);
    for (std::size_t i = 21; i < last.size(); ++i) EXPECT_EQ(last[i], 0) << i;
    EXPECT_EQ(last[20], 0x11);
  }
}

TEST(Workers, ARequestAskedForAgainWhileItIsServedIsServedAgain) {
  for (const bool reboot : {false, true}) {
    Bench bench;
    const auto ask = [&] { reboot ? AskReboot(bench.state) : AskRead(bench.state); };
    std::atomic<bool> askedAgain{false};
    // The user asks again while the board's first answer is on its way.
    bench.firmware().delayFeatureRequests(&bench.clock, 1, false);
    bench.clock.onSleep([&](std::uint64_t) {
      if (!askedAgain.exchange(true)) ask();
    });
    ask();
    reboot ? bench.writer.pass() : bench.reader.pass();
    EXPECT_EQ(reboot ? bench.state.rebootRequest : bench.state.readRequest, 1u) << reboot;
    bench.clock.onSleep(nullptr);
  }
}

TEST(Workers, AReadRaisedWithAWriteWaitsForTheWrite) {
  Bench bench;
  bench.state.readRequest = 1;
  bench.state.writeRequest = 1;
  bench.reader.pass();
  EXPECT_EQ(bench.state.readDone, 0u);
  bench.writer.pass();
  bench.reader.pass();
  EXPECT_EQ(bench.state.readDone, 1u);
}

}  // namespace
}  // namespace brisa::board
