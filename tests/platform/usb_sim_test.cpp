// The simulated bootloader as libusb shows it: descriptors, strings, opening and claiming.
#include <gtest/gtest.h>

#include <string>

#include "platform/dfu_sim_host.h"
#include "platform/sim/usb_descriptor_parser.h"

namespace brisa::platform::sim {
namespace {

using testing::DfuHost;
using Bytes = std::vector<std::uint8_t>;

const Bytes kStmFunctional = {0x09, 0x21, 0x0B, 0xFF, 0x00, 0x00, 0x08, 0x1A, 0x01};

UsbConfigDescriptor config(DfuHost& host, int expectedResult = kUsbSuccess) {
  UsbConfigDescriptor out;
  EXPECT_EQ(host.usb.getConfigDescriptor(host.usb.getDevice(host.handle), 0, out), expectedResult);
  return out;
}

// The text of a string descriptor, high bytes dropped (the names here are ASCII).
std::string stringAt(DfuHost& host, std::uint8_t index, int* result = nullptr) {
  std::uint8_t buffer[255] = {};
  const int n =
      host.usb.controlTransfer(host.handle, 0x80, 6, 0x0300 | index, 0x0409, buffer, 255, 1000);
  if (result != nullptr) *result = n;
  std::string text;
  for (int i = 2; i + 1 < n; i += 2) text += static_cast<char>(buffer[i]);
  return text;
}

TEST(UsbSim, DeviceDescriptorIsAnStm32Bootloader) {
  DfuHost host;
  ASSERT_NE(host.handle, nullptr);
  UsbDevice* device = host.usb.getDevice(host.handle);
  UsbDeviceDescriptor d;
  ASSERT_EQ(host.usb.getDeviceDescriptor(device, d), kUsbSuccess);
  EXPECT_EQ(d.bLength, 18);
  EXPECT_EQ(d.idVendor, 0x0483);
  EXPECT_EQ(d.idProduct, 0xDF11);
  EXPECT_EQ(d.bcdDevice, 0x2200);
  EXPECT_EQ(d.bMaxPacketSize0, 64);
  EXPECT_EQ(d.bNumConfigurations, 1);
  EXPECT_EQ(host.usb.getBusNumber(device), 1);
  EXPECT_EQ(host.usb.getDeviceAddress(device), 7);
  EXPECT_EQ(stringAt(host, d.iSerialNumber), "3574364C3034");
}

TEST(UsbSim, ConfigurationHoldsDfuAltSettingsWithFunctionalDescriptorAfterTheLast) {
  DfuHost host;
  const UsbConfigDescriptor c = config(host);
  EXPECT_EQ(c.wTotalLength, 9 + 4 * 9 + 9);
  EXPECT_EQ(c.bConfigurationValue, 1);
  EXPECT_TRUE(c.extra.empty());
  ASSERT_EQ(c.bNumInterfaces, 1);
  ASSERT_EQ(c.interface.size(), 1u);
  const auto& alts = c.interface[0].altsetting;
  ASSERT_EQ(alts.size(), 4u);
  const char* names[] = {"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg",
                         "@Option Bytes  /0x1FFFC000/01*016 e",
                         "@OTP Memory /0x1FFF7800/01*512 e,01*016 e",
                         "@Device Feature/0xFFFF0000/01*004 e"};
  for (std::size_t a = 0; a < alts.size(); ++a) {
    SCOPED_TRACE(a);
    EXPECT_EQ(alts[a].bInterfaceNumber, 0);
    EXPECT_EQ(alts[a].bAlternateSetting, a);
    EXPECT_EQ(alts[a].bInterfaceClass, 0xFE);
    EXPECT_EQ(alts[a].bInterfaceSubClass, 0x01);
    EXPECT_EQ(alts[a].bInterfaceProtocol, 2);
    EXPECT_EQ(stringAt(host, alts[a].iInterface), names[a]);
    EXPECT_EQ(alts[a].extra, a == 3 ? kStmFunctional : Bytes{});
  }
}

TEST(UsbSim, FunctionalDescriptorStandsWhereTheDeviceSendsIt) {
  struct Case {
    FunctionalPlacement placement;
    bool configExtra;
    std::vector<bool> altExtra;
  };
  const Case cases[] = {
      {FunctionalPlacement::kAfterLastAltSetting, false, {false, false, false, true}},
      {FunctionalPlacement::kAfterEachAltSetting, false, {true, true, true, true}},
      {FunctionalPlacement::kConfigExtra, true, {false, false, false, false}},
      {FunctionalPlacement::kNone, false, {false, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.placement));
    BootloaderSpec spec;
    spec.functionalPlacement = c.placement;
    DfuHost host(spec);
    const UsbConfigDescriptor parsed = config(host);
    EXPECT_EQ(parsed.extra, c.configExtra ? kStmFunctional : Bytes{});
    for (std::size_t a = 0; a < 4; ++a) {
      EXPECT_EQ(parsed.interface[0].altsetting[a].extra, c.altExtra[a] ? kStmFunctional : Bytes{});
    }
  }
}

TEST(UsbSim, FunctionalDescriptorOnRequestOnlyWhenTheDeviceAnswersIt) {
  for (bool answers : {false, true}) {
    BootloaderSpec spec;
    spec.functionalPlacement = FunctionalPlacement::kNone;
    spec.functionalOnRequest = answers;
    spec.functionalBytes = Bytes{0x07, 0x21, 0x0B, 0xFF, 0x00, 0x00, 0x04};
    DfuHost host(spec);
    std::uint8_t fd[9] = {};
    const int n = host.usb.controlTransfer(host.handle, 0x80, 6, 0x2100, 0, fd, 9, 1000);
    if (answers) {
      EXPECT_EQ(n, 7);
      EXPECT_EQ(Bytes(fd, fd + 7), *spec.functionalBytes);
    } else {
      EXPECT_EQ(n, kUsbErrorPipe);
    }
  }
}

// What libusb makes of functional descriptors of odd shapes in the extra bytes.
TEST(UsbSim, OddFunctionalDescriptorsParseAsLibusbParsesThem) {
  struct Case {
    const char* what;
    Bytes functional;
    int result;
    Bytes lastExtra;
  };
  const Bytes twelve = {12, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01, 0xAA, 0xBB, 0xCC};
  const Case cases[] = {
      {"DFU 1.0 length 7",
       {7, 0x21, 0x0B, 0xFF, 0, 0, 0x08},
       kUsbSuccess,
       {7, 0x21, 0x0B, 0xFF, 0, 0, 0x08}},
      {"longer than 9", twelve, kUsbSuccess, twelve},
      {"claims more than there is",
       {20, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01},
       kUsbSuccess,
       {}},
      {"zero length", {0, 0x21, 0x0B, 0xFF, 0, 0, 0x08, 0x1A, 0x01}, kUsbErrorIo, {}},
      {"length 1", {1, 0x21}, kUsbErrorIo, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BootloaderSpec spec;
    spec.functionalBytes = c.functional;
    DfuHost host(spec);
    const UsbConfigDescriptor parsed = config(host, c.result);
    if (c.result == kUsbSuccess) {
      ASSERT_EQ(parsed.interface.size(), 1u);
      ASSERT_EQ(parsed.interface[0].altsetting.size(), 4u);
      EXPECT_EQ(parsed.interface[0].altsetting[3].extra, c.lastExtra);
    }
  }
}

TEST(UsbSim, AMalformedConfigurationIsRefusedAndTheOthersStillRead) {
  BootloaderSpec spec;
  spec.configurations.push_back(spec.configurations.front());
  DfuHost host(spec);
  host.bootloader->faults().malformedConfigs = {1};
  UsbDevice* device = host.usb.getDevice(host.handle);
  UsbConfigDescriptor c;
  EXPECT_EQ(host.usb.getConfigDescriptor(device, 0, c), kUsbSuccess);
  EXPECT_EQ(host.usb.getConfigDescriptor(device, 1, c), kUsbErrorIo);
  EXPECT_EQ(host.usb.getConfigDescriptor(device, 2, c), kUsbErrorNotFound);
}

TEST(UsbSim, ParserReadsSeveralInterfacesAndEndpointsAsLibusbDoes) {
  const Bytes raw = {9, 2,    50,   0,    2, 1,    0,  0x80, 50,  // configuration, 2 interfaces
                     5, 0x24, 1,    2,    3,  // class-specific, before the first interface
                     9, 4,    0,    0,    1, 3,    0,  0,    0,  // interface 0 alt 0, one endpoint
                     7, 5,    0x81, 3,    8, 0,    10,           // its endpoint
                     9, 4,    1,    0,    0, 0xFE, 1,  1,    5,  // interface 1 alt 0 (run-time DFU)
                     9, 0x21, 0x0B, 0xFF, 0, 0,    4,  0x10, 0x01};
  UsbConfigDescriptor c;
  ASSERT_EQ(parseConfigDescriptor(raw, c), kUsbSuccess);
  EXPECT_EQ(c.extra, (Bytes{5, 0x24, 1, 2, 3}));
  ASSERT_EQ(c.interface.size(), 2u);
  ASSERT_EQ(c.interface[0].altsetting[0].endpoint.size(), 1u);
  EXPECT_EQ(c.interface[0].altsetting[0].endpoint[0].bEndpointAddress, 0x81);
  EXPECT_EQ(c.interface[0].altsetting[0].endpoint[0].wMaxPacketSize, 8);
  EXPECT_EQ(c.interface[1].altsetting[0].bInterfaceProtocol, 1);
  EXPECT_EQ(c.interface[1].altsetting[0].iInterface, 5);
  EXPECT_EQ(c.interface[1].altsetting[0].extra.size(), 9u);

  const Bytes badHeader = {9, 4, 0, 0, 0, 0, 0, 0, 0};  // an interface where a config belongs
  EXPECT_EQ(parseConfigDescriptor(badHeader, c), kUsbErrorIo);
}

TEST(UsbSim, StringDescriptorsAndTheirFaults) {
  DfuHost host;
  std::uint8_t buffer[255] = {};
  ASSERT_EQ(host.usb.controlTransfer(host.handle, 0x80, 6, 0x0300, 0, buffer, 255, 1000), 4);
  EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{4, 3, 0x09, 0x04}));
  EXPECT_EQ(stringAt(host, 2), "STM32  BOOTLOADER");

