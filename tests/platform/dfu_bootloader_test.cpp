// The simulated bootloader's DFU 1.1 state machine, DfuSe commands, flash and faults.
#include <gtest/gtest.h>

#include <numeric>

#include "platform/dfu_sim_host.h"

namespace brisa::platform::sim {
namespace {

using testing::DfuHost;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFlash = 0x08000000;

Bytes pattern(std::size_t n, unsigned seed) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return out;
}

TEST(DfuBootloader, CommandGoesBusyWithPollTimeOutThenIdle) {
  DfuHost host;
  EXPECT_EQ(host.dnload(0, {0x21, 0x00, 0x40, 0x00, 0x08}), 5);
  EXPECT_EQ(host.bootloader->state(), kDfuDnloadSync);
  const auto busy = host.getStatus();
  EXPECT_EQ(busy.result, 6);
  EXPECT_EQ(busy.state, kDfuDnbusy);
  EXPECT_EQ(busy.status, kStatusOk);
  EXPECT_EQ(busy.pollMs, 5u);
  const auto done = host.getStatus();
  EXPECT_EQ(done.state, kDfuDnloadIdle);
  EXPECT_EQ(done.status, kStatusOk);
  EXPECT_EQ(host.bootloader->addressPointer(), 0x08004000u);
  EXPECT_EQ(host.getStatus().state, kDfuDnloadIdle) << "polling idle changes nothing";

  std::uint8_t state = 0xEE;
  EXPECT_EQ(host.usb.controlTransfer(host.handle, 0xA1, kDfuGetState, 0, 0, &state, 1, 5000), 1);
  EXPECT_EQ(state, kDfuDnloadIdle);
  EXPECT_EQ(host.request(kDfuAbort), 0);
  EXPECT_EQ(host.bootloader->state(), kDfuIdle);
}

TEST(DfuBootloader, PollTimeOutsFollowTheWork) {
  BootloaderSpec spec;
  spec.setAddressPollMs = 0;
  spec.erasePollMs = 0x012345;  // all three bytes of bwPollTimeout
  spec.writePollMs = 7;
  DfuHost host(spec);
  host.dnload(0, {0x21, 0x00, 0x00, 0x00, 0x08});
  EXPECT_EQ(host.getStatus().pollMs, 0u);
  host.getStatus();
  host.dnload(0, {0x41, 0x00, 0x00, 0x00, 0x08});
  EXPECT_EQ(host.getStatus().pollMs, 0x012345u);
  host.getStatus();
  host.dnload(2, pattern(16, 1));
  EXPECT_EQ(host.getStatus().pollMs, 7u);
}

TEST(DfuBootloader, ImageWrittenWithSetAddressEraseAndWriteLandsByteForByte) {
  DfuHost host;
  DfuseFlash& flash = host.bootloader->flash();
  // 40 KiB + 100 bytes from the flash start: pages 0..2 of 16 KiB, the last one partly.
  const std::uint32_t size = 40 * 1024 + 100;
  const Bytes image = pattern(size, 3);
  const std::uint32_t chunk = 2048;
  for (std::uint32_t page = kFlash; page < kFlash + size; page += 16 * 1024) {
    ASSERT_EQ(host.command(kDfuseErasePage, page + 0x123).status, kStatusOk);
  }
  for (std::uint32_t offset = 0; offset < size; offset += chunk) {
    ASSERT_EQ(host.command(kDfuseSetAddress, kFlash + offset).status, kStatusOk);
    const auto end = image.begin() + std::min<std::size_t>(offset + chunk, image.size());
    const auto done = host.write(2, Bytes(image.begin() + offset, end));
    ASSERT_EQ(done.state, kDfuDnloadIdle) << offset;
    ASSERT_EQ(done.status, kStatusOk) << offset;
  }
  EXPECT_EQ(flash.read(kFlash, image.size()), image);
  EXPECT_EQ(flash.read(kFlash + size, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}))
      << "rest of an erased page stays blank";
  EXPECT_EQ(flash.erasedPages(),
            (std::vector<std::uint32_t>{kFlash, kFlash + 0x4000, kFlash + 0x8000}));
  EXPECT_EQ(flash.eraseCount(kFlash + 0x4000), 1u);
  EXPECT_EQ(flash.writeCount(kFlash), 8u) << "eight chunks into one erased page";
  EXPECT_EQ(flash.eraseCount(kFlash + 0xC000), 0u);
}

