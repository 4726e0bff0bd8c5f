// The simulated device tree looks like a real one to the listing and battery rules.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// The nearest ancestor (the node itself excluded) of the given class.
std::optional<NodeId> ancestorOfClass(DeviceTree& tree, NodeId node, const Guid& cls) {
  for (auto at = tree.parentOf(node); at; at = tree.parentOf(*at)) {
    const auto text = tree.property(*at, DeviceProperty::ClassGuid);
    if (text && parseGuid(*text) == cls) return at;
  }
  return std::nullopt;
}

TEST(DeviceTree, DemoInterfacesKeepThePathContract) {
  auto m = namedScenario("demo")->build();
  const auto interfaces = m->deviceTree().hidInterfaces();
  ASSERT_EQ(interfaces.size(), 5u);  // Osprey, Merlin, keyboard, mouse, other keyboard
  EXPECT_TRUE(contains(interfaces[0].path, "vid_1209&pid_0002"));
  EXPECT_TRUE(contains(interfaces[1].path, "hid#{00001812-0000-1000-8000-00805f9b34fb}"));
  EXPECT_FALSE(contains(interfaces[1].path, "vid_1209"));
  EXPECT_TRUE(contains(interfaces[2].path, "vid_1209"));
  EXPECT_TRUE(interfaces[2].path.ends_with("\\KBD"));
  for (std::size_t i = 3; i < 5; ++i) {
    EXPECT_FALSE(contains(interfaces[i].path, "vid_1209")) << interfaces[i].path;
    EXPECT_FALSE(contains(interfaces[i].path, "00001812")) << interfaces[i].path;
  }
  EXPECT_EQ(interfaces[0].node, m->hidNodesOf(0).at(0));
}

TEST(DeviceTree, UsbAndBluetoothBoardsHangBelowTheirBusNodes) {
  auto m = namedScenario("demo")->build();
  DeviceTree& tree = m->deviceTree();

  const auto usbBus = ancestorOfClass(tree, m->hidNodesOf(0).at(0), kUsbClassGuid);
  ASSERT_TRUE(usbBus);
  EXPECT_EQ(tree.property(*usbBus, DeviceProperty::Class), "USB");
  EXPECT_FALSE(tree.property(*usbBus, DeviceProperty::FriendlyName)) << "a hub has none";
  EXPECT_FALSE(ancestorOfClass(tree, m->hidNodesOf(0).at(0), kBluetoothClassGuid));

  const NodeId bleHid = m->hidNodesOf(1).at(0);
  const auto btBus = ancestorOfClass(tree, bleHid, kBluetoothClassGuid);
  ASSERT_TRUE(btBus);
  EXPECT_EQ(tree.property(*btBus, DeviceProperty::Class), "Bluetooth");
  EXPECT_EQ(tree.property(*btBus, DeviceProperty::FriendlyName), "Merlin");
  EXPECT_EQ(tree.property(bleHid, DeviceProperty::DeviceDesc), "HID-compliant game controller");
  EXPECT_TRUE(tree.instanceId(bleHid)->starts_with("HID\\{00001812-"));

  // The walk up ends at the top of the tree.
  NodeId top = bleHid;
  while (auto parent = tree.parentOf(top)) top = *parent;
  EXPECT_EQ(top, m->rootNode());
}

TEST(DeviceTree, LibusbKDevicesCarryHardwareIdsAndNoHidInterface) {
  auto m = Scenario().bootloader().libusbKDevice().build();
  DeviceTree& tree = m->deviceTree();
  EXPECT_TRUE(tree.hidInterfaces().empty());
  std::vector<std::string> firstIds;
  for (const PresentDevice& d : tree.presentDevices()) {
    if (d.classGuid != kLibusbKClassGuid) continue;
    firstIds.push_back(tree.hardwareIds(d.node)->at(0));
  }
  ASSERT_EQ(firstIds.size(), 2u);
  EXPECT_EQ(firstIds[0], "USB\\VID_0483&PID_DF11&REV_2200");
  EXPECT_FALSE(contains(firstIds[1], "USB\\VID_0483&PID_DF11"));
  EXPECT_EQ(tree.property(m->nodesOf(0).at(0), DeviceProperty::DeviceDesc), "STM32  BOOTLOADER");

  BootloaderNodeSpec fiveDigits;
  fiveDigits.revision = 0x12345;
  auto longer = Scenario().bootloader(fiveDigits).bootloader(fiveDigits).build();
  const auto first = longer->deviceTree().hardwareIds(longer->nodesOf(0).at(0))->at(0);
  EXPECT_EQ(first, "USB\\VID_0483&PID_DF11&REV_12345");
  EXPECT_EQ(longer->deviceTree().hardwareIds(longer->nodesOf(1).at(0))->at(0), first);
  EXPECT_NE(longer->deviceTree().instanceId(longer->nodesOf(0).at(0)),
            longer->deviceTree().instanceId(longer->nodesOf(1).at(0)));

  BootloaderNodeSpec noRevision;
  noRevision.withRevision = false;
  auto plain = Scenario().bootloader(noRevision).build();
  EXPECT_EQ(plain->deviceTree().hardwareIds(plain->nodesOf(0).at(0))->at(0),
            "USB\\VID_0483&PID_DF11");
}

