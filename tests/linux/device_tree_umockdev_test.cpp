// The udev device tree on an emulated machine: what the device list reads of it (interfaces,
// paths, names, bus nodes, the libusbK stand-ins) and its hotplug notifications.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bluez_mock.h"
#include "board/battery_level.h"
#include "board/device_list.h"
#include "boards.h"
#include "platform/linux/hidraw_hid.h"
#include "platform/linux/linux_machine.h"
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
  // BlueZ, knowing these Bluetooth LE boards; a test goes on only when it runs.
  void startBluez(const std::vector<std::string>& boardAddresses) {
    BRISA_REQUIRE_TOOL(testbed::BluezMock::toolsFound(), "dbus-daemon or python3-dbusmock");
    bluez.emplace();
    ASSERT_TRUE(bluez->running()) << "the BlueZ mock did not start";
    for (const std::string& address : boardAddresses) bluez->addDevice(address, "Merlin", {});
  }
  bool bluezRunning() { return !IsSkipped() && !HasFatalFailure(); }

  Testbed bed;
  std::optional<testbed::BluezMock> bluez;
};

TEST_F(LinuxDeviceTree, InterfacesCarryThePathsAndTextsTheListReads) {
  startBluez({"D1:C2:B3:A4:F5:E6"});
  if (!bluezRunning()) return;
  addBoard(BoardModel::Osprey, "Brisa Osprey");
  bed.addUsbHid({testbed::keyboardHid(), 0x0100, "Brisa Keyboard"});
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)});
  bed.addUsbHid({testbed::mouseHid(), 0x7200, "USB Optical Mouse"});
  UdevDeviceTree tree;
  HidrawHid hid;
  testbed::awaitLowEnergy(tree, 1);

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
  startBluez({"D1:C2:B3:A4:F5:E6", "A1:A2:A3:A4:A5:A6"});
  if (!bluezRunning()) return;
  addBoard(BoardModel::Kestrel, "Brisa Kestrel");
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), "d1:c2:b3:a4:f5:e6"});
  bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05), "a1:a2:a3:a4:a5:a6"});
  UdevDeviceTree tree;
  testbed::awaitLowEnergy(tree, 2);

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

