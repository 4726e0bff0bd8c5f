// Which devices the selector lists, with which texts and paths, on simulated machines.

#include "board/device_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/scenario.h"

namespace brisa::board {
namespace {

using platform::sim::BoardModel;
using platform::sim::Machine;
using platform::sim::NodeSpec;
using platform::sim::Scenario;

std::vector<std::string> Texts(const std::vector<ListedDevice>& list) {
  std::vector<std::string> texts;
  for (const ListedDevice& item : list) texts.push_back(item.text);
  return texts;
}

std::vector<ListedDevice> List(Machine& machine) {
  return ListDevices(machine.deviceTree(), machine.hid());
}

TEST(DeviceList, ListsTheBoardsThenTheBootloaderWithBusAndProduct) {
  auto machine = platform::sim::namedScenario("demo")->build();
  const std::vector<ListedDevice> list = List(*machine);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{
                             "HID-compliant game controller (USB) (Brisa Osprey)",
                             "HID-compliant game controller (Merlin - Bluetooth) (Merlin)",
                             "HID Keyboard Device (USB) (Brisa Keyboard)",
                             "STM32  BOOTLOADER",
                         }));
  ASSERT_EQ(list.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) {
    std::string upper = machine->hidPathsOf(i).at(0);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(list[i].entry.path, upper);
    EXPECT_EQ(list[i].entry.devInst, machine->hidNodesOf(i).at(0));
  }
  EXPECT_EQ(list[3].entry.path, "USB\\VID_0483&PID_DF11&REV_2200");
  EXPECT_EQ(list[3].entry.devInst, machine->nodesOf(3).at(0));
}

TEST(DeviceList, TextsFallBackPieceByPiece) {
  const std::string tooLong(126, 'x');
  const struct {
    const char* name;
    std::function<void(Machine&)> fault;
    std::vector<std::string> texts;
  } cases[] = {
      {"an over-long description",
       [&](Machine& m) {
         m.editNode(m.hidNodesOf(0).at(0), [&](NodeSpec& n) { n.description = tooLong; });
         m.editNode(m.nodesOf(1).at(0), [&](NodeSpec& n) { n.description = tooLong; });
       },
       {"(Unnamed HID device) (USB) (Brisa Kestrel)", "(Unnamed DFU device)"}},
      {"no product string",
       [](Machine& m) { m.editHid(0, 0, [](auto& f) { f.productString.reset(); }); },
       {"HID-compliant game controller (USB)", "STM32  BOOTLOADER"}},
      {"a bus node with a friendly name",
       [](Machine& m) {
         m.editNode(m.usbRootHub(), [](NodeSpec& n) { n.friendlyName = "Front port"; });
       },
       {"HID-compliant game controller (Front port - USB) (Brisa Kestrel)", "STM32  BOOTLOADER"}},
      {"no readable bus ancestor",
       [](Machine& m) {
         for (const auto node : {m.usbRootHub(), m.usbHostController(), m.nodesOf(0).at(0)}) {
           m.editNode(node, [](NodeSpec& n) { n.classGuidReadable = false; });
         }
       },
       {"HID-compliant game controller (Brisa Kestrel)", "STM32  BOOTLOADER"}},
      {"bootloader hardware ids that do not read",
       [](Machine& m) {
         m.editNode(m.nodesOf(1).at(0), [](NodeSpec& n) { n.hardwareIds.reset(); });
       },
       {"HID-compliant game controller (USB) (Brisa Kestrel)"}},
      {"no HID interfaces listed",
       [](Machine& m) { m.failHidEnumeration(true); },
       {"STM32  BOOTLOADER"}},
      {"no devices listed",
       [](Machine& m) { m.failDeviceEnumeration(true); },
       {"HID-compliant game controller (USB) (Brisa Kestrel)"}},
  };
  for (const auto& c : cases) {
    auto machine = Scenario().usbBoard(BoardModel::Kestrel).bootloader().build();
    c.fault(*machine);
    EXPECT_EQ(Texts(List(*machine)), c.texts) << c.name;
  }
}

TEST(DeviceList, KeepsOnlyLowerCaseBoardVendorOrHidOverGattPaths) {
  const struct {
    const char* path;
    bool listed;
  } cases[] = {
      {"\\\\?\\hid#vid_1209&pid_0009#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", true},
      {"\\\\?\\HID#VID_1209&PID_0009#7&1&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}", false},
      {"\\\\?\\hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&021209#9&1#{x}", true},
      {"\\\\?\\hid#{00001812-0000-1000-8000-00805f9b34fb}_vid_1209#9&1#{x}", true},
      {"\\\\?\\hid#vid_046d&pid_c077#7&1&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}", false},
  };
  for (const auto& c : cases) {
    auto machine = Scenario().usbBoard(BoardModel::Kestrel).build();
    machine->editHid(0, 0, [&](auto& f) { f.path = c.path; });
    EXPECT_EQ(List(*machine).size(), c.listed ? 1u : 0u) << c.path;
  }
}

TEST(DeviceList, AKeyboardCollectionGetsItsProductThroughThePathWithoutKbd) {
  platform::sim::KeyboardSpec spec;
  spec.queryOpensOnlyWithoutKbd = true;
  auto machine = Scenario().keyboardInterface(spec).build();
  const auto list = List(*machine);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].text, "HID Keyboard Device (USB) (Brisa Keyboard)");
  EXPECT_TRUE(list[0].entry.path.ends_with("\\KBD"));
}

TEST(DeviceList, EveryLibusbKDeviceIsListedAndCounted) {
  auto machine =
      Scenario().bootloader().bootloader().libusbKDevice().usbBoard(BoardModel::Osprey).build();
  EXPECT_EQ(Texts(List(*machine)),
            (std::vector<std::string>{"HID-compliant game controller (USB) (Brisa Osprey)",
                                      "STM32  BOOTLOADER", "STM32  BOOTLOADER",
                                      "In-Circuit Debug Interface"}));
  EXPECT_EQ(CountDfuDevices(machine->deviceTree()), 3);
  // Left out of the list, still counted.
  machine->editNode(machine->nodesOf(2).at(0), [](NodeSpec& n) { n.hardwareIds.reset(); });
  EXPECT_EQ(List(*machine).size(), 3u);
  EXPECT_EQ(CountDfuDevices(machine->deviceTree()), 3);
  machine->unplug(0);
  EXPECT_EQ(CountDfuDevices(machine->deviceTree()), 2);
  machine->failDeviceEnumeration(true);
  EXPECT_EQ(CountDfuDevices(machine->deviceTree()), 0);
}

TEST(DeviceList, ReselectsTheFirstEntryWithTheRememberedPath) {
  const std::vector<DeviceEntry> entries{{"A", 1}, {"B", 2}, {"B", 3}};
  const struct {
    std::vector<DeviceEntry> entries;
    std::string remembered;
    int index;
  } cases[] = {
      {entries, "B", 1}, {entries, "C", 0}, {entries, "", 0}, {entries, "b", 0}, {{}, "A", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReselectIndex(c.entries, c.remembered), c.index) << c.remembered;
  }
}

}  // namespace
}  // namespace brisa::board