  int result = 0;
  host.bootloader->faults().strings[4] = std::nullopt;  // alt 0's name missing
  stringAt(host, 4, &result);
  EXPECT_EQ(result, kUsbErrorPipe);
  host.bootloader->faults().strings[0] = Bytes{2, 3};  // a language table with no language
  ASSERT_EQ(host.usb.controlTransfer(host.handle, 0x80, 6, 0x0300, 0, buffer, 255, 1000), 2);
  host.bootloader->faults().strings.clear();
  EXPECT_EQ(stringAt(host, 4), "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg");
}

TEST(UsbSim, NamesBeyondLatin1TravelAsUtf16) {
  BootloaderSpec spec;
  spec.configurations[0][0].altSettings = {{u"@Fl\u00e4sh \u2013 /0x08000000/01*016Kg"}};
  DfuHost host(spec);
  std::uint8_t buffer[255] = {};
  const int n = host.usb.controlTransfer(host.handle, 0x80, 6, 0x0304, 0x0409, buffer, 255, 1000);
  ASSERT_EQ(n, 2 + 2 * 29);
  EXPECT_EQ(buffer[0], n);
  EXPECT_EQ(buffer[1], 3);
  EXPECT_EQ(buffer[2 + 2 * 3], 0xE4);  // a-umlaut, high byte 0
  EXPECT_EQ(buffer[3 + 2 * 3], 0x00);
  EXPECT_EQ(buffer[2 + 2 * 7], 0x13);  // en dash 0x2013
  EXPECT_EQ(buffer[3 + 2 * 7], 0x20);
}

TEST(UsbSim, OpeningFollowsLibusb) {
  SimUsb usb;
  auto first = std::make_shared<DfuseBootloader>();
  BootloaderSpec other;
  other.deviceAddress = 9;
  auto second = std::make_shared<DfuseBootloader>(other);
  usb.attach(first);
  usb.attach(second);
  EXPECT_EQ(usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr) << "before init";
  ASSERT_EQ(usb.init(), kUsbSuccess);
  EXPECT_EQ(usb.openDeviceWithVidPid(0x0483, 0xDF12), nullptr);

  UsbDeviceHandle* handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(usb.getDeviceAddress(usb.getDevice(handle)), 7) << "the first listed";
  usb.close(handle);

  first->faults().open = UsbOutcome::kDenied;
  EXPECT_EQ(usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr) << "only the first is tried";
  first->unplug();
  handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(usb.getDeviceAddress(usb.getDevice(handle)), 9);
  usb.close(handle);

  SimUsb failing;
  failing.attach(std::make_shared<DfuseBootloader>());
  failing.failInit(kUsbErrorNoMem);
  EXPECT_EQ(failing.init(), kUsbErrorNoMem);
  EXPECT_EQ(failing.openDeviceWithVidPid(0x0483, 0xDF11), nullptr);
}

TEST(UsbSim, DeviceReferencesAreCounted) {
  DfuHost host;
  ASSERT_NE(host.handle, nullptr);
  EXPECT_EQ(host.usb.referenceCount(*host.bootloader), 2);  // the list's and the handle's
  UsbDevice* device = host.usb.refDevice(host.usb.getDevice(host.handle));
  EXPECT_EQ(host.usb.referenceCount(*host.bootloader), 3);
  host.usb.close(host.handle);
  EXPECT_EQ(host.usb.openHandleCount(), 0);
  UsbDeviceDescriptor d;
  EXPECT_EQ(host.usb.getDeviceDescriptor(device, d), kUsbSuccess) << "kept by the reference";
  host.usb.unrefDevice(device);
  EXPECT_EQ(host.usb.referenceCount(*host.bootloader), 1);
}

TEST(UsbSim, ClaimAndAlternateSettingFollowLibusb) {
  DfuHost host;
  ASSERT_NE(host.handle, nullptr);
  EXPECT_EQ(host.usb.setInterfaceAltSetting(host.handle, 1, 0), kUsbErrorNotFound) << "not claimed";
  EXPECT_EQ(host.usb.claimInterface(host.handle, 1), kUsbErrorNotFound);
  EXPECT_EQ(host.usb.setInterfaceAltSetting(host.handle, 0, 4), kUsbErrorNotFound);
  EXPECT_EQ(host.usb.setInterfaceAltSetting(host.handle, 0, 3), kUsbSuccess);
  EXPECT_EQ(host.bootloader->alternateSetting(), 3);
  EXPECT_EQ(host.usb.claimInterface(host.handle, 0), kUsbSuccess) << "claimed again";

  host.bootloader->faults().setInterface = UsbOutcome::kStall;
  EXPECT_EQ(host.usb.setInterfaceAltSetting(host.handle, 0, 0), kUsbErrorPipe);

  DfuHost busy;
  busy.usb.close(busy.handle);
  busy.bootloader->faults().claim = UsbOutcome::kBusy;
  busy.handle = busy.usb.openDeviceWithVidPid(0x0483, 0xDF11);
  EXPECT_EQ(busy.usb.claimInterface(busy.handle, 0), kUsbErrorBusy);
  EXPECT_STREQ(busy.usb.errorName(kUsbErrorBusy), "LIBUSB_ERROR_BUSY");
}

TEST(UsbSim, ADeviceThatLeavesAnswersNoDeviceUntilOpenedAgain) {
  DfuHost host;
  ASSERT_NE(host.handle, nullptr);
  host.bootloader->unplug();
  EXPECT_EQ(host.getStatus().result, kUsbErrorNoDevice);
  EXPECT_EQ(host.usb.claimInterface(host.handle, 0), kUsbErrorNoDevice);
  EXPECT_EQ(host.usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr);
  host.bootloader->plug();
  EXPECT_EQ(host.getStatus().result, kUsbErrorNoDevice) << "the old handle stays dead";
  UsbDeviceHandle* again = host.usb.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(again, nullptr);
  std::uint8_t status[6] = {};
  EXPECT_EQ(host.usb.controlTransfer(again, 0xA1, 3, 0, 0, status, 6, 5000), 6);
  EXPECT_EQ(status[4], kDfuIdle);
}

TEST(UsbSim, TransfersAreRecordedWithTheirTimeOuts) {
  DfuHost host;
  host.command(kDfuseSetAddress, 0x08000000);
  const auto& log = host.usb.transfers();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].requestType, 0x21);
  EXPECT_EQ(log[0].request, 1);
  EXPECT_EQ(log[0].value, 0);
  EXPECT_EQ(log[0].timeoutMs, 5000u);
  EXPECT_EQ(log[0].data, (Bytes{0x21, 0x00, 0x00, 0x00, 0x08}));
  EXPECT_EQ(log[0].result, 5);
  EXPECT_EQ(log[1].data.size(), 6u);
  EXPECT_EQ(log[1].data[4], kDfuDnbusy);
}

}  // namespace
}  // namespace brisa::platform::sim
