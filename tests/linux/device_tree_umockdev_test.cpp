// The udev device tree on an emulated machine: what the device list reads of it (interfaces,
// paths, names, bus nodes, the libusbK stand-ins) and its hotplug notifications.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "boards.h"
#include "platform/linux/hidraw_hid.h"
#include "platform/linux/udev_device_tree.h"
#include "support/require_tool.h"
#include "testbed.h"

namespace brisa::platform {
namespace {

using sim::BoardModel;
using testbed::Testbed;

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// The device list's rule for which interfaces it keeps.
bool listedByTheDeviceList(const std::string& path) {
  return contains(path, "vid_1209") || contains(path, "hid#{00001812-0000-1000-8000-00805f9b34fb}");
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// An item's text as the device list composes it: description, bus part, product part.
std::string itemText(DeviceTree& tree, Hid& hid, const DeviceInterface& interface) {
  std::string text =
      tree.property(interface.node, DeviceProperty::DeviceDesc).value_or("(Unnamed HID device)");
  for (auto at = tree.parentOf(interface.node); at; at = tree.parentOf(*at)) {
    const auto cls = tree.property(*at, DeviceProperty::ClassGuid);
    const auto guid = cls ? parseGuid(*cls) : std::nullopt;
    if (!tree.instanceId(*at) || (guid != kBluetoothClassGuid && guid != kUsbClassGuid)) continue;
    text += " (";
    if (const auto friendly = tree.property(*at, DeviceProperty::FriendlyName)) {
      text += *friendly + " - ";
    }
    text += tree.property(*at, DeviceProperty::Class).value_or("") + ")";
    break;
  }
  std::string path = upper(interface.path);
  auto device = hid.open(path, HidAccess::QueryOnly);
  if (!device) {
    for (std::size_t at; (at = path.find("\\KBD")) != std::string::npos;) path.erase(at, 4);
    device = hid.open(path, HidAccess::QueryOnly);
  }
  if (device) {
    if (const auto product = device->productString()) text += " (" + *product + ")";
  }
  return text;
}

class LinuxDeviceTree : public ::testing::Test {
 protected:
  void SetUp() override {
    BRISA_REQUIRE_TOOL(bed.inMockEnvironment(), "umockdev-wrapper (run through ctest)");
  }

  testbed::DeviceId addBoard(BoardModel model, const char* product) {
    return bed.addUsbHid({testbed::boardHid(model), 0x0100, product});
  }
  testbed::DeviceId addBootloader() { return bed.addUsbDevice({}); }

  Testbed bed;
};

TEST_F(LinuxDeviceTree, InterfacesCarryThePathsAndTextsTheListReads) {
  addBoard(BoardModel::Osprey, "Brisa Osprey");
  bed.addUsbHid({testbed::keyboardHid(), 0x0100, "Brisa Keyboard"});
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)});
  bed.addUsbHid({testbed::mouseHid(), 0x7200, "USB Optical Mouse"});
  UdevDeviceTree tree;
  HidrawHid hid;

  const struct {
    const char* path;
    bool listed;
    const char* text;
  } expected[] = {
      {"hid#vid_1209&pid_0002#1-1:1.0", true, "HID-compliant game controller (USB) (Brisa Osprey)"},
      {"hid#vid_1209&pid_0007&col01#1-2:1.0\\KBD", true,
       "HID Keyboard Device (USB) (Brisa Keyboard)"},
      {"hid#vid_1209&pid_0007&col02#1-2:1.0", true,
       "HID-compliant consumer control device (USB) (Brisa Keyboard)"},
      {"hid#vid_046d&pid_c077#1-3:1.0", false, "HID-compliant mouse (USB) (USB Optical Mouse)"},
      {"hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&021209_pid&0001#d1:c2:b3:a4:f5:e6", true,
       "HID-compliant game controller (Merlin - Bluetooth) (Merlin)"},
  };
  const auto interfaces = tree.hidInterfaces();
  ASSERT_EQ(interfaces.size(), std::size(expected));
  for (const auto& e : expected) {
    SCOPED_TRACE(e.path);
    const auto at = std::find_if(interfaces.begin(), interfaces.end(),
                                 [&](const DeviceInterface& i) { return i.path == e.path; });
    ASSERT_NE(at, interfaces.end());
    EXPECT_EQ(listedByTheDeviceList(at->path), e.listed);
    EXPECT_EQ(itemText(tree, hid, *at), e.text);
  }
}

