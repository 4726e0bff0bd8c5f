// Interface paths keep the form the device list's rules test, and name the same interface
// again after the list has upper-cased them.

#include "platform/linux/hid_interface_path.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/linux/node_registry.h"

namespace brisa::platform {
namespace {

TEST(HidInterfacePath, FormByBusCollectionAndKind) {
  const struct {
    HidPathParts parts;
    const char* path;
  } cases[] = {
      {{HidBus::Usb, 0x1209, 0x0009, "1-4.2:1.0", 0, 1, false}, "hid#vid_1209&pid_0009#1-4.2:1.0"},
      {{HidBus::Usb, 0x1209, 0x0007, "1-3:1.1", 0, 2, true},
       "hid#vid_1209&pid_0007&col01#1-3:1.1\\KBD"},
      {{HidBus::Usb, 0xABCD, 0xEF01, "1-3:1.1", 1, 2, false},
       "hid#vid_abcd&pid_ef01&col02#1-3:1.1"},
      {{HidBus::BluetoothLowEnergy, 0x1209, 0x0001, "D1:C2:B3:A4:F5:E6", 0, 1, false},
       "hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&021209_pid&0001#d1:c2:b3:a4:f5:e6"},
      {{HidBus::BluetoothClassic, 0x046D, 0xB33D, "aa:bb:cc:dd:ee:ff", 0, 1, false},
       "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002046d_pid&b33d#aa:bb:cc:dd:ee:ff"},
      {{HidBus::Other, 0x1209, 0x0009, "0018:1209:0009.0004", 0, 1, false},
       "hid#vid_1209&pid_0009#0018:1209:0009.0004"},
      // A location the device itself chose cannot add separators or a keyboard mark.
      {{HidBus::BluetoothLowEnergy, 0x1209, 0x0001, "x#y\\KBD", 0, 1, false},
       "hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&021209_pid&0001#x_y_kbd"},
  };
  for (const auto& c : cases) EXPECT_EQ(hidInterfacePath(c.parts), c.path);
}

TEST(HidInterfacePath, SamePathIgnoresCaseAndKeyboardMark) {
  const std::string keyboard = "hid#vid_1209&pid_0007&col01#1-3:1.1\\KBD";
  const struct {
    std::string other;
    bool same;
  } cases[] = {
      {keyboard, true},
      {"HID#VID_1209&PID_0007&COL01#1-3:1.1\\KBD", true},
      {"HID#VID_1209&PID_0007&COL01#1-3:1.1", true},
      {"hid#vid_1209&pid_0007&col02#1-3:1.1\\KBD", false},
      {"hid#vid_1209&pid_0007&col01#1-3:1.10\\KBD", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(sameInterfacePath(keyboard, c.other), c.same) << c.other;
}

TEST(NodeRegistry, KeysRoundTripAndNumbersStay) {
  const struct {
    std::string key;
    NodeKind kind;
    std::string syspath;
    std::size_t collection;
    std::string address;
  } cases[] = {
      {sysfsKey("/sys/devices/usb1/1-1"), NodeKind::Sysfs, "/sys/devices/usb1/1-1", 0, ""},
      {collectionKey("/sys/devices/x/0003:1209:0009.0001", 12), NodeKind::Collection,
       "/sys/devices/x/0003:1209:0009.0001", 12, ""},
      {bluetoothKey("D1:C2:B3:A4:F5:E6"), NodeKind::BluetoothDevice, "", 0, "d1:c2:b3:a4:f5:e6"},
      {gattServiceKey("D1:C2:B3:A4:F5:E6"), NodeKind::GattService, "", 0, "d1:c2:b3:a4:f5:e6"},
  };
  NodeRegistry registry;
  std::vector<NodeId> ids;
  for (const auto& c : cases) {
    const auto parsed = parseNodeKey(c.key);
    ASSERT_TRUE(parsed) << c.key;
    EXPECT_EQ(parsed->kind, c.kind);
    EXPECT_EQ(parsed->syspath, c.syspath);
    EXPECT_EQ(parsed->collection, c.collection);
    EXPECT_EQ(parsed->address, c.address);
    ids.push_back(registry.idOf(c.key));
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(registry.idOf(cases[i].key), ids[i]);
    EXPECT_EQ(registry.keyOf(ids[i]), cases[i].key);
  }
  EXPECT_FALSE(registry.keyOf(0));
  EXPECT_FALSE(registry.keyOf(static_cast<NodeId>(ids.size() + 1)));
  // A forgotten key's number names nothing from then on, and is not given to the key again.
  registry.keepOnly([&](const std::string& key) { return key != cases[0].key; });
  EXPECT_FALSE(registry.keyOf(ids[0]));
  EXPECT_EQ(std::count(ids.begin(), ids.end(), registry.idOf(cases[0].key)), 0);
  for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(registry.idOf(cases[i].key), ids[i]);
  for (const char* bad : {"", "collection:", "collection:x:/sys", "collection:1/sys", "usb1"}) {
    EXPECT_FALSE(parseNodeKey(bad)) << bad;
  }
}

}  // namespace
}  // namespace brisa::platform