TEST(DeviceTree, EachBatteryServiceHangsBelowItsOwnBoard) {
  BleBoardSpec second;
  second.name = "Merlin 2";
  second.address = 0x112233445566;
  auto m = Scenario().bleBoard().bleBoard(second).build();
  DeviceTree& tree = m->deviceTree();
  const auto services = tree.gattServiceInterfaces(Guid::fromShortUuid(0x180F));
  ASSERT_EQ(services.size(), 2u);
  for (DeviceId board : {0u, 1u}) {
    const auto bleDevice = tree.parentOf(services[board].node);
    ASSERT_TRUE(bleDevice);
    EXPECT_EQ(ancestorOfClass(tree, m->hidNodesOf(board).at(0), kBluetoothClassGuid), bleDevice);
  }
  EXPECT_NE(tree.parentOf(services[0].node), tree.parentOf(services[1].node));

  BleBoardSpec noBattery;
  noBattery.batteryLevel.reset();
  auto without = Scenario().bleBoard(noBattery).build();
  EXPECT_TRUE(without->deviceTree().gattServiceInterfaces(Guid::fromShortUuid(0x180F)).empty());
}

TEST(DeviceTree, PlugAndUnplugNotifyHidInterfacesOnly) {
  auto m = namedScenario("demo")->build();
  std::vector<HidChange> changes;
  auto watch =
      m->deviceTree().watchHidInterfaces([&](const HidChange& c) { changes.push_back(c); });
  const std::string path = m->hidPathsOf(0).at(0);
  const NodeId node = m->hidNodesOf(0).at(0);

  m->unplug(0);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].kind, HidChangeKind::Removal);
  EXPECT_EQ(changes[0].path, path);
  EXPECT_EQ(m->deviceTree().hidInterfaces().size(), 4u);
  EXPECT_FALSE(m->deviceTree().parentOf(node));
  EXPECT_FALSE(m->deviceTree().instanceId(node));
  EXPECT_EQ(m->hid().open(path, HidAccess::QueryOnly), nullptr);

  m->unplug(3);  // the bootloader: no HID interface, no notification
  m->plug(3);
  EXPECT_EQ(changes.size(), 1u);

  m->plug(0);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].kind, HidChangeKind::Arrival);
  EXPECT_EQ(m->deviceTree().hidInterfaces().at(0).path, path) << "keeps its place";

  watch.reset();
  m->unplug(1);
  EXPECT_EQ(changes.size(), 2u);
}

TEST(DeviceTree, APlugFirstDeviceIsEnumeratedBeforeTheOthers) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).usbBoard(BoardModel::Finch).build();
  m->unplug(1);
  m->plugFirst(1);
  const auto interfaces = m->deviceTree().hidInterfaces();
  ASSERT_EQ(interfaces.size(), 2u);
  EXPECT_EQ(interfaces[0].path, m->hidPathsOf(1).at(0));
}

TEST(DeviceTree, EnumerationFaultsListNothing) {
  auto m = namedScenario("demo")->build();
  m->failHidEnumeration(true);
  m->failDeviceEnumeration(true);
  EXPECT_TRUE(m->deviceTree().hidInterfaces().empty());
  EXPECT_TRUE(m->deviceTree().presentDevices().empty());
  m->failHidEnumeration(false);
  EXPECT_EQ(m->deviceTree().hidInterfaces().size(), 5u);
}

}  // namespace
}  // namespace brisa::platform::sim