TEST(DfuBootloader, BlockNumberOffsetsTheAddressPointerByTransferSize) {
  BootloaderSpec spec;
  spec.functional.wTransferSize = 1024;
  spec.flashStartsErased = true;
  DfuHost host(spec);
  host.command(kDfuseSetAddress, kFlash + 0x100);
  EXPECT_EQ(host.write(4, pattern(16, 9)).status, kStatusOk);
  EXPECT_EQ(host.bootloader->flash().read(kFlash + 0x100 + 2 * 1024, 16), pattern(16, 9));
  EXPECT_EQ(host.bootloader->flash().read(kFlash + 0x100, 1), Bytes{0xFF});
}

TEST(DfuBootloader, WriteToAnUnerasedPageFailsWithErrWriteUntilCleared) {
  DfuHost host;
  const auto before = host.bootloader->flash().read(kFlash, 64);
  host.command(kDfuseSetAddress, kFlash);
  host.dnload(2, pattern(64, 5));
  EXPECT_EQ(host.getStatus().state, kDfuDnbusy);
  const auto failed = host.getStatus();
  EXPECT_EQ(failed.state, kDfuError);
  EXPECT_EQ(failed.status, kErrWrite);
  EXPECT_EQ(host.bootloader->flash().read(kFlash, 64), before) << "nothing written";
  EXPECT_EQ(host.getStatus().state, kDfuError) << "the error stays";
  EXPECT_EQ(host.request(kDfuAbort), kUsbErrorPipe) << "abort does not clear an error";
  EXPECT_EQ(host.request(kDfuClrStatus), 0);
  const auto cleared = host.getStatus();
  EXPECT_EQ(cleared.state, kDfuIdle);
  EXPECT_EQ(cleared.status, kStatusOk);

  // After the erase the same write goes through, and a second one over it does not.
  EXPECT_EQ(host.command(kDfuseErasePage, kFlash).status, kStatusOk);
  host.command(kDfuseSetAddress, kFlash);
  EXPECT_EQ(host.write(2, pattern(64, 5)).status, kStatusOk);
  EXPECT_EQ(host.write(2, pattern(64, 5)).status, kErrWrite);
}

