// DFU class requests and the DfuSe commands against the simulated bootloader: the bytes on the
// wire, the status polling and its bounds, the state names and status texts.
#include "dfu/dfu_requests.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dfu/dfuse_commands.h"
#include "dfu/dfuse_options.h"
#include "dfu/poll_budget.h"
#include "opened_bootloader.h"

namespace brisa::dfu {
namespace {

using platform::sim::BootloaderSpec;
using platform::sim::FaultAction;
using platform::sim::RequestFault;
using testing::OpenedBootloader;
using Bytes = std::vector<std::uint8_t>;

const char* const kUnknownText = "Something went wrong, but the device does not know what it was";

const std::vector<DfuseSegment> k16KiBPages = {{0x08000000, 0x0800FFFF, 16384, 7}};

// Two DFU interfaces, so the head record (the one probed last) is interface 1.
BootloaderSpec TwoInterfaces() {
  BootloaderSpec spec;
  platform::sim::DfuInterfaceSpec interface;
  interface.altSettings = {{u"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg"}};
  spec.configurations = {{interface, interface}};
  return spec;
}

TEST(DfuRequests, EachGoesToTheHeadInterfaceWithItsOwnSetup) {
  struct Row {
    const char* what;
    std::function<void(DfuLink&)> send;
    std::uint8_t requestType, request;
    std::uint16_t length;
    Bytes data;  // the bytes sent, for requests that carry some
  };
  const Row rows[] = {
      {"GETSTATUS",
       [](DfuLink& l) {
         DfuStatus s;
         DfuGetStatus(l, s);
       },
       0xA1,
       3,
       6,
       {}},
      {"CLRSTATUS", [](DfuLink& l) { DfuClearStatus(l); }, 0x21, 4, 0, {}},
      {"ABORT", [](DfuLink& l) { DfuAbort(l); }, 0x21, 6, 0, {}},
      {"SET_ADDRESS 0x08000000",
       [](DfuLink& l) { DfuseSpecialCommand(l, 0x08000000, DfuseCommand::SET_ADDRESS); },
       0x21,
       1,
       5,
       {0x21, 0x00, 0x00, 0x00, 0x08}},
      {"ERASE_PAGE 0x08004123",
       [](DfuLink& l) { DfuseSpecialCommand(l, 0x08004123, DfuseCommand::ERASE_PAGE); },
       0x21,
       1,
       5,
       {0x41, 0x23, 0x41, 0x00, 0x08}},
  };
  for (const Row& row : rows) {
    OpenedBootloader boot(TwoInterfaces());
    ASSERT_EQ(boot.state.pDfuInterfaces.front().interfaceNumber, 1) << row.what;
    DfuLink link = boot.link();
    link.state.pDfuseSegments = k16KiBPages;
    row.send(link);
    const auto sent = boot.host.usb.transfers();
    ASSERT_FALSE(sent.empty()) << row.what;
    EXPECT_EQ(sent[0].requestType, row.requestType) << row.what;
    EXPECT_EQ(sent[0].request, row.request) << row.what;
    EXPECT_EQ(sent[0].value, 0) << row.what;
    EXPECT_EQ(sent[0].index, 1) << row.what;
    EXPECT_EQ(sent[0].length, row.length) << row.what;
    EXPECT_EQ(sent[0].timeoutMs, 5000u) << row.what;
    if (!row.data.empty()) {
      EXPECT_EQ(sent[0].data, row.data) << row.what;
    }
  }
}

TEST(DfuRequests, StatusReplyReadWholeOrReplacedByTheDefaults) {
  struct Row {
    const char* what;
    std::function<void(OpenedBootloader&)> fault;
    int result;
    std::uint8_t bStatus, bState;
    std::uint32_t poll;
  };
  const Row rows[] = {
      {"whole reply, three poll bytes",
       [](OpenedBootloader& b) {
         b.bootloader().faults().stuckState = 4;
         b.bootloader().faults().stuckPollMs = 0x012345;
       },
       6, 0, 4, 0x012345},
      {"five bytes",
       [](OpenedBootloader& b) {
         b.bootloader().faults().requests.push_back(
             {.bRequest = 3, .action = FaultAction::kShort, .shortLength = 5});
       },
       5, 14, 10, 50},
      {"stalled",
       [](OpenedBootloader& b) { b.bootloader().faults().requests.push_back({.bRequest = 3}); },
       platform::kUsbErrorPipe, 14, 10, 50},
  };
  for (const Row& row : rows) {
    OpenedBootloader boot;
    row.fault(boot);
    DfuLink link = boot.link();
    DfuStatus status;
    EXPECT_EQ(DfuGetStatus(link, status), row.result) << row.what;
    EXPECT_EQ(status.bStatus, row.bStatus) << row.what;
    EXPECT_EQ(status.bState, row.bState) << row.what;
    EXPECT_EQ(status.bwPollTimeout, row.poll) << row.what;
  }
}

// How a DfuSe command ends, what it prints, and that every one ends within the poll budget.
TEST(DfuseSpecialCommand, OutcomeByTheBootloadersReplies) {
  struct Row {
    const char* what;
    std::function<void(BootloaderSpec&)> spec;
    std::function<void(OpenedBootloader&)> fault;
    DfuseCommand command;
    std::uint32_t address;
    int result;
    std::string printed;
    std::uint32_t lastErasedPage;
    std::uint64_t sleptMs;  // ~0: not checked
  };
  const auto none = [](auto&) {};
  const auto stuck = [](std::uint8_t state, std::uint32_t pollMs) {
    return [=](OpenedBootloader& b) {
      b.bootloader().faults().stuckState = state;
      b.bootloader().faults().stuckPollMs = pollMs;
    };
  };
  const auto onRequest = [](RequestFault fault) {
    return [=](OpenedBootloader& b) { b.bootloader().faults().requests.push_back(fault); };
  };
  constexpr std::uint64_t kAny = ~0ull;
  const Row rows[] = {
      {"SET_ADDRESS: busy 5 ms, then idle", none, none, DfuseCommand::SET_ADDRESS, 0x08000000, 6,
       "", 1, 5},
      {"busy with poll time-out 0: polled again at once",
       [](BootloaderSpec& s) { s.setAddressPollMs = 0; }, none, DfuseCommand::SET_ADDRESS,
       0x08000000, 6, "", 1, 0},
      {"ERASE_PAGE records the page start", none, none, DfuseCommand::ERASE_PAGE, 0x08004123, 6, "",
       0x08004000, 50},
      {"first reply dfuDNLOAD-IDLE with status 0", none, stuck(5, 0), DfuseCommand::SET_ADDRESS,
       0x08000000, -1, "state(5) = dfuDNLOAD-IDLE, status(0) = No error condition is present\n", 1,
       0},
      {"first reply short", none,
       onRequest({.bRequest = 3, .action = FaultAction::kShort, .shortLength = 2}),
       DfuseCommand::SET_ADDRESS, 0x08000000, -1,
       std::string("state(10) = dfuERROR, status(14) = ") + kUnknownText + "\n", 1, 0},
      {"first reply in a state without a name", none, stuck(11, 0), DfuseCommand::SET_ADDRESS,
       0x08000000, -1, "state(11) = UNKNOWN, status(0) = No error condition is present\n", 1, 0},
      {"work ends in dfuERROR: -1 without a line", none,
       onRequest({.bRequest = 1, .action = FaultAction::kError, .status = 4}),
       DfuseCommand::ERASE_PAGE, 0x08000000, -1, "", 0x08000000, 50},
      {"command block stalls", none, onRequest({.bRequest = 1}), DfuseCommand::SET_ADDRESS,
       0x08000000, platform::kUsbErrorPipe, "", 1, 0},
      {"status request stalls", none, onRequest({.bRequest = 3}), DfuseCommand::SET_ADDRESS,
       0x08000000, platform::kUsbErrorPipe, "", 1, 0},
      {"ERASE_PAGE outside every segment: nothing sent", none, none, DfuseCommand::ERASE_PAGE,
       0x20000000, platform::kUsbErrorInvalidParam, "", 1, 0},
      {"busy for ever, no wait asked", none, stuck(4, 0), DfuseCommand::SET_ADDRESS, 0x08000000,
       platform::kUsbErrorTimeout, "", 1, 0},
      {"busy for ever, 5 ms waits", none, stuck(4, 5), DfuseCommand::SET_ADDRESS, 0x08000000,
       platform::kUsbErrorTimeout, "", 1, kAny},
      {"busy for ever, hours asked each time", none, stuck(4, 0xFFFFFF), DfuseCommand::ERASE_PAGE,
       0x08000000, platform::kUsbErrorTimeout, "", 0x08000000, kAny},
  };
  for (const Row& row : rows) {
    BootloaderSpec spec;
    row.spec(spec);
    OpenedBootloader boot(spec);
    row.fault(boot);
    DfuLink link = boot.link();
    link.state.pDfuseSegments = k16KiBPages;
    ::testing::internal::CaptureStdout();
    const int result = DfuseSpecialCommand(link, row.address, row.command);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, row.result) << row.what;
    EXPECT_EQ(printed, row.printed) << row.what;
    EXPECT_EQ(boot.state.dfuseLastErasedPage, row.lastErasedPage) << row.what;
    if (row.sleptMs != kAny) {
      EXPECT_EQ(boot.clock.sleptMs(), row.sleptMs) << row.what;
    }
    EXPECT_LE(boot.clock.sleptMs(), PollBudget::kMaxLoopMs + PollBudget::kMaxWaitMs) << row.what;
    EXPECT_LE(boot.host.usb.transfers().size(), PollBudget::kMaxPolls + 1) << row.what;
  }
}

TEST(DfuNames, StatesAndStatusesByValue) {
  const char* const states[] = {"appIDLE",          "appDETACH",   "dfuIDLE",
                                "dfuDNLOAD-SYNC",   "dfuDNBUSY",   "dfuDNLOAD-IDLE",
                                "dfuMANIFEST-SYNC", "dfuMANIFEST", "dfuMANIFEST-WAIT-RESET",
                                "dfuUPLOAD-IDLE",   "dfuERROR"};
  for (std::uint8_t s = 0; s <= 10; ++s) EXPECT_STREQ(DfuStateName(s), states[s]);
  EXPECT_EQ(DfuStateName(11), nullptr);
  EXPECT_EQ(DfuStateName(255), nullptr);
  EXPECT_STREQ(DfuStatusText(0), "No error condition is present");
  EXPECT_STREQ(DfuStatusText(9),
               "Received DFU_DNLOAD with wLength = 0, but device does not think that it has all "
               "data yet");
  EXPECT_STREQ(DfuStatusText(14), kUnknownText);
  EXPECT_STREQ(DfuStatusText(15), "Device stalled an unexpected request");
  EXPECT_STREQ(DfuStatusText(16), "INVALID");
  EXPECT_STREQ(DfuStatusText(255), "INVALID");
}

TEST(DfuseParseOptions, AddressByPrefixThenModifiers) {
  struct Row {
    const char* text;
    std::optional<std::uint32_t> address;
    bool leave, massErase, force;
    std::optional<std::uint32_t> length;
  };
  const Row rows[] = {
      {"0x08000000", 0x08000000, false, false, false, std::nullopt},
      {"010", 8, false, false, false, std::nullopt},
      {"134217728:leave", 0x08000000, true, false, false, std::nullopt},
      {"0x08000000:mass-erase:force:0x400", 0x08000000, false, true, true, 0x400},
      {":leave", std::nullopt, true, false, false, std::nullopt},
      {"0x08000000:bogus", 0x08000000, false, false, false, std::nullopt},
  };
  for (const Row& row : rows) {
    const DfuseOptions options = DfuseParseOptions(row.text);
    EXPECT_EQ(options.address, row.address) << row.text;
    EXPECT_EQ(options.leave, row.leave) << row.text;
    EXPECT_EQ(options.massErase, row.massErase) << row.text;
    EXPECT_EQ(options.force, row.force) << row.text;
    EXPECT_EQ(options.length, row.length) << row.text;
  }
}

}  // namespace
}  // namespace brisa::dfu
