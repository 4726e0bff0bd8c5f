// The battery level of Bluetooth LE boards through BlueZ (python-dbusmock's bluez5 template on
// a private bus), found through the device tree as the battery walk finds it.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bluez_mock.h"
#include "boards.h"
#include "platform/linux/bluez_gatt.h"
#include "platform/linux/udev_device_tree.h"
#include "support/require_tool.h"
#include "testbed.h"

namespace brisa::platform {
namespace {

using sim::BoardModel;

const Guid kBatteryService = Guid::fromShortUuid(kBatteryServiceShortUuid);

// The battery walk: the first Battery Service whose node's parent is an ancestor of the HID
// node's parent; its Battery Level characteristics read after their descriptors are written.
std::optional<std::vector<std::uint8_t>> batteryOf(DeviceTree& tree, Gatt& gatt, NodeId hidNode) {
  for (const DeviceInterface& service : tree.gattServiceInterfaces(kBatteryService)) {
    const auto serviceParent = tree.parentOf(service.node);
    bool belongs = false;
    for (auto at = tree.parentOf(hidNode); at && serviceParent && !belongs;
         at = tree.parentOf(*at)) {
      belongs = *at == *serviceParent;
    }
    if (!belongs) continue;
    const GattOpenResult opened = gatt.openService(service.path);
    if (!opened.service) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> level;
    const auto services = opened.service->services();
    if (!services || services->empty()) return std::nullopt;
    for (const auto& c : opened.service->characteristics(services->front())
                             .value_or(std::vector<GattCharacteristicRecord>{})) {
      for (const auto& d :
           opened.service->descriptors(c).value_or(std::vector<GattDescriptorRecord>{})) {
        if (d.attributeHandle < 255) {
          EXPECT_TRUE(opened.service->writeDescriptor(
              d, {GattDescriptorType::ClientCharacteristicConfiguration, true, false}));
        }
      }
      if (c.uuid == GattUuid::shortForm(kBatteryLevelShortUuid) && c.isReadable) {
        level = opened.service->readValue(c);
      }
    }
    return level;
  }
  return std::nullopt;
}

class LinuxBattery : public ::testing::Test {
 protected:
  void SetUp() override {
    BRISA_REQUIRE_TOOL(bed.inMockEnvironment(), "umockdev-wrapper (run through ctest)");
    BRISA_REQUIRE_TOOL(testbed::BluezMock::toolsFound(), "dbus-daemon or python3-dbusmock");
    bluez.emplace();
    ASSERT_TRUE(bluez->running()) << "the BlueZ mock did not start";
  }
  // The HID node of the Bluetooth LE board with that address.
  NodeId boardNode(const std::string& address) {
    for (const DeviceInterface& i : tree->hidInterfaces()) {
      if (i.path.ends_with(address)) return i.node;
    }
    ADD_FAILURE() << "no board " << address;
    return 0;
  }

  testbed::Testbed bed;
  std::optional<testbed::BluezMock> bluez;
  std::optional<UdevDeviceTree> tree;
  BluezGatt gatt;
};

TEST_F(LinuxBattery, EachBoardReadsItsOwnBattery) {
  const struct {
    const char* address;
    std::optional<std::uint8_t> level;
  } boards[] = {{"d1:c2:b3:a4:f5:e6", 87}, {"a1:a2:a3:a4:a5:a6", 42}, {"b1:b2:b3:b4:b5:b6", {}}};
  for (const auto& b : boards) {
    std::string upper = b.address;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), b.address});
    bluez->addDevice(upper, "Merlin", b.level);
  }
  bluez->addDevice("0C:0C:0C:0C:0C:0C", "Headphones", 64);  // a battery, but no board
  tree.emplace();
  EXPECT_EQ(tree->gattServiceInterfaces(kBatteryService).size(), 3u);
  EXPECT_TRUE(tree->gattServiceInterfaces(Guid::fromShortUuid(0x1800)).empty());
  for (const auto& b : boards) {
    SCOPED_TRACE(b.address);
    const auto level = batteryOf(*tree, gatt, boardNode(b.address));
    if (b.level) {
      EXPECT_EQ(level, std::vector<std::uint8_t>{*b.level});
    } else {
      EXPECT_FALSE(level);
    }
  }
}

TEST_F(LinuxBattery, ALevelThatCannotBeReadIsNotShown) {
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)});
  const std::string device = bluez->addDevice("D1:C2:B3:A4:F5:E6", "Merlin", 87);
  tree.emplace();
  const auto services = tree->gattServiceInterfaces(kBatteryService);
  ASSERT_EQ(services.size(), 1u);
  const GattOpenResult opened = gatt.openService(services[0].path);
  ASSERT_NE(opened.service, nullptr);
  bluez->removeDevice(device);
  const GattCharacteristicRecord level{1, GattUuid::shortForm(kBatteryLevelShortUuid), 2, true,
                                       true};
  EXPECT_FALSE(opened.service->readValue(level));
  EXPECT_EQ(gatt.openService("bluez:#{0000180f-0000-1000-8000-00805f9b34fb}").service, nullptr);
  EXPECT_EQ(gatt.openService("/org/bluez/hci0").service, nullptr);
}

TEST(LinuxBatteryWithoutBluez, NoBusMeansNoBatteries) {
  const char* saved = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  const std::string keep = saved != nullptr ? saved : "";
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/brisa-test-bus", 1);
  UdevDeviceTree tree;
  EXPECT_TRUE(tree.gattServiceInterfaces(kBatteryService).empty());
  EXPECT_FALSE(bluezBatteryPercentage("/org/bluez/hci0/dev_D1_C2_B3_A4_F5_E6"));
  if (saved != nullptr) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", keep.c_str(), 1);
  } else {
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
}

}  // namespace
}  // namespace brisa::platform