TEST(DfuBootloader, AddressesOutsideFlashAreRefused) {
  struct Case {
    const char* what;
    std::uint8_t command;
    std::uint32_t address;
  };
  const Case cases[] = {
      {"set address below", kDfuseSetAddress, kFlash - 1},
      {"set address past the end", kDfuseSetAddress, kFlash + 0x100000},
      {"erase past the end", kDfuseErasePage, kFlash + 0x100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DfuHost host;
    const auto done = host.command(c.command, c.address);
    EXPECT_EQ(done.state, kDfuError);
    EXPECT_EQ(done.status, kErrAddress);
  }
  BootloaderSpec spec;
  spec.flashStartsErased = true;
  DfuHost host(spec);
  host.command(kDfuseSetAddress, kFlash + 0x100000 - 16);
  EXPECT_EQ(host.write(2, pattern(32, 0)).status, kErrAddress) << "a block running off the end";
}

TEST(DfuBootloader, RequestsOutOfPlaceStallAndLeaveDfuError) {
  struct Case {
    const char* what;
    std::uint8_t startState;
    std::uint8_t request;
    std::uint16_t value;
    Bytes data;
  };
  const Case cases[] = {
      {"clear status without an error", kDfuIdle, kDfuClrStatus, 0, {}},
      {"zero-length download in idle", kDfuIdle, kDfuDnload, 0, {}},
      {"download while busy", kDfuDnbusy, kDfuDnload, 2, {1, 2, 3}},
      {"block 1", kDfuIdle, kDfuDnload, 1, {1, 2, 3}},
      {"unknown DfuSe command", kDfuIdle, kDfuDnload, 0, {0x55, 0, 0, 0, 8}},
      {"read unprotect", kDfuIdle, kDfuDnload, 0, {0x92}},
      {"block beyond the transfer size", kDfuIdle, kDfuDnload, 2, Bytes(2049, 0)},
      {"detach in DFU mode", kDfuIdle, kDfuDetach, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DfuHost host;
    host.bootloader->forceState(c.startState);
    Bytes data = c.data;
    EXPECT_EQ(host.usb.controlTransfer(host.handle, 0x21, c.request, c.value, 0, data.data(),
                                       static_cast<std::uint16_t>(data.size()), 5000),
              kUsbErrorPipe);
    const auto status = host.getStatus();
    EXPECT_EQ(status.state, kDfuError);
    EXPECT_EQ(status.status, kErrStalledPkt);
  }
}

TEST(DfuBootloader, HostFindsTheBootloaderInTheStateItWasLeftIn) {
  DfuHost host;
  host.bootloader->forceState(kDfuDnloadIdle);
  EXPECT_EQ(host.request(kDfuAbort), 0);
  EXPECT_EQ(host.getStatus().state, kDfuIdle);
  host.bootloader->forceState(kDfuUploadIdle);
  EXPECT_EQ(host.request(kDfuAbort), 0);
  EXPECT_EQ(host.getStatus().state, kDfuIdle);
  host.bootloader->forceState(kDfuIdle, kErrVendor);  // an error status outside dfuERROR
  EXPECT_EQ(host.getStatus().status, kErrVendor);
  EXPECT_EQ(host.request(kDfuClrStatus), 0);
  EXPECT_EQ(host.getStatus().status, kStatusOk);

  host.bootloader->forceState(kAppIdle);  // run-time mode: no DFU download, no dfuERROR
  EXPECT_EQ(host.getStatus().state, kAppIdle);
  EXPECT_EQ(host.dnload(0, {0x21, 0, 0, 0, 8}), kUsbErrorPipe);
  EXPECT_EQ(host.getStatus().state, kAppIdle);
}

TEST(DfuBootloader, ZeroLengthDownloadManifests) {
  DfuHost host;
  host.command(kDfuseSetAddress, kFlash);
  EXPECT_EQ(host.dnload(0, {}), 0);
  EXPECT_EQ(host.getStatus().state, kDfuManifest);
  EXPECT_EQ(host.getStatus().state, kDfuManifestWaitReset) << "not manifestation tolerant";
  EXPECT_TRUE(host.bootloader->manifested());
}

TEST(DfuBootloader, UploadGivesCommandsAndFlash) {
  DfuHost host;
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(host.usb.controlTransfer(host.handle, 0xA1, kDfuUpload, 0, 0, buffer, 16, 5000), 3);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x00, 0x21, 0x41}));
  EXPECT_EQ(host.request(kDfuAbort), 0);
  host.command(kDfuseSetAddress, kFlash + 0x20);
  host.request(kDfuAbort);
  EXPECT_EQ(host.usb.controlTransfer(host.handle, 0xA1, kDfuUpload, 2, 0, buffer, 16, 5000), 16);
  EXPECT_EQ(Bytes(buffer, buffer + 16), host.bootloader->flash().read(kFlash + 0x20, 16));
}