// What a desktop presents beside the boards and looks like one to sysfs: a Classic Bluetooth
// gamepad on uhid as BlueZ runs it, driverless USB devices. The list takes boards and DFU
// bootloaders only, and a board this user may not open is told by the permission message.
TEST_F(LinuxDeviceTree, ListsBoardsAndBootloadersAndNothingThatLooksLikeThem) {
  startBluez({});
  if (!bluezRunning()) return;
  testbed::HidrawSpec gamepad = testbed::boardHid(BoardModel::Merlin, 0x05);
  gamepad.vendorId = 0x054C;
  gamepad.productId = 0x09CC;
  gamepad.name = "Wireless Controller";
  const auto bluetooth = [&](const testbed::HidrawSpec& hid, const std::string& address,
                             std::uint8_t level, const char* service) {
    bed.addBleHid({hid, address});
    bluez->addDevice(upper(address), hid.name, level, service);
    return upper(address);
  };
  const auto usb = [&](const testbed::UsbDeviceSpec& spec, bool denied) {
    const auto id = bed.addUsbDevice(spec);
    if (denied) bed.denyAccess(id);
    char ids[40];
    std::snprintf(ids, sizeof ids, "USB\\VID_%04X&PID_%04X&REV_%04X", unsigned{spec.vendorId},
                  unsigned{spec.productId}, unsigned{spec.bcdDevice});
    return std::string(ids);
  };
  // Each adds its device and says what the device's entry path holds.
  const auto classicGamepad = [&] {
    return bluetooth(gamepad, "0c:0c:0c:0c:0c:01", 60, testbed::kClassicHidUuid);
  };
  const auto leBoard = [&] {
    return bluetooth(testbed::boardHid(BoardModel::Merlin, 0x05), "d1:c2:b3:a4:f5:e6", 87,
                     testbed::kHidOverGattUuid);
  };
  const auto phone = [&] {
    return usb({0x04E8, 0x6860, 0x0400, "SAMSUNG_Android", {""}, {}, 0x06, 0x01}, false);
  };
  const auto radio = [&] {
    return usb({0x0BDA, 0x2838, 0x0100, "RTL2838UHIDIR", {""}, {}, 0xFF, 0xFF}, false);
  };
  const auto bootloader = [&] { return usb({}, false); };
  const auto deniedBootloader = [&] {
    return usb({0x0483, 0xDF11, 0x2201, "STM32  BOOTLOADER", {""}, {}}, true);
  };
  const auto deniedKeyboard = [&] {
    const auto id = bed.addUsbHid({testbed::keyboardHid(), 0x0100, "Brisa Keyboard"});
    bed.denyAccess(id);
    const std::string& syspath = bed.syspath(id);
    return "#" + syspath.substr(syspath.rfind('/') + 1) + ":1.0";
  };
  using enum HidOpenError;
  const struct {
    const char* what;
    std::function<std::string()> add;
    bool listed;
    bool counted;  // as a device of the bootloader class
    std::optional<std::string> battery;
    HidOpenError open;  // a read/write open of its entry
  } devices[] = {
      {"a Classic Bluetooth gamepad on uhid", classicGamepad, false, false, {}, None},
      {"a Bluetooth LE board", leBoard, true, false, "87", None},
      {"a phone in MTP mode", phone, false, false, {}, None},
      {"a radio dongle", radio, false, false, {}, None},
      {"the bootloader", bootloader, true, true, {}, None},
      {"a bootloader this user may not open", deniedBootloader, false, false, {}, None},
      {"a keyboard board this user may not open", deniedKeyboard, true, false, {}, AccessDenied},
  };
  std::vector<std::string> holds;
  for (const auto& d : devices) holds.push_back(d.add());

  {
    testbed::WithoutFileOverride asAUser;
    LinuxMachine machine;
    testbed::awaitLowEnergy(machine.deviceTree(), 1);
    const auto listed = board::ListDevices(machine.deviceTree(), machine.hid());
    const auto present = machine.deviceTree().presentDevices();
    for (std::size_t i = 0; i < std::size(devices); ++i) {
      const auto& d = devices[i];
      SCOPED_TRACE(d.what);
      const auto entry = std::find_if(
          listed.begin(), listed.end(),
          [&](const board::ListedDevice& l) { return contains(l.entry.path, holds[i]); });
      EXPECT_EQ(entry != listed.end(), d.listed);
      EXPECT_EQ(std::any_of(present.begin(), present.end(),
                            [&](const PresentDevice& p) {
                              return machine.deviceTree().hardwareIds(p.node).value_or(
                                         std::vector<std::string>{""})[0] == holds[i];
                            }),
                d.counted);
      if (entry == listed.end() || d.counted) continue;
      board::GattServiceOpening battery = board::BleOpenGattService(
          machine.deviceTree(), machine.gatt(), Guid::fromShortUuid(kBatteryServiceShortUuid),
          entry->entry.devInst);
      std::optional<std::string> level;
      if (battery.service) {
        const auto value = battery.service->readValue(
            {1, GattUuid::shortForm(kBatteryLevelShortUuid), 2, true, true});
        if (value && !value->empty()) level = std::to_string(value->front());
      }
      EXPECT_EQ(level, d.battery);
      EXPECT_EQ(machine.hid().openDevice(entry->entry.path, HidAccess::ReadWrite).error, d.open);
    }
  }
  // Whoever runs the tool (these tests run as root in CI): only a bootloader ever counts.
  UdevDeviceTree privileged;
  const auto counted = privileged.presentDevices();
  EXPECT_FALSE(counted.empty());
  for (const PresentDevice& p : counted) {
    const auto ids = privileged.hardwareIds(p.node).value_or(std::vector<std::string>{""});
    EXPECT_TRUE(ids[0].starts_with("USB\\VID_0483&PID_DF11")) << ids[0];
  }
}