TEST_F(LinuxDeviceTree, NodesHangBelowTheirBusAsTheSysfsParentsSay) {
  addBoard(BoardModel::Kestrel, "Brisa Kestrel");
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), "d1:c2:b3:a4:f5:e6"});
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), "a1:a2:a3:a4:a5:a6"});
  UdevDeviceTree tree;

  // Class names from the interface's node up to the top of the tree.
  const auto chain = [&](NodeId node) {
    std::vector<std::string> classes;
    for (std::optional<NodeId> at = node; at; at = tree.parentOf(*at)) {
      classes.push_back(tree.property(*at, DeviceProperty::Class).value_or("?"));
    }
    return classes;
  };
  const auto interfaces = tree.hidInterfaces();
  ASSERT_EQ(interfaces.size(), 3u);
  const std::vector<std::string> usb = {"HIDClass", "HIDClass", "USB", "USB", "USB", "System"};
  const std::vector<std::string> ble = {"HIDClass", "HIDClass", "Bluetooth"};
  std::vector<NodeId> bluetoothNodes;
  for (const DeviceInterface& i : interfaces) {
    SCOPED_TRACE(i.path);
    if (contains(i.path, "1812")) {
      EXPECT_EQ(chain(i.node), ble);
      bluetoothNodes.push_back(*tree.parentOf(*tree.parentOf(i.node)));
    } else {
      EXPECT_EQ(chain(i.node), usb);
    }
    EXPECT_TRUE(tree.instanceId(i.node));
  }
  // Each Bluetooth LE board has a node of its own, never one that another board shares.
  ASSERT_EQ(bluetoothNodes.size(), 2u);
  EXPECT_NE(bluetoothNodes[0], bluetoothNodes[1]);
  EXPECT_EQ(tree.property(bluetoothNodes[0], DeviceProperty::FriendlyName), "Merlin");
  EXPECT_EQ(tree.instanceId(bluetoothNodes[1]), "BTHLE\\DEV_A1A2A3A4A5A6");
}

TEST_F(LinuxDeviceTree, FreeUsbDevicesThatOpenStandInTheLibusbKClass) {
  addBoard(BoardModel::Osprey, "Brisa Osprey");
  const struct {
    testbed::UsbDeviceSpec spec;
    bool denied;
    bool present;
  } devices[] = {
      {{}, false, true},
      {{0x1209, 0xBEEF, 0x0100, "Held by libusb", {"usbfs"}, {}}, false, true},
      {{0x2341, 0x0043, 0x0001, "Serial adapter", {"cdc_acm", ""}, {}}, false, false},
      {{0x0483, 0xDF11, 0x2200, std::nullopt, {""}, {}}, true, false},
  };
  for (const auto& d : devices) {
    const auto id = bed.addUsbDevice(d.spec);
    if (d.denied) bed.denyAccess(id);
  }
  testbed::WithoutFileOverride asAUser;
  UdevDeviceTree tree;
  std::vector<std::string> firstIds;
  for (const PresentDevice& present : tree.presentDevices()) {
    EXPECT_EQ(present.classGuid, kLibusbKClassGuid);
    EXPECT_EQ(tree.property(present.node, DeviceProperty::ClassGuid), toString(kLibusbKClassGuid));
    EXPECT_EQ(tree.property(present.node, DeviceProperty::Class), "libusbK USB Devices");
    firstIds.push_back(tree.hardwareIds(present.node).value_or(std::vector<std::string>{"?"})[0]);
  }
  EXPECT_EQ(firstIds, (std::vector<std::string>{"USB\\VID_0483&PID_DF11&REV_2200",
                                                "USB\\VID_1209&PID_BEEF&REV_0100"}));
  const NodeId bootloader = tree.presentDevices().at(0).node;
  EXPECT_EQ(
      tree.hardwareIds(bootloader),
      (std::vector<std::string>{"USB\\VID_0483&PID_DF11&REV_2200", "USB\\VID_0483&PID_DF11"}));
  EXPECT_EQ(tree.property(bootloader, DeviceProperty::DeviceDesc), "STM32  BOOTLOADER");
}