TEST(DfuBootloader, StatusFaultsStallOrAnswerShort) {
  DfuHost host;
  host.bootloader->faults().requests.push_back(
      {.bmRequestType = 0xA1, .bRequest = kDfuGetStatus, .skip = 1, .count = 2});
  host.dnload(0, {0x21, 0, 0, 0, 8});
  EXPECT_EQ(host.getStatus().state, kDfuDnbusy);
  EXPECT_EQ(host.getStatus().result, kUsbErrorPipe);
  EXPECT_EQ(host.getStatus().result, kUsbErrorPipe);
  EXPECT_EQ(host.getStatus().state, kDfuDnloadIdle) << "stalls moved nothing";

  host.bootloader->faults().requests = {
      {.bRequest = kDfuGetStatus, .action = FaultAction::kShort, .shortLength = 3}};
  EXPECT_EQ(host.getStatus().result, 3);
  EXPECT_EQ(host.getStatus().result, 6) << "once";
}

TEST(DfuBootloader, WorkCanBeMadeToFailWithAStatus) {
  DfuHost host;
  host.bootloader->faults().requests.push_back(
      {.bRequest = kDfuDnload, .action = FaultAction::kError, .status = kErrErase});
  const auto failed = host.command(kDfuseErasePage, kFlash);
  EXPECT_EQ(failed.state, kDfuError);
  EXPECT_EQ(failed.status, kErrErase);
  EXPECT_EQ(host.bootloader->flash().eraseCount(kFlash), 0u);
  host.request(kDfuClrStatus);
  EXPECT_EQ(host.command(kDfuseErasePage, kFlash).status, kStatusOk) << "once";
}

TEST(DfuBootloader, StuckStateIsReportedForever) {
  DfuHost host;
  host.bootloader->faults().stuckState = kDfuDnbusy;
  host.dnload(0, {0x21, 0, 0, 0, 8});
  for (int i = 0; i < 50; ++i) {
    const auto status = host.getStatus();
    ASSERT_EQ(status.state, kDfuDnbusy);
    ASSERT_EQ(status.pollMs, 5u);
  }
  host.bootloader->faults().stuckState.reset();
  EXPECT_EQ(host.getStatus().state, kDfuDnbusy);
  EXPECT_EQ(host.getStatus().state, kDfuDnloadIdle);
}

TEST(DfuBootloader, TimeOutsReportTheirWait) {
  DfuHost host;
  unsigned waited = 0;
  host.usb.onTimeout([&](unsigned ms) { waited += ms; });
  host.bootloader->faults().requests.push_back(
      {.bRequest = kDfuDnload, .action = FaultAction::kTimeout});
  EXPECT_EQ(host.dnload(0, {0x21, 0, 0, 0, 8}), kUsbErrorTimeout);
  EXPECT_EQ(waited, 5000u);
  EXPECT_EQ(host.bootloader->state(), kDfuIdle) << "the device never saw it";
}

TEST(DfuBootloader, VanishingMidDownload) {
  BootloaderSpec spec;
  spec.flashStartsErased = true;
  DfuHost host(spec);
  host.bootloader->faults().requests.push_back(
      {.bRequest = kDfuDnload, .wValue = 2, .skip = 2, .action = FaultAction::kVanish});
  for (std::uint32_t chunk = 0; chunk < 2; ++chunk) {
    host.command(kDfuseSetAddress, kFlash + chunk * 2048);
    EXPECT_EQ(host.write(2, pattern(2048, chunk)).status, kStatusOk);
  }
  host.command(kDfuseSetAddress, kFlash + 4096);
  EXPECT_EQ(host.dnload(2, pattern(2048, 3)), kUsbErrorNoDevice);
  EXPECT_EQ(host.getStatus().result, kUsbErrorNoDevice);
  EXPECT_FALSE(host.bootloader->present());
  EXPECT_EQ(host.usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr);
  EXPECT_EQ(host.bootloader->flash().read(kFlash + 4096, 1), Bytes{0xFF});
}

}  // namespace
}  // namespace brisa::platform::sim
