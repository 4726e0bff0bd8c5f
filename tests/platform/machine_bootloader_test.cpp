// One machine holds the bootloader in its device tree and behind its USB seam, and both views
// follow it on and off the bus.

#include <gtest/gtest.h>

#include <array>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

bool treeLists(Machine& m, NodeId node) {
  for (const PresentDevice& d : m.deviceTree().presentDevices()) {
    if (d.node == node) return d.classGuid == kLibusbKClassGuid;
  }
  return false;
}

TEST(MachineBootloader, TheDemoBootloaderIsInTheTreeAndBehindTheUsbSeam) {
  auto m = namedScenario("demo")->build();
  const NodeId node = m->nodesOf(3).at(0);
  EXPECT_TRUE(treeLists(*m, node));
  EXPECT_EQ(m->deviceTree().hardwareIds(node)->at(0), "USB\\VID_0483&PID_DF11&REV_2200");

  Usb& usb = m->usb();
  ASSERT_EQ(usb.init(), kUsbSuccess);
  UsbDeviceHandle* handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(handle, nullptr);
  UsbDeviceDescriptor descriptor;
  ASSERT_EQ(usb.getDeviceDescriptor(usb.getDevice(handle), descriptor), kUsbSuccess);
  EXPECT_EQ(descriptor.bcdDevice, 0x2200);

  m->unplug(3);
  EXPECT_FALSE(treeLists(*m, node));
  std::array<std::uint8_t, 6> status{};
  EXPECT_EQ(usb.controlTransfer(handle, 0xA1, kDfuGetStatus, 0, 0, status.data(), 6, 5000),
            kUsbErrorNoDevice);
  EXPECT_EQ(usb.openDeviceWithVidPid(0x0483, 0xDF11), nullptr);
  usb.close(handle);

  m->plug(3);
  EXPECT_TRUE(treeLists(*m, node));
  handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(handle, nullptr);
  usb.close(handle);
}

TEST(MachineBootloader, ABootloaderThatLeavesTheBusOnItsOwnLeavesTheTree) {
  auto m = Scenario().bootloader().build();
  const NodeId node = m->nodesOf(0).at(0);
  Usb& usb = m->usb();
  usb.init();
  UsbDeviceHandle* handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  ASSERT_NE(handle, nullptr);
  RequestFault vanish;
  vanish.bRequest = kDfuGetStatus;
  vanish.action = FaultAction::kVanish;
  m->bootloader(0)->faults().requests.push_back(vanish);
  std::array<std::uint8_t, 6> status{};
  EXPECT_LT(usb.controlTransfer(handle, 0xA1, kDfuGetStatus, 0, 0, status.data(), 6, 5000), 0);
  usb.close(handle);
  EXPECT_FALSE(m->isPlugged(0));
  EXPECT_FALSE(treeLists(*m, node));

  m->plug(0);
  EXPECT_TRUE(m->isPlugged(0));
  EXPECT_TRUE(treeLists(*m, node));
}

TEST(MachineBootloader, RevisionFollowsTheUsbSideUnlessGiven) {
  BootloaderNodeSpec spec;
  spec.usb.bcdDevice = 0x0200;
  auto m = Scenario().bootloader(spec).build();
  EXPECT_EQ(m->deviceTree().hardwareIds(m->nodesOf(0).at(0))->at(0),
            "USB\\VID_0483&PID_DF11&REV_0200");
}

}  // namespace
}  // namespace brisa::platform::sim
