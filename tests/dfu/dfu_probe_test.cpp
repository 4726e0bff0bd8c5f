// The interface probe against the simulated bootloader: which alternate settings become
// records, how the functional descriptor is completed, and how names are read.
#include "dfu/dfu_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dfu_sim_host.h"
#include "platform/sim/virtual_clock.h"

namespace brisa::dfu {
namespace {

using platform::sim::BootloaderSpec;
using platform::sim::DfuAltSetting;
using platform::sim::FunctionalPlacement;
using platform::sim::testing::DfuHost;
using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<DfuHost> Probe(DfuState& state, BootloaderSpec spec,
                               const std::function<void(DfuHost&)>& fault = {},
                               std::int32_t altIndex = 0) {
  const std::uint16_t vendor = spec.vendorId, product = spec.productId;
  auto host = std::make_unique<DfuHost>(std::move(spec));
  if (host->handle == nullptr) host->handle = host->usb.openDeviceWithVidPid(vendor, product);
  if (fault) fault(*host);
  state.pDfuHandle = host->handle;
  state.dfuAltIndex = altIndex;
  platform::UsbDevice* device = host->usb.getDevice(host->handle);
  platform::UsbDeviceDescriptor descriptor;
  host->usb.getDeviceDescriptor(device, descriptor);
  DfuProbeConfigurations(state, host->usb, device, descriptor);
  return host;
}

BootloaderSpec OneInterface(std::vector<DfuAltSetting> alts) {
  BootloaderSpec spec;
  spec.configurations = {{{std::move(alts)}}};
  return spec;
}

TEST(DfuProbe, Stm32BootloaderGivesOneRecordForTheFirstAlternateSetting) {
  DfuState state;
  auto host = Probe(state, {});
  ASSERT_EQ(state.pDfuInterfaces.size(), 1u);
  const DfuInterface& head = state.pDfuInterfaces.front();
  EXPECT_EQ(head.altSetting, 0);
  EXPECT_EQ(head.altName, "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg");
  EXPECT_EQ(head.serialNumber, "3574364C3034");
  EXPECT_EQ(head.flags, kDfuIffDfu);
  EXPECT_EQ(head.functionalDescriptor.bLength, 9);
  EXPECT_EQ(head.functionalDescriptor.bDescriptorType, 0x21);
  EXPECT_EQ(head.functionalDescriptor.bmAttributes, 0x0B);
  EXPECT_EQ(head.functionalDescriptor.wDetachTimeOut, 255);
  EXPECT_EQ(head.functionalDescriptor.wTransferSize, 2048);
  EXPECT_EQ(head.functionalDescriptor.bcdDFUVersion, 0x011A);
  EXPECT_EQ(head.quirks, 0);
  EXPECT_EQ(head.busNumber, 1);
  EXPECT_EQ(head.deviceAddress, 7);
  EXPECT_EQ(head.vendorId, 0x0483);
  EXPECT_EQ(head.productId, 0xDF11);
  EXPECT_EQ(head.bcdDevice, 0x2200);
  EXPECT_EQ(head.configurationValue, 1);
  EXPECT_EQ(head.interfaceNumber, 0);
  EXPECT_EQ(head.maxPacketSize0, 64);
  EXPECT_EQ(head.deviceHandle, nullptr);
  // The record holds a reference of its own, dropped with it.
  const int held = host->usb.referenceCount(*host->bootloader);
  ReleaseDfuInterfaces(state, host->usb);
  EXPECT_TRUE(state.pDfuInterfaces.empty());
  EXPECT_EQ(host->usb.referenceCount(*host->bootloader), held - 1);
}

// Which alternate settings become records, newest first, and with which mode flag.
TEST(DfuProbe, AlternateSettingsKeptByModeAndPosition) {
  struct Row {
    const char* what;
    std::vector<std::uint8_t> protocols;
    std::uint16_t version;
    std::uint16_t vendor, product;
    std::int32_t altIndex;
    std::vector<int> expectedAlts;  // head first
    std::uint8_t expectedFlags;
  };
  const Row rows[] = {
      {"four in DFU mode, index 0", {2, 2, 2, 2}, 0x011A, 0x0483, 0xDF11, 0, {0}, kDfuIffDfu},
      {"four in DFU mode, index 2", {2, 2, 2, 2}, 0x011A, 0x0483, 0xDF11, 2, {2}, kDfuIffDfu},
      {"four in DFU mode, no index",
       {2, 2, 2, 2},
       0x011A,
       0x0483,
       0xDF11,
       -1,
       {3, 2, 1, 0},
       kDfuIffDfu},
      {"run-time, index 0", {1, 1}, 0x011A, 0x0483, 0xDF11, 0, {1, 0}, 0},
      {"protocol 0 on DFU 1.1a", {0, 0}, 0x011A, 0x0483, 0xDF11, 0, {0}, kDfuIffDfu},
      {"protocol 0 on DFU 1.0", {0, 0}, 0x0100, 0x0483, 0xDF11, 0, {1, 0}, 0},
      {"protocol 1 on 1FC9:000C", {1, 1}, 0x0100, 0x1FC9, 0x000C, 0, {0}, kDfuIffDfu},
  };
  for (const Row& row : rows) {
    std::vector<DfuAltSetting> alts;
    for (std::uint8_t protocol : row.protocols)
      alts.push_back({u"@x/0x08000000/01*016Kg", 0xFE, 1, protocol});
    BootloaderSpec spec = OneInterface(alts);
    spec.functional.bcdDFUVersion = row.version;
    spec.vendorId = row.vendor;
    spec.productId = row.product;
    DfuState state;
    auto host = Probe(state, spec, {}, row.altIndex);
    std::vector<int> got;
    for (const DfuInterface& record : state.pDfuInterfaces) {
      got.push_back(record.altSetting);
      EXPECT_EQ(record.flags, row.expectedFlags) << row.what;
    }
    EXPECT_EQ(got, row.expectedAlts) << row.what;
    ReleaseDfuInterfaces(state, host->usb);
  }
}

// The functional descriptor as found in the configuration, or asked for, and completed.
TEST(DfuProbe, FunctionalDescriptorCompletedByItsLength) {
  struct Row {
    const char* what;
    FunctionalPlacement placement;
    std::optional<Bytes> bytes;
    bool onRequest;
    std::uint8_t bLength;
    std::uint16_t transferSize;
    std::uint16_t version;
  };
  const Bytes seven = {7, 0x21, 0x0B, 0xFF, 0x00, 0x00, 0x04};
  const Bytes twelve = {12, 0x21, 0x0B, 0xFF, 0x00, 0x00, 0x02, 0x1A, 0x01, 0xAA, 0xBB, 0xCC};
  const Bytes five = {5, 0x21, 0x0B, 0xFF, 0x00};
  const Row rows[] = {
      {"length 7 in the alternate setting", FunctionalPlacement::kAfterLastAltSetting, seven, false,
       7, 0x0400, 0x0100},
      {"length 12: first 9 bytes", FunctionalPlacement::kAfterLastAltSetting, twelve, false, 12,
       0x0200, 0x011A},
      {"length 5: no transfer size", FunctionalPlacement::kAfterLastAltSetting, five, false, 5, 0,
       0x0100},
      {"in the configuration's own extra", FunctionalPlacement::kConfigExtra, std::nullopt, false,
       9, 2048, 0x011A},
      {"only on request, length 7", FunctionalPlacement::kNone, seven, true, 7, 0x0400, 0x0100},
      {"nowhere, request stalls", FunctionalPlacement::kNone, std::nullopt, false, 7, 0, 0x0100},
  };
  for (const Row& row : rows) {
    BootloaderSpec spec;
    spec.functionalPlacement = row.placement;
    spec.functionalBytes = row.bytes;
    spec.functionalOnRequest = row.onRequest;
    DfuState state;
    auto host = Probe(state, spec);
    ASSERT_EQ(state.pDfuInterfaces.size(), 1u) << row.what;
    const DfuFunctionalDescriptor& fd = state.pDfuInterfaces.front().functionalDescriptor;
    EXPECT_EQ(fd.bLength, row.bLength) << row.what;
    EXPECT_EQ(fd.wTransferSize, row.transferSize) << row.what;
    EXPECT_EQ(fd.bcdDFUVersion, row.version) << row.what;
    ReleaseDfuInterfaces(state, host->usb);
  }
}

// Names as 8-bit text: '?' above 0xFF, "UNKNOWN" for what does not read.
TEST(DfuProbe, NamesReadAsEightBitTextOrUnknown) {
  struct Row {
    const char* what;
    std::optional<std::u16string> name;
    std::function<void(DfuHost&)> fault;
    std::string expected;
  };
  const Row rows[] = {
      {"characters above 0xFF",
       u"@Fl\u00e4sh \u0416\u4e2d/0x08000000/01*016Kg",
       {},
       "@Fl\xe4sh ?"
       "?/0x08000000/01*016Kg"},
      {"index 0", std::nullopt, {}, "UNKNOWN"},
      {"language table of 3 bytes", u"@x/0x08000000/01*016Kg",
       [](DfuHost& h) {
         h.bootloader->faults().strings[0] = Bytes{3, 3, 9};
       },
       "UNKNOWN"},
      {"language table not a string descriptor", u"@x/0x08000000/01*016Kg",
       [](DfuHost& h) {
         h.bootloader->faults().strings[0] = Bytes{4, 2, 9, 4};
       },
       "UNKNOWN"},
      {"name stalls", u"@x/0x08000000/01*016Kg",
       [](DfuHost& h) { h.bootloader->faults().strings[4] = std::nullopt; }, "UNKNOWN"},
      {"odd length drops the half character", u"@x/0x08000000/01*016Kg",
       [](DfuHost& h) { h.bootloader->faults().strings[4] = Bytes{7, 3, 'a', 0, 'b', 0, 'c'}; },
       "ab"},
  };
  for (const Row& row : rows) {
    DfuState state;
    auto host = Probe(state, OneInterface({{row.name, 0xFE, 1, 2}}), row.fault);
    ASSERT_EQ(state.pDfuInterfaces.size(), 1u) << row.what;
    EXPECT_EQ(state.pDfuInterfaces.front().altName, row.expected) << row.what;
    ReleaseDfuInterfaces(state, host->usb);
  }
}

TEST(DfuProbe, ABootloaderThatAnswersNothingHoldsTheProbeNoLongerThanItsBudget) {
  BootloaderSpec spec = OneInterface({{u"@a/0x08000000/01*016Kg", 0xFE, 1, 1},
                                      {u"@b/0x08000000/01*016Kg", 0xFE, 1, 1},
                                      {u"@c/0x08000000/01*016Kg", 0xFE, 1, 1}});
  spec.functionalPlacement = FunctionalPlacement::kNone;
  platform::sim::VirtualClock clock;
  DfuState state;
  auto host = std::make_unique<DfuHost>(std::move(spec));
  host->usb.onTimeout([&clock](unsigned ms) { clock.advanceMs(ms); });
  platform::sim::RequestFault silent;
  silent.bRequest = 6;  // GET_DESCRIPTOR
  silent.count = platform::sim::RequestFault::kForever;
  silent.action = platform::sim::FaultAction::kTimeout;
  host->bootloader->faults().requests.push_back(silent);
  state.pDfuHandle = host->handle;
  state.dfuAltIndex = 0;
  platform::UsbDevice* device = host->usb.getDevice(host->handle);
  platform::UsbDeviceDescriptor descriptor;
  host->usb.getDeviceDescriptor(device, descriptor);
  DfuProbeConfigurations(state, host->usb, device, descriptor, &clock);

  EXPECT_LE(clock.nowMs(), kProbeBudgetMs);
  ASSERT_EQ(state.pDfuInterfaces.size(), 3u);
  for (const DfuInterface& record : state.pDfuInterfaces) {
    EXPECT_EQ(record.altName, "UNKNOWN");
    EXPECT_EQ(record.serialNumber, "UNKNOWN");
  }
  ReleaseDfuInterfaces(state, host->usb);
}

// The string read on its own: count and text, or the error, for what a device may answer.
TEST(UsbGetStringDescriptorAscii, ResultByAnswer) {
  Bytes longName = {255, 3};
  for (int i = 0; i < 126; ++i) longName.insert(longName.end(), {'x', 0});
  longName.push_back('y');  // half a character: not taken
  struct Row {
    const char* what;
    std::optional<Bytes> languages;  // nullopt: stalls
    std::optional<Bytes> name;
    int result;
    std::string text;
  };
  const Row rows[] = {
      {"plain name", Bytes{4, 3, 9, 4}, Bytes{6, 3, 'o', 0, 'k', 0}, 2, "ok"},
      {"language table stalls", std::nullopt, Bytes{6, 3, 'o', 0, 'k', 0}, platform::kUsbErrorPipe,
       ""},
      {"language table of 3 bytes", Bytes{3, 3, 9}, Bytes{6, 3, 'o', 0, 'k', 0}, -1, ""},
      {"language table claims 2 bytes", Bytes{2, 3, 9, 4}, Bytes{6, 3, 'o', 0, 'k', 0}, -1, ""},
      {"name stalls", Bytes{4, 3, 9, 4}, std::nullopt, platform::kUsbErrorPipe, ""},
      {"name of one byte: empty", Bytes{4, 3, 9, 4}, Bytes{6}, 0, ""},
      {"name not a string descriptor", Bytes{4, 3, 9, 4}, Bytes{6, 2, 'o', 0, 'k', 0}, -1, ""},
      {"name longer than its bLength", Bytes{4, 3, 9, 4}, Bytes{4, 3, 'o', 0, 'k', 0}, 1, "o"},
      {"bLength longer than the answer", Bytes{4, 3, 9, 4}, Bytes{200, 3, 'o', 0, 'k'}, 1, "o"},
      {"longest answer: 126 characters", Bytes{4, 3, 9, 4}, longName, 126, std::string(126, 'x')},
  };
  for (const Row& row : rows) {
    DfuHost host;
    host.bootloader->faults().strings[0] = row.languages;
    host.bootloader->faults().strings[5] = row.name;
    std::array<char, 254> out{};
    out.fill('#');
    const int result = UsbGetStringDescriptorAscii(host.usb, host.handle, 5, out);
    EXPECT_EQ(result, row.result) << row.what;
    if (result >= 0) {
      EXPECT_EQ(std::string(out.data()), row.text) << row.what;
    }
  }
}

TEST(DfuProbe, AProbeAfterAReleaseHoldsOnlyItsOwnRecordsNewestFirst) {
  BootloaderSpec spec = OneInterface(
      {{u"@a/0x08000000/01*016Kg", 0xFE, 1, 1}, {u"@b/0x08000000/01*016Kg", 0xFE, 1, 1}});
  DfuState state;
  auto first = Probe(state, spec);
  ASSERT_EQ(state.pDfuInterfaces.size(), 2u);
  ReleaseDfuInterfaces(state, first->usb);
  auto second = Probe(state, spec);
  ASSERT_EQ(state.pDfuInterfaces.size(), 2u);
  EXPECT_EQ(state.pDfuInterfaces.front().altName, "@b/0x08000000/01*016Kg");
  EXPECT_EQ(state.pDfuInterfaces.back().altName, "@a/0x08000000/01*016Kg");
  ReleaseDfuInterfaces(state, second->usb);
}

TEST(DfuProbe, AConfigurationThatDoesNotReadEndsTheProbeKeepingEarlierRecords) {
  BootloaderSpec spec;
  spec.configurations = {platform::sim::stm32Configurations()[0],
                         platform::sim::stm32Configurations()[0]};
  DfuState state;
  auto host = Probe(state, spec, [](DfuHost& h) { h.bootloader->faults().malformedConfigs = {1}; });
  EXPECT_EQ(state.pDfuInterfaces.size(), 1u);
  ReleaseDfuInterfaces(state, host->usb);
}

}  // namespace
}  // namespace brisa::dfu
