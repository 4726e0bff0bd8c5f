// The battery level of Bluetooth LE boards through BlueZ (python-dbusmock's bluez5 template on
// a private bus), found through the device tree as the battery walk finds it.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bluez_mock.h"
#include "boards.h"
#include "platform/linux/bluez_gatt.h"
#include "platform/linux/linux_machine.h"
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
    std::optional<std::uint8_t> published;
    std::optional<std::uint8_t> read;
  } boards[] = {{"d1:c2:b3:a4:f5:e6", 87, 87},
                {"a1:a2:a3:a4:a5:a6", 42, 42},
                {"b1:b2:b3:b4:b5:b6", {}, {}},
                {"c1:c2:c3:c4:c5:c6", 100, 100},
                // BlueZ documents a percentage: anything else was not read as one.
                {"e1:e2:e3:e4:e5:e6", 255, {}}};
  for (const auto& b : boards) {
    std::string upper = b.address;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), b.address});
    bluez->addDevice(upper, "Merlin", b.published);
  }
  bluez->addDevice("0C:0C:0C:0C:0C:0C", "Headphones", 64, nullptr);  // a battery, but no board
  tree.emplace();
  testbed::awaitLowEnergy(*tree, std::size(boards));
  EXPECT_EQ(tree->gattServiceInterfaces(kBatteryService).size(), 5u);
  EXPECT_TRUE(tree->gattServiceInterfaces(Guid::fromShortUuid(0x1800)).empty());
  for (const auto& b : boards) {
    SCOPED_TRACE(b.address);
    const auto level = batteryOf(*tree, gatt, boardNode(b.address));
    if (b.read) {
      EXPECT_EQ(level, std::vector<std::uint8_t>{*b.read});
    } else {
      EXPECT_FALSE(level);
    }
  }
}

TEST_F(LinuxBattery, ALevelThatCannotBeReadIsNotShown) {
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)});
  const std::string device = bluez->addDevice("D1:C2:B3:A4:F5:E6", "Merlin", 87);
  tree.emplace();
  testbed::awaitLowEnergy(*tree, 1);
  const auto services = tree->gattServiceInterfaces(kBatteryService);
  ASSERT_EQ(services.size(), 1u);
  const GattOpenResult opened = gatt.openService(services[0].path);
  ASSERT_NE(opened.service, nullptr);
  bluez->removeDevice(device);
  const GattCharacteristicRecord level{1, GattUuid::shortForm(kBatteryLevelShortUuid), 2, true,
                                       true};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (opened.service->readValue(level) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_FALSE(opened.service->readValue(level));
  EXPECT_EQ(gatt.openService("bluez:#{0000180f-0000-1000-8000-00805f9b34fb}").service, nullptr);
  EXPECT_EQ(gatt.openService("/org/bluez/hci0").service, nullptr);
}

using testbed::SystemBusAt;

constexpr const char* kMerlinObject = "/org/bluez/hci0/dev_D1_C2_B3_A4_F5_E6";

// Whatever the bus does, the window never waits on it: a rebuild, the battery lookup and its read
// return at once, the Bluetooth board unlisted for now. Once BlueZ answers, the board is listed,
// and its level read, with no other device event: the HID-change callback tells the window.
TEST(LinuxBatteryWithoutBluez, NothingWaitsOnTheBusAndBluezAnsweringListsTheBoard) {
  BRISA_REQUIRE_TOOL(testbed::BluezMock::toolsFound(), "dbus-daemon or python3-dbusmock");
  int silent = -1;
  const auto silentSocket = [&](testbed::Testbed& bed) {
    const std::string path = bed.rootDir() + "/silent-bus";
    silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, std::min(path.size(), sizeof address.sun_path - 1));
    ::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(silent, 8);  // the kernel takes connections; nobody ever speaks
    return "unix:path=" + path;
  };
  const struct {
    const char* what;
    bool frozenBluez;  // else no bus, or one that never speaks, until BlueZ comes up on another
    bool silentBus;
    std::chrono::milliseconds listedWithin;  // of BlueZ answering
  } cases[] = {
      {"no bus", false, false, std::chrono::milliseconds(1000)},
      // Given up once its authentication has timed out.
      {"a bus that never speaks", false, true, std::chrono::milliseconds(3500)},
      {"a BlueZ that takes calls and never answers", true, false, std::chrono::milliseconds(1000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testbed::Testbed bed;
    BRISA_REQUIRE_TOOL(bed.inMockEnvironment(), "umockdev-wrapper (run through ctest)");
    bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)});
    std::optional<testbed::BluezMock> bluez;
    std::optional<SystemBusAt> bus;
    if (c.frozenBluez) {
      ASSERT_TRUE(bluez.emplace().running());
      bluez->addDevice("D1:C2:B3:A4:F5:E6", "Merlin", 87);
      bluez->freeze();
    } else {
      bus.emplace(c.silentBus ? silentSocket(bed) : "unix:path=/nonexistent/brisa-test-bus");
    }
    LinuxMachine machine;
    std::atomic<int> told{0};
    const auto watching =
        machine.deviceTree().watchHidInterfaces([&](const HidChange&) { ++told; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // BlueZ asked, or tried
    const GattCharacteristicRecord level{1, GattUuid::shortForm(kBatteryLevelShortUuid), 2, true,
                                         true};
    for (int rebuild = 0; rebuild < 3; ++rebuild) {
      const auto start = std::chrono::steady_clock::now();
      const auto interfaces = machine.deviceTree().hidInterfaces();
      machine.deviceTree().parentOf(interfaces.at(0).node);
      EXPECT_TRUE(machine.deviceTree().gattServiceInterfaces(kBatteryService).empty());
      const GattOpenResult opened =
          machine.gatt().openService(bluezBatteryServicePath(kMerlinObject));
      ASSERT_NE(opened.service, nullptr);
      EXPECT_FALSE(opened.service->readValue(level));
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
      ASSERT_EQ(interfaces.size(), 1u);
      EXPECT_EQ(interfaces[0].path.find("1812"), std::string::npos) << interfaces[0].path;
    }
    EXPECT_EQ(told, 0);

    if (c.frozenBluez) {
      bluez->thaw();
    } else {
      bus.reset();
      if (silent >= 0) ::close(std::exchange(silent, -1));
      ASSERT_TRUE(bluez.emplace().running());
      bluez->addDevice("D1:C2:B3:A4:F5:E6", "Merlin", 87);
    }
    const auto answered = std::chrono::steady_clock::now();
    while (told == 0 && std::chrono::steady_clock::now() - answered < c.listedWithin) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(told, 0);
    const auto next = machine.deviceTree().hidInterfaces();
    ASSERT_EQ(next.size(), 1u);
    EXPECT_NE(next[0].path.find("1812"), std::string::npos) << next[0].path;
    EXPECT_EQ(batteryOf(machine.deviceTree(), machine.gatt(), next[0].node),
              std::vector<std::uint8_t>{87});
  }
}

}  // namespace
}  // namespace brisa::platform