TEST_F(LinuxDeviceTree, PresentDevicesFollowTheMonitorWithoutAFreshScan) {
  UdevDeviceTree tree;
  EXPECT_TRUE(tree.presentDevices().empty());
  const struct {
    const char* what;
    std::function<void()> change;
    std::size_t count;
  } steps[] = {
      {"a bootloader arrives", [&] { addBootloader(); }, 1},
      {"a second one", [&] { addBootloader(); }, 2},
      {"libusb claims the first", [&] { bed.addInterface(0, "usbfs"); }, 2},
      {"a kernel driver takes the first", [&] { bed.addInterface(0, "usbhid"); }, 1},
      {"the second leaves", [&] { bed.remove(1); }, 0},
      {"a board arrives", [&] { addBoard(BoardModel::Finch, "Brisa Finch"); }, 0},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    EXPECT_EQ(tree.presentDevices().size(), step.count);
  }
}

// Collects the changes a subscription reports, for a test to wait on.
struct Changes {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<HidChange> seen;

  std::function<void(const HidChange&)> callback() {
    return [this](const HidChange& change) {
      std::lock_guard lock(mutex);
      seen.push_back(change);
      arrived.notify_all();
    };
  }
  std::vector<HidChange> waitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    arrived.wait_for(lock, std::chrono::seconds(5), [&] { return seen.size() >= count; });
    return seen;
  }
};

TEST_F(LinuxDeviceTree, HotplugReachesTheCallbackUntilTheSubscriptionEnds) {
  const auto present = addBoard(BoardModel::Osprey, "Brisa Osprey");
  UdevDeviceTree tree;
  Changes changes;
  auto subscription = tree.watchHidInterfaces(changes.callback());

  const auto keyboard = bed.addUsbHid({testbed::keyboardHid(), 0x0100, "Brisa Keyboard"});
  bed.remove(present);
  addBootloader();  // no HID interface: no change
  bed.remove(keyboard);
  const auto seen = changes.waitFor(5);
  const std::vector<std::pair<HidChangeKind, std::string>> expected = {
      {HidChangeKind::Arrival, "hid#vid_1209&pid_0007&col01#1-2:1.0\\KBD"},
      {HidChangeKind::Arrival, "hid#vid_1209&pid_0007&col02#1-2:1.0"},
      {HidChangeKind::Removal, "hid#vid_1209&pid_0002#1-1:1.0"},
      {HidChangeKind::Removal, "hid#vid_1209&pid_0007&col01#1-2:1.0\\KBD"},
      {HidChangeKind::Removal, "hid#vid_1209&pid_0007&col02#1-2:1.0"},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].kind, expected[i].first) << i;
    EXPECT_EQ(seen[i].path, expected[i].second) << i;
  }

  // Once it has ended, a later arrival that another subscription sees never reaches it.
  subscription.reset();
  Changes later;
  auto second = tree.watchHidInterfaces(later.callback());
  addBoard(BoardModel::Finch, "Brisa Finch");
  EXPECT_EQ(later.waitFor(1).size(), 1u);
  EXPECT_EQ(changes.waitFor(0).size(), expected.size());
}

TEST_F(LinuxDeviceTree, ACallbackMayEndItsOwnSubscription) {
  UdevDeviceTree tree;
  Changes changes;
  std::unique_ptr<Subscription> subscription;
  std::mutex owner;
  subscription = tree.watchHidInterfaces([&](const HidChange& change) {
    std::lock_guard lock(owner);
    subscription.reset();
    changes.callback()(change);
  });
  addBoard(BoardModel::Osprey, "Brisa Osprey");
  addBoard(BoardModel::Finch, "Brisa Finch");
  EXPECT_EQ(changes.waitFor(1).size(), 1u);
  std::lock_guard lock(owner);
  EXPECT_EQ(subscription, nullptr);
}

}  // namespace
}  // namespace brisa::platform
