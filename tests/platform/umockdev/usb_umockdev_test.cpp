// The simulated bootloader as a real host sees it: an emulated usbdevfs node (umockdev) served
// by the same device model, read through libusb by our Linux backend and by dfu-util.
#include <gtest/gtest.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/linux/libusb_usb.h"
#include "platform/sim/dfuse_bootloader.h"
#include "platform/sim/sim_usb.h"
#include "support/require_tool.h"
#include "usbdevfs_handler.h"

namespace brisa::platform::sim {
namespace {

class UsbUmockdev : public ::testing::Test {
 protected:
  void plugIn(BootloaderSpec spec = {}) {
    device_.reset();  // one testbed at a time
    device_ = std::make_unique<UmockdevBootloader>();
    ASSERT_TRUE(device_->plugIn(std::move(spec)));
    bootloader_ = device_->bootloader();
  }

  void SetUp() override {
    device_ = std::make_unique<UmockdevBootloader>();
    BRISA_REQUIRE_TOOL(umockdev_in_mock_environment(), "umockdev-wrapper (run through ctest)");
  }
  void TearDown() override { device_.reset(); }

  // Removes the device and plugs in another on an empty testbed.
  void replug(BootloaderSpec spec) { plugIn(std::move(spec)); }

  std::unique_ptr<UmockdevBootloader> device_;
  std::shared_ptr<DfuseBootloader> bootloader_;
};

void expectSameConfig(const UsbConfigDescriptor& real, const UsbConfigDescriptor& sim) {
  EXPECT_EQ(real.wTotalLength, sim.wTotalLength);
  EXPECT_EQ(real.bNumInterfaces, sim.bNumInterfaces);
  EXPECT_EQ(real.bConfigurationValue, sim.bConfigurationValue);
  EXPECT_EQ(real.extra, sim.extra);
  ASSERT_EQ(real.interface.size(), sim.interface.size());
  for (std::size_t i = 0; i < real.interface.size(); ++i) {
    const auto& r = real.interface[i].altsetting;
    const auto& s = sim.interface[i].altsetting;
    ASSERT_EQ(r.size(), s.size());
    for (std::size_t a = 0; a < r.size(); ++a) {
      SCOPED_TRACE(a);
      EXPECT_EQ(r[a].bAlternateSetting, s[a].bAlternateSetting);
      EXPECT_EQ(r[a].bInterfaceClass, s[a].bInterfaceClass);
      EXPECT_EQ(r[a].bInterfaceSubClass, s[a].bInterfaceSubClass);
      EXPECT_EQ(r[a].bInterfaceProtocol, s[a].bInterfaceProtocol);
      EXPECT_EQ(r[a].iInterface, s[a].iInterface);
      EXPECT_EQ(r[a].extra, s[a].extra);
    }
  }
}

// libusb itself parses the same raw descriptors the in-process seam parses: both must agree.
TEST_F(UsbUmockdev, LibusbSeesWhatTheInProcessSeamShows) {
  struct Case {
    const char* what;
    FunctionalPlacement placement;
    std::vector<std::uint8_t> functional;
  };
  const Case cases[] = {
      {"STM32", FunctionalPlacement::kAfterLastAltSetting, {}},
      {"in the configuration", FunctionalPlacement::kConfigExtra, {}},
      {"twelve bytes",
       FunctionalPlacement::kAfterEachAltSetting,
       {12, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01, 1, 2, 3}},
      {"claims more than there is",
       FunctionalPlacement::kAfterLastAltSetting,
       {20, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01}},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    BootloaderSpec spec;
    spec.functionalPlacement = each.placement;
    if (!each.functional.empty()) spec.functionalBytes = each.functional;
    replug(spec);

    LibusbUsb real;
    ASSERT_EQ(real.init(), kUsbSuccess);
    UsbDeviceHandle* handle = real.openDeviceWithVidPid(0x0483, 0xDF11);
    ASSERT_NE(handle, nullptr);
    SimUsb sim;
    sim.attach(bootloader_);
    sim.init();
    UsbDeviceHandle* simHandle = sim.openDeviceWithVidPid(0x0483, 0xDF11);

    UsbDevice* device = real.getDevice(handle);
    UsbDeviceDescriptor realDevice, simDevice;
    ASSERT_EQ(real.getDeviceDescriptor(device, realDevice), kUsbSuccess);
    sim.getDeviceDescriptor(sim.getDevice(simHandle), simDevice);
    EXPECT_EQ(realDevice.idVendor, simDevice.idVendor);
    EXPECT_EQ(realDevice.bcdDevice, simDevice.bcdDevice);
    EXPECT_EQ(realDevice.bMaxPacketSize0, simDevice.bMaxPacketSize0);
    EXPECT_EQ(realDevice.iSerialNumber, simDevice.iSerialNumber);
    EXPECT_EQ(real.getBusNumber(device), sim.getBusNumber(sim.getDevice(simHandle)));
    EXPECT_EQ(real.getDeviceAddress(device), sim.getDeviceAddress(sim.getDevice(simHandle)));

    UsbConfigDescriptor realConfig, simConfig;
    ASSERT_EQ(real.getConfigDescriptor(device, 0, realConfig), kUsbSuccess);
    ASSERT_EQ(sim.getConfigDescriptor(sim.getDevice(simHandle), 0, simConfig), kUsbSuccess);
    expectSameConfig(realConfig, simConfig);

    // A stalled status request reaches the host as LIBUSB_ERROR_PIPE.
    EXPECT_EQ(real.claimInterface(handle, 0), kUsbSuccess);
    bootloader_->faults().requests.push_back({.bRequest = 3});
    std::uint8_t status[6] = {};
    EXPECT_EQ(real.controlTransfer(handle, 0xA1, 3, 0, 0, status, 6, 5000), kUsbErrorPipe);
    EXPECT_EQ(real.controlTransfer(handle, 0xA1, 3, 0, 0, status, 6, 5000), 6);
    EXPECT_EQ(status[4], kDfuIdle);
    real.close(handle);
    sim.close(simHandle);
  }
}

// A request the device never answers ends when its time-out runs out, and so does one given
// a time-out of 0, which libusb itself would wait on for ever.
TEST_F(UsbUmockdev, AnUnansweredRequestEndsWithATimeOut) {
  plugIn();
  constexpr unsigned kBoundMs = 300;  // in place of the 5 s, so the test does not sit it out
  LibusbUsb real(kBoundMs);
  ASSERT_EQ(real.init(), kUsbSuccess);
  UsbDeviceHandle* handle = real.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(real.claimInterface(handle, 0), kUsbSuccess);
  bootloader_->faults().requests.push_back(
      {.bRequest = 3, .count = 2, .action = FaultAction::kTimeout});
  std::uint8_t status[6] = {};
  const struct {
    unsigned givenMs;
    unsigned waitedMs;
  } cases[] = {{100, 100}, {0, kBoundMs}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.givenMs);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(real.controlTransfer(handle, 0xA1, 3, 0, 0, status, 6, c.givenMs), kUsbErrorTimeout);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(c.waitedMs));
    EXPECT_LT(waited, std::chrono::milliseconds(c.waitedMs + 1000));
  }
  EXPECT_EQ(real.controlTransfer(handle, 0xA1, 3, 0, 0, status, 6, 5000), 6);
  real.close(handle);
}