// What the tree read of a device is kept while it stays, and read anew when udev says it
// changed: a device that leaves and another that comes in its place get their own entries. What
// BlueZ has not answered yet is no answer: a Bluetooth LE board is listed within a second of
// BlueZ answering, without another device event, and stays listed once it has.
TEST_F(LinuxDeviceTree, PresentDevicesAndTheListFollowTheMonitorWithoutAFreshScan) {
  BRISA_REQUIRE_TOOL(testbed::BluezMock::toolsFound(), "dbus-daemon or python3-dbusmock");
  const testbed::SystemBusAt noBus("unix:path=/nonexistent/brisa-test-bus");
  LinuxMachine machine;
  DeviceTree& tree = machine.deviceTree();
  EXPECT_TRUE(tree.presentDevices().empty());
  testbed::DeviceId board = 0;
  testbed::DeviceId bootloader = 0;
  constexpr const char* kBootloader = "USB\\VID_0483&PID_DF11&REV_2200 STM32  BOOTLOADER";
  constexpr const char* kFinch =
      "HID#VID_1209&PID_000A#1-3:1.0 HID-compliant game controller (USB) (Brisa Finch)";
  constexpr const char* kOsprey =
      "HID#VID_1209&PID_0002#1-3:1.0 HID-compliant game controller (USB) (Brisa Osprey)";
  constexpr const char* kOtherBootloader = "USB\\VID_0483&PID_DF11&REV_2201 DFU in FS Mode";
  constexpr const char* kMerlin =
      "HID#{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&021209_PID&0001#D1:C2:B3:A4:F5:E6 "
      "HID-compliant game controller (Merlin - Bluetooth) (Merlin)";
  const struct {
    const char* what;
    std::function<void()> change;
    std::size_t count;
    std::vector<std::string> listed;  // each entry's path and text
  } steps[] = {
      {"a bootloader arrives", [&] { addBootloader(); }, 1, {kBootloader}},
      {"a second one", [&] { addBootloader(); }, 2, {kBootloader, kBootloader}},
      {"libusb claims the first",
       [&] { bed.addInterface(0, "usbfs"); },
       2,
       {kBootloader, kBootloader}},
      {"a kernel driver takes the first", [&] { bed.addInterface(0, "usbhid"); }, 1, {kBootloader}},
      {"the second leaves", [&] { bed.remove(1); }, 0, {}},
      {"a board arrives", [&] { board = addBoard(BoardModel::Finch, "Brisa Finch"); }, 0, {kFinch}},
      {"a bootloader arrives again",
       [&] { bootloader = addBootloader(); },
       1,
       {kFinch, kBootloader}},
      {"the board leaves and another comes in its place",
       [&] {
         bed.remove(board);
         bed.addUsbHid(
             {testbed::boardHid(BoardModel::Osprey), 0x0100, "Brisa Osprey", bed.port(board)});
       },
       1,
       {kOsprey, kBootloader}},
      {"the bootloader leaves and another comes in its place",
       [&] {
         testbed::UsbDeviceSpec other;
         other.port = bed.port(bootloader);
         bed.remove(bootloader);
         other.bcdDevice = 0x2201;
         other.product = "DFU in FS Mode";
         bed.addUsbDevice(other);
       },
       1,
       {kOsprey, kOtherBootloader}},
      {"a Bluetooth LE board arrives while there is no bus",
       [&] { bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)}); },
       1,
       {kOsprey, kOtherBootloader}},
      {"a bus comes up, BlueZ not on it",
       [&] { ASSERT_TRUE(bluez.emplace(false).busRunning()); },
       1,
       {kOsprey, kOtherBootloader}},
      {"BlueZ comes up, knowing the board",
       [&] {
         ASSERT_TRUE(bluez->startBluez());
         bluez->addDevice("D1:C2:B3:A4:F5:E6", "Merlin", 87);
       },
       1,
       {kOsprey, kMerlin, kOtherBootloader}},
      {"BlueZ goes away", [&] { bluez.reset(); }, 1, {kOsprey, kMerlin, kOtherBootloader}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    // The monitor's own thread notices the event; the count follows within moments.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (tree.presentDevices().size() != step.count &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(tree.presentDevices().size(), step.count);
    const auto changed = std::chrono::steady_clock::now();
    std::vector<std::string> listed;
    do {
      listed.clear();
      for (const board::ListedDevice& item : board::ListDevices(tree, machine.hid())) {
        listed.push_back(item.entry.path + " " + item.text);
      }
    } while (listed != step.listed &&
             std::chrono::steady_clock::now() - changed < std::chrono::seconds(1));
    EXPECT_EQ(listed, step.listed);
  }
}

// A board plugged in and out again and again: what the tree keeps follows the devices present, not
// the number of plugs, and the number of a board that went names nothing from then on, not even
// the same board back again.
TEST_F(LinuxDeviceTree, WhatTheTreeKeepsDoesNotGrowWithThePlugs) {
  const struct {
    const char* what;
    std::function<testbed::DeviceId()> plug;
  } boards[] = {
      {"a USB board, always in the same port",
       [&] {
         return bed.addUsbHid({testbed::boardHid(BoardModel::Osprey), 0x0100, "Brisa Osprey", 1});
       }},
      {"a USB board, in another port each time",
       [&] { return addBoard(BoardModel::Finch, "Brisa Finch"); }},
      {"a Bluetooth board BlueZ does not answer about",
       [&] { return bed.addBleHid({testbed::boardHid(BoardModel::Merlin, 0x05)}); }},
  };
  const testbed::SystemBusAt noBus("unix:path=/nonexistent/brisa-test-bus");
  constexpr int kPlugs = 12;
  for (const auto& b : boards) {
    SCOPED_TRACE(b.what);
    const auto catalog = std::make_shared<HidrawCatalog>();
    UdevDeviceTree tree(catalog);
    HidrawHid hid(catalog);
    std::optional<std::size_t> keptWhilePresent;
    std::vector<NodeId> seen;
    for (int plug = 0; plug < kPlugs; ++plug) {
      const testbed::DeviceId board = b.plug();
      const auto listed = tree.hidInterfaces();
      ASSERT_EQ(listed.size(), 1u);
      // What a rebuild and the selection after it read of the board.
      const NodeId node = listed[0].node;
      EXPECT_TRUE(tree.property(node, DeviceProperty::DeviceDesc));
      for (auto at = tree.parentOf(node); at; at = tree.parentOf(*at)) tree.instanceId(*at);
      EXPECT_TRUE(hid.openDevice(listed[0].path, HidAccess::QueryOnly).device);
      if (!keptWhilePresent) keptWhilePresent = tree.keptEntries();
      EXPECT_EQ(tree.keptEntries(), *keptWhilePresent) << "plug " << plug;
      EXPECT_EQ(std::count(seen.begin(), seen.end(), node), 0) << "plug " << plug;
      for (const NodeId gone : seen) {
        EXPECT_FALSE(tree.parentOf(gone));
        EXPECT_FALSE(tree.property(gone, DeviceProperty::DeviceDesc));
      }
      seen.push_back(node);
      bed.remove(board);
      EXPECT_TRUE(tree.hidInterfaces().empty());
    }
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
