// Whole firmware downloads into the simulated bootloader: the log line by line, the progress
// bar, the flash afterwards, and how every kind of failure ends.
#include "dfu/dfu_download.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "dfu/poll_budget.h"
#include "dfu/text_format.h"
#include "download_rig.h"

namespace brisa::dfu {
namespace {

using platform::sim::BootloaderSpec;
using platform::sim::FaultAction;
using platform::sim::RequestFault;
using testing::DownloadRig;
using testing::Pattern;
namespace ids = res::advanced;

// Four pages of 1 KiB at 0x08000000, written 512 bytes at a time unless told otherwise.
BootloaderSpec SmallFlash(std::uint16_t transferSize = 512,
                          std::u16string name = u"@Internal Flash  /0x08000000/04*001Kg") {
  BootloaderSpec spec;
  spec.flash = {{0x08000000, 4, 1024}};
  platform::sim::DfuInterfaceSpec interface;
  interface.altSettings = {{std::move(name)}};
  spec.configurations = {{interface}};
  spec.functional.wTransferSize = transferSize;
  return spec;
}

std::string Started(const char* version = "011a") {
  return Printf("\r\nUPGRADE STARTED...\r\nID 0483:df11\r\nRun-time device DFU version %s\r\n",
                version);
}
const std::string kClaiming = "Claiming USB DFU Runtime Interface...\r\n";
const std::string kIdle =
    "Determining device status: state = dfuIDLE, status = 0\r\ndfuIDLE, continuing\r\n";
const std::string kFinished = "File downloaded successfully!!!\r\n\r\nUPGRADE FINISHED...\r\n";
const std::string kUnknownText = "Something went wrong, but the device does not know what it was";

std::string Found(const char* state, int status) {
  return Printf("Determining device status: state = %s, status = %d\r\n", state, status);
}
std::string Ready(int transferSize, int size) {
  return Printf(
      "Device returned transfer size %i\r\nDownloading to address = 0x08000000, size = %i\r\n",
      transferSize, size);
}
std::string Erasing(std::uint32_t address) {
  return Printf("Erasing page at 0x%08x...\r\n", address);
}
std::string Writing(std::uint32_t address) {
  return Printf("Writing page at 0x%08x...\r\n", address);
}
// Everything up to the first erase of a one-chunk image of 300 bytes.
std::string UpToErase() {
  return Started() + kClaiming + kIdle + Ready(512, 300) + Erasing(0x08000000);
}

TEST(DfuDownload, ImageLandsByteForByteWithTheWholeLogAndProgress) {
  DownloadRig rig(SmallFlash());
  const auto image = Pattern(1300);
  rig.image.write(image);
  ::testing::internal::CaptureStdout();
  rig.upgrade();
  const std::string printed = ::testing::internal::GetCapturedStdout();

  EXPECT_EQ(rig.log(), Started() + kClaiming + kIdle + Ready(512, 1300) + Erasing(0x08000000) +
                           Erasing(0x08000400) + Writing(0x08000000) + Writing(0x08000200) +
                           Writing(0x08000400) + kFinished);
  EXPECT_EQ(rig.flash(image.size()), image);
  EXPECT_EQ(printed,
            "DFU mode device DFU version 011a\r\nDfuSe interface name: \"Internal Flash  \"\n");
  EXPECT_EQ(rig.page.range(ids::kProgressBar), (ui::Range{0, 5}));
  EXPECT_EQ(rig.page.positionHistory(ids::kProgressBar),
            (std::vector<int>{0, 0, 1, 2, 3, 3, 4, 5}));
  EXPECT_TRUE(rig.page.enabled(ids::kUpgradeButton));
  EXPECT_EQ(rig.boot.state.upgradeRequest, 0u);
  // Each page erased once although two chunks lie in the first; the last chunk carries only
  // the bytes that are left, from the image's own buffer.
  EXPECT_EQ(rig.boot.bootloader().flash().erasedPages(),
            (std::vector<std::uint32_t>{0x08000000, 0x08000400}));
  std::vector<std::uint16_t> dataLengths;
  for (const auto& t : rig.boot.host.usb.transfers()) {
    if (t.request == 1 && t.value == 2) dataLengths.push_back(t.length);
    EXPECT_EQ(t.timeoutMs, 5000u);
  }
  EXPECT_EQ(dataLengths, (std::vector<std::uint16_t>{512, 512, 276}));
  // The host waits only as the bootloader asks: 50 ms per erase, 5 ms per busy command or chunk.
  EXPECT_EQ(rig.boot.clock.sleptMs(), 2 * 50 + 3 * 5 + 3 * 5 + DfuWorker::kLookIntervalMs);
}

// Every road through a download, good or failed: the whole log, and the flash afterwards.
TEST(DfuDownload, EachOutcomeEndsWithItsLogAndUpgradeEnabledAgain) {
  struct Row {
    const char* what;
    BootloaderSpec spec;
    std::function<void(DownloadRig&)> setup;
    std::size_t imageSize;
    std::string log;
    bool written;  // the flash holds the image
    int rangeTop;  // -1: not set
  };
  const auto none = [](DownloadRig&) {};
  const auto state = [](std::uint8_t s, std::uint8_t status = 0) {
    return [=](DownloadRig& r) { r.boot.bootloader().forceState(s, status); };
  };
  const auto fault = [](RequestFault f) {
    return [=](DownloadRig& r) { r.boot.bootloader().faults().requests.push_back(f); };
  };
  const std::string oneChunk = Writing(0x08000000) + kFinished;
  BootloaderSpec smallPackets = SmallFlash(32);
  smallPackets.blockBufferSize = 64;
  BootloaderSpec noTransferSize = SmallFlash();
  noTransferSize.functionalBytes = std::vector<std::uint8_t>{5, 0x21, 0x0B, 0xFF, 0x00};
  const std::string missing = "/nonexistent/brisa/image.bin";

  const Row rows[] = {
      {"a chunk across a page boundary erases both pages", SmallFlash(768), none, 1300,
       Started() + kClaiming + kIdle + Ready(768, 1300) + Erasing(0x08000000) +
           Erasing(0x08000513) + Writing(0x08000000) + Writing(0x08000300) + kFinished,
       true, 3},
      {"transfer size below bMaxPacketSize0", smallPackets, none, 200,
       Started() + kClaiming + kIdle +
           "Device returned transfer size 32\r\nAdjusted transfer size to 64\n"
           "Downloading to address = 0x08000000, size = 200\r\n" +
           Erasing(0x08000000) + Writing(0x08000000) + Writing(0x08000040) + Writing(0x08000080) +
           Writing(0x080000c0) + kFinished,
       true, 12},
      {"an empty image, refused before the bootloader is asked anything", SmallFlash(), none, 0,
       Started() + "File \"%PATH%\" is empty\r\n", false, -1},
      {"an empty image, whatever the layout", SmallFlash(512, u"@F/0x07FFFC00/02*001Kg"), none, 0,
       Started() + "File \"%PATH%\" is empty\r\n", false, -1},
      {"an image under half a transfer size still has a step on the bar", SmallFlash(), none, 100,
       Started() + kClaiming + kIdle + Ready(512, 100) + Erasing(0x08000000) + Writing(0x08000000) +
           kFinished,
       true, 1},
      {"a path that names no file", SmallFlash(),
       [&](DownloadRig& r) { r.page.setText(ids::kFirmwarePathEdit, missing); }, 300,
       Started() + "Cannot load file \"" + missing + "\"!!!\r\n", false, -1},
      {"found in dfuERROR", SmallFlash(), state(10, 6), 300,
       Started() + kClaiming + Found("dfuERROR", 6) + "dfuERROR, clearing status\r\n" + kIdle +
           Ready(512, 300) + Erasing(0x08000000) + oneChunk,
       true, 1},
      {"found in dfuDNLOAD-IDLE", SmallFlash(), state(5), 300,
       Started() + kClaiming + Found("dfuDNLOAD-IDLE", 0) +
           "aborting previous incomplete transfer\r\n" + kIdle + Ready(512, 300) +
           Erasing(0x08000000) + oneChunk,
       true, 1},
      {"found in dfuUPLOAD-IDLE", SmallFlash(), state(9), 300,
       Started() + kClaiming + Found("dfuUPLOAD-IDLE", 0) +
           "aborting previous incomplete transfer\r\n" + kIdle + Ready(512, 300) +
           Erasing(0x08000000) + oneChunk,
       true, 1},
      {"found in appIDLE", SmallFlash(), state(0), 300,
       Started() + kClaiming + Found("appIDLE", 0) + "Device still in Runtime Mode!\r\n", false,
       -1},
      {"found in appDETACH", SmallFlash(), state(1), 300,
       Started() + kClaiming + Found("appDETACH", 0) + "Device still in Runtime Mode!\r\n", false,
       -1},
      {"found busy: goes on, and the busy bootloader refuses the erase", SmallFlash(), state(3),
       300,
       Started() + kClaiming + Found("dfuDNBUSY", 0) + Ready(512, 300) + Erasing(0x08000000) +
           "Erasing page at 0x08000000 failed: -9\r\nError during download\r\n",
       false, 1},
      {"dfuIDLE with a status other than 0", SmallFlash(), state(2, 5), 300,
       Started() + kClaiming + Found("dfuIDLE", 5) +
           "dfuIDLE, continuing\r\nWARNING: DFU Status: 'Memory erase check failed'\r\n" +
           Ready(512, 300) + Erasing(0x08000000) + oneChunk,
       true, 1},
      {"16 stalls after a wait are retried", SmallFlash(),
       fault({.bRequest = 3, .skip = 6, .count = 16}), 300, UpToErase() + oneChunk, true, 1},
      {"the 17th stall ends it", SmallFlash(), fault({.bRequest = 3, .skip = 6, .count = 17}), 300,
       UpToErase() + Writing(0x08000000) + "Device stalled after download", false, 1},
      {"a stall on a chunk's first poll ends it", SmallFlash(), fault({.bRequest = 3, .skip = 5}),
       300, UpToErase() + Writing(0x08000000) + "Error during download get_status", false, 1},
      {"a short status reply in the write pass", SmallFlash(),
       fault({.bRequest = 3, .skip = 5, .action = FaultAction::kShort, .shortLength = 3}), 300,
       UpToErase() + Writing(0x08000000) +
           "\tfailed!\r\nstate(10) = dfuERROR, status(14) = " + kUnknownText + "\r\n",
       false, 1},
      {"a chunk ending in dfuERROR with status 0 failed", SmallFlash(),
       [](DownloadRig& r) {
         // Right after the chunk's first poll asked for its wait.
         r.boot.clock.onSleep([&r, sleeps = std::make_shared<int>(0)](std::uint64_t) {
           if (++*sleeps == 3) r.boot.bootloader().faults().stuckState = 10;
         });
       },
       300,
       UpToErase() + Writing(0x08000000) +
           "\tfailed!\r\nstate(10) = dfuERROR, status(0) = No error condition is present\r\n",
       false, 1},
      {"a failed erase ends it before anything is written", SmallFlash(),
       fault({.bRequest = 1, .wValue = 0, .action = FaultAction::kError, .status = 4}), 300,
       UpToErase() + "Erasing page at 0x08000000 failed: -1\r\nError during download\r\n", false,
       1},
      {"SET_ADDRESS refused", SmallFlash(), fault({.bRequest = 1, .wValue = 0, .skip = 1}), 300,
       UpToErase() + "libusb_control_transfer(SET_ADDRESS) returned -9 (GetLastError=0)!\r\n"
                     "Error during download\r\n",
       false, 1},
      {"data download refused", SmallFlash(), fault({.bRequest = 1, .wValue = 2}), 300,
       UpToErase() + Writing(0x08000000) +
           "libusb_control_transfer(DFU_DNLOAD) returned -9 (GetLastError=0)!\r\n"
           "Error during download\r\n",
       false, 1},
      {"bootloader pulled out during a chunk", SmallFlash(),
       fault({.bRequest = 1, .wValue = 2, .action = FaultAction::kVanish}), 300,
       UpToErase() + Writing(0x08000000) +
           "libusb_control_transfer(DFU_DNLOAD) returned -4 (GetLastError=0)!\r\n"
           "Error during download\r\n",
       false, 1},
      {"fewer bytes taken than sent", SmallFlash(),
       fault({.bRequest = 1, .wValue = 2, .action = FaultAction::kShort, .shortLength = 100}), 300,
       UpToErase() + Writing(0x08000000) + "Failed to write whole chunk: 100 of 300 bytes", true,
       1},
      {"interface refused", SmallFlash(),
       [](DownloadRig& r) {
         r.boot.bootloader().faults().claim = platform::sim::UsbOutcome::kBusy;
       },
       300, Started() + kClaiming + "Cannot claim interface 0: LIBUSB_ERROR_BUSY\r\n", false, -1},
      {"alternate setting refused", SmallFlash(),
       [](DownloadRig& r) {
         r.boot.bootloader().faults().setInterface = platform::sim::UsbOutcome::kNotFound;
       },
       300, Started() + kClaiming + "Cannot set alt interface zero: LIBUSB_ERROR_NOT_FOUND\r\n",
       false, -1},
      {"no transfer size", noTransferSize, none, 300,
       Started("0100") + kClaiming + kIdle + "Transfer size must be specified\r\n", false, -1},
      {"a name that is no layout", SmallFlash(512, u"Internal Flash"), none, 300,
       Started() + kClaiming + kIdle + "Device returned transfer size 512\r\n" +
           "Failed to parse memory layout\r\n",
       false, 1},
      {"an image larger than the flash", SmallFlash(), none, 4097,
       Started() + kClaiming + kIdle + Ready(512, 4097) +
           "Last page at 0x08001000 is not writeable\r\n",
       false, 16},
      {"an image over a hole in the layout",
       SmallFlash(512, u"@F/0x08000000/01*001Kg/0x08000800/02*001Kg"), none, 2304,
       Started() + kClaiming + kIdle + Ready(512, 2304) + "Page at 0x08000400 is not writeable\r\n",
       false, 9},
      {"no bootloader open", SmallFlash(),
       [](DownloadRig& r) { r.boot.state.pDfuHandle = nullptr; }, 300,
       "\r\nUPGRADE STARTED...\r\nNo DFU bootloader is open\r\n", false, -1},
      {"no DFU interface", SmallFlash(),
       [](DownloadRig& r) { ReleaseDfuInterfaces(r.boot.state, r.boot.host.usb); }, 300,
       "\r\nUPGRADE STARTED...\r\nNo DFU bootloader is open\r\n", false, -1},
      {"a file past a signed 32-bit size", SmallFlash(),
       [](DownloadRig& r) { std::filesystem::resize_file(r.image.path(), 1ull << 31); }, 300,
       Started() + "File \"" + "%PATH%" + "\" is too large to download\r\n", false, -1},
  };
  for (const Row& row : rows) {
    DownloadRig rig(row.spec);
    const auto image = Pattern(row.imageSize);
    rig.image.write(image);
    row.setup(rig);
    std::string expected = row.log;
    if (const auto at = expected.find("%PATH%"); at != std::string::npos) {
      expected.replace(at, 6, rig.image.path());
    }
    // A download that ends before its claim asks the bootloader nothing; a claim here would be
    // refused, and the refusal would show in the log.
    const bool claims = expected.find(kClaiming) != std::string::npos;
    if (!claims) rig.boot.bootloader().faults().claim = platform::sim::UsbOutcome::kBusy;
    ::testing::internal::CaptureStdout();
    rig.upgrade();
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(rig.log(), expected) << row.what;
    if (!claims) {
      EXPECT_TRUE(rig.boot.host.usb.transfers().empty()) << row.what;
    }
    // A bar whose ends meet would show an endless busy animation.
    const ui::Range bar = rig.page.range(ids::kProgressBar);
    EXPECT_LT(bar.low, bar.high) << row.what;
    EXPECT_TRUE(rig.page.enabled(ids::kUpgradeButton)) << row.what;
    EXPECT_EQ(rig.boot.state.upgradeRequest, 0u) << row.what;
    if (row.written) {
      EXPECT_EQ(rig.flash(image.size()), image) << row.what;
    } else {
      EXPECT_EQ(rig.boot.bootloader().flash().writeCount(0x08000000), 0u) << row.what;
    }
    if (row.rangeTop >= 0) {
      EXPECT_EQ(rig.page.range(ids::kProgressBar).high, row.rangeTop) << row.what;
    }
  }
}

// Bytes this process has read from files and pipes so far.
std::uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  ADD_FAILURE() << "/proc/self/io gives no rchar";
  return 0;
}

// An image larger than the flash is refused from its size alone, with the log that reading it
// first gave: 2 GiB less one byte would cost seconds and as much memory to read.
TEST(DfuDownload, AnImageLargerThanTheFlashIsRefusedUnread) {
  DownloadRig rig(SmallFlash());
  std::filesystem::resize_file(rig.image.path(), 0x7FFFFFFF);
  const std::uint64_t before = BytesRead();
  ::testing::internal::CaptureStdout();
  rig.upgrade();
  ::testing::internal::GetCapturedStdout();
  EXPECT_LT(BytesRead() - before, 1u << 20);
  EXPECT_EQ(rig.log(), Started() + kClaiming + kIdle + Ready(512, 0x7FFFFFFF) +
                           "Last page at 0x87fffffe is not writeable\r\n");
  EXPECT_EQ(rig.page.range(ids::kProgressBar).high, 0xFFFF);
  EXPECT_EQ(rig.boot.bootloader().flash().writeCount(0x08000000), 0u);
  EXPECT_TRUE(rig.page.enabled(ids::kUpgradeButton));
}

// A bootloader that never leaves a state ends the download within a bounded (virtual) time,
// so "Upgrade" comes back and the window can close.
TEST(DfuDownload, AStuckBootloaderEndsTheDownloadInBoundedTime) {
  struct Row {
    const char* what;
    std::function<void(DownloadRig&)> setup;
    std::string logEnd;
  };
  const auto stuck = [](std::uint8_t state, std::uint32_t pollMs) {
    return [=](DownloadRig& r) {
      r.boot.bootloader().faults().stuckState = state;
      r.boot.bootloader().faults().stuckPollMs = pollMs;
    };
  };
  const Row rows[] = {
      {"dfuDNLOAD-IDLE after every abort", stuck(5, 5),
       "Device stuck in state dfuDNLOAD-IDLE, giving up\r\n"},
      {"an erase busy for ever", stuck(4, 5),
       "Erasing page at 0x08000000 failed: -7\r\nError during download\r\n"},
      {"busy for ever with no wait asked", stuck(4, 0),
       "Erasing page at 0x08000000 failed: -7\r\nError during download\r\n"},
      {"hours asked at every poll", stuck(4, 0xFFFFFF),
       "Erasing page at 0x08000000 failed: -7\r\nError during download\r\n"},
      {"a chunk busy for ever",
       [](DownloadRig& r) {
         r.boot.clock.onSleep([&r, sleeps = std::make_shared<int>(0)](std::uint64_t) {
           if (++*sleeps == 3) r.boot.bootloader().faults().stuckState = 4;
         });
       },
       "Device stuck in state dfuDNBUSY, giving up\r\n"},
  };
  for (const Row& row : rows) {
    DownloadRig rig(SmallFlash());
    rig.image.write(Pattern(300));
    row.setup(rig);
    ::testing::internal::CaptureStdout();
    rig.upgrade();
    ::testing::internal::GetCapturedStdout();
    const std::string log = rig.log();
    ASSERT_GE(log.size(), row.logEnd.size()) << row.what;
    EXPECT_EQ(log.substr(log.size() - row.logEnd.size()), row.logEnd) << row.what;
    EXPECT_TRUE(rig.page.enabled(ids::kUpgradeButton)) << row.what;
    EXPECT_EQ(rig.boot.state.upgradeRequest, 0u) << row.what;
    EXPECT_LE(rig.boot.clock.sleptMs(), 2 * (PollBudget::kMaxLoopMs + PollBudget::kMaxWaitMs))
        << row.what;
  }
}

// The erase record starts afresh with each download: a one-page image downloaded twice is
// erased twice, so the second image is not written over the first.
TEST(DfuDownload, ASecondDownloadErasesItsFirstPageAgain) {
  DownloadRig rig(SmallFlash());
  rig.image.write(Pattern(300, 1));
  rig.upgrade();
  const auto second = Pattern(300, 2);
  rig.image.write(second);
  rig.upgrade();
  // The first download left the bootloader in dfuDNLOAD-IDLE, as no leave request is sent.
  EXPECT_EQ(rig.log(), Started() + kClaiming + Found("dfuDNLOAD-IDLE", 0) +
                           "aborting previous incomplete transfer\r\n" + kIdle + Ready(512, 300) +
                           Erasing(0x08000000) + Writing(0x08000000) + kFinished);
  EXPECT_EQ(rig.flash(second.size()), second);
  EXPECT_EQ(rig.boot.bootloader().flash().eraseCount(0x08000000), 2u);
}

// A failed download leaves the bootloader where it was; the next click claims the interface
// again, and the status recovery starts from there.
TEST(DfuDownload, ADownloadAfterAFailureRecoversAndCompletes) {
  struct Row {
    const char* what;
    std::function<void(DownloadRig&)> fail;  // makes the first download fail
    std::string recovery;                    // the status lines of the second
  };
  const Row rows[] = {
      {"a path that named no file",
       [](DownloadRig& r) { r.page.setText(ids::kFirmwarePathEdit, r.image.path() + ".gone"); },
       kIdle},
      {"a short status reply after a chunk",
       [](DownloadRig& r) {
         r.boot.bootloader().faults().requests.push_back(
             {.bRequest = 3, .skip = 5, .action = FaultAction::kShort, .shortLength = 3});
       },
       Found("dfuDNLOAD-IDLE", 0) + "aborting previous incomplete transfer\r\n" + kIdle},
  };
  for (const Row& row : rows) {
    DownloadRig rig(SmallFlash());
    const auto image = Pattern(300);
    rig.image.write(image);
    row.fail(rig);
    ::testing::internal::CaptureStdout();
    rig.upgrade();
    EXPECT_FALSE(rig.log().ends_with(kFinished)) << row.what;
    rig.page.setText(ids::kFirmwarePathEdit, rig.image.path());
    rig.upgrade();
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(rig.log(), Started() + kClaiming + row.recovery + Ready(512, 300) +
                             Erasing(0x08000000) + Writing(0x08000000) + kFinished)
        << row.what;
    EXPECT_EQ(rig.flash(image.size()), image) << row.what;
  }
}

TEST(DfuWorker, LooksAtTheRequestEvery30MsAndTouchesNothingWhileItIsDown) {
  DownloadRig rig(SmallFlash());
  rig.page.forgetWrites();
  DfuWorker worker(rig.boot.state, rig.boot.clock, [&rig] { return &rig.page; });
  for (int i = 0; i < 3; ++i) worker.pass();
  EXPECT_EQ(rig.boot.clock.sleptMs(), 90u);
  EXPECT_EQ(rig.boot.clock.sleepCount(), 3u);
  EXPECT_TRUE(rig.page.writtenIds().empty());
  EXPECT_TRUE(rig.boot.host.usb.transfers().empty());
}

// The worker on a thread of its own, as the application runs it, while the test's thread
// reads the page as the user interface would.
TEST(DfuWorker, DownloadsOnItsOwnThread) {
  DownloadRig rig(SmallFlash());
  const auto image = Pattern(1300);
  rig.image.write(image);
  std::atomic<bool> stop{false};
  DfuWorker worker(rig.boot.state, rig.boot.clock, [&rig] { return &rig.page; });
  std::thread thread([&] {
    while (!stop) worker.pass();
  });
  ::testing::internal::CaptureStdout();
  rig.boot.state.upgradeRequest = 1;
  while (rig.boot.state.upgradeRequest != 0) {
    rig.page.text(ids::kLogEdit);
    std::this_thread::yield();
  }
  stop = true;
  thread.join();
  ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(rig.log().ends_with(kFinished));
  EXPECT_EQ(rig.flash(image.size()), image);
}

}  // namespace
}  // namespace brisa::dfu