// dfu-util, a DFU host we did not write, lists the bootloader and writes an image into it.
TEST_F(UsbUmockdev, DfuUtilDownloadsAnImage) {
  const char* dfuUtil = std::getenv("DFU_UTIL");
  BRISA_REQUIRE_TOOL(dfuUtil != nullptr && *dfuUtil != '\0', "dfu-util");
  plugIn();
  std::vector<std::uint8_t> image(20 * 1024 + 333);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 1);
  char path[] = "/tmp/brisa-dfu-image-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, image.data(), image.size()), static_cast<ssize_t>(image.size()));
  close(fd);

  const std::string listPath = std::string(path) + ".list";
  const std::string logPath = std::string(path) + ".log";
  const std::string list = std::string(dfuUtil) + " -l > " + listPath + " 2>&1";
  EXPECT_EQ(std::system(list.c_str()), 0);
  std::ifstream listed(listPath);
  const std::string text((std::istreambuf_iterator<char>(listed)), {});
  EXPECT_NE(text.find("[0483:df11]"), std::string::npos) << text;
  EXPECT_NE(text.find("name=\"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg\""),
            std::string::npos)
      << text;

  const std::string download = std::string(dfuUtil) + " -d 0483:df11 -a 0 -s 0x08000000 -D " +
                               path + " > " + logPath + " 2>&1";
  const int rc = std::system(download.c_str());
  std::ifstream log(logPath);
  const std::string output((std::istreambuf_iterator<char>(log)), {});
  EXPECT_EQ(rc, 0) << output;
  EXPECT_EQ(bootloader_->flash().read(0x08000000, image.size()), image) << output;
  EXPECT_EQ(bootloader_->flash().erasedPages(),
            (std::vector<std::uint32_t>{0x08000000, 0x08004000}));
  std::remove(path);
  std::remove(listPath.c_str());
  std::remove(logPath.c_str());
}

}  // namespace
}  // namespace brisa::platform::sim
