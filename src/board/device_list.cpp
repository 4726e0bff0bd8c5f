#include "board/device_list.h"

#include <cctype>

#include "board/board_selection.h"
#include "platform/guid.h"

namespace brisa::board {
namespace {

using platform::DeviceProperty;

constexpr std::string_view kHidOverGattPath = "hid#{00001812-0000-1000-8000-00805f9b34fb}";
constexpr std::string_view kBoardVendorPath = "vid_1209";

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A bus node is one whose class GUID reads and names Bluetooth or USB.
bool IsBusNode(platform::DeviceTree& tree, platform::NodeId node) {
  if (!tree.instanceId(node)) return false;
  const auto text = tree.property(node, DeviceProperty::ClassGuid);
  if (!text) return false;
  const auto guid = platform::parseGuid(*text);
  return guid && (*guid == platform::kBluetoothClassGuid || *guid == platform::kUsbClassGuid);
}

void ListHidInterfaces(platform::DeviceTree& tree, platform::Hid& hid,
                       std::vector<ListedDevice>& list) {
  for (const platform::DeviceInterface& interface : tree.hidInterfaces()) {
    if (!Contains(interface.path, kHidOverGattPath) && !Contains(interface.path, kBoardVendorPath))
      continue;
    DeviceEntry entry{UpperCase(interface.path), interface.node};
    std::string text =
        tree.property(interface.node, DeviceProperty::DeviceDesc).value_or("(Unnamed HID device)");
    text += HidGetBusDescription(tree, entry.devInst);
    text += HidGetProductSuffix(hid, entry.path);
    list.push_back(ListedDevice{std::move(entry), std::move(text)});
  }
}

void ListLibusbKDevices(platform::DeviceTree& tree, std::vector<ListedDevice>& list) {
  for (const platform::PresentDevice& device : tree.presentDevices()) {
    if (device.classGuid != platform::kLibusbKClassGuid) continue;
    const auto ids = tree.hardwareIds(device.node);
    if (!ids || ids->empty()) continue;
    list.push_back(ListedDevice{
        DeviceEntry{ids->front(), device.node},
        tree.property(device.node, DeviceProperty::DeviceDesc).value_or("(Unnamed DFU device)")});
  }
}

}  // namespace

std::vector<ListedDevice> ListDevices(platform::DeviceTree& tree, platform::Hid& hid) {
  std::vector<ListedDevice> list;
  ListHidInterfaces(tree, hid, list);
  ListLibusbKDevices(tree, list);
  return list;
}

std::string HidGetBusDescription(platform::DeviceTree& tree, platform::NodeId devInst) {
  for (auto node = tree.parentOf(devInst); node; node = tree.parentOf(*node)) {
    if (!IsBusNode(tree, *node)) continue;
    std::string text = " (";
    if (const auto friendly = tree.property(*node, DeviceProperty::FriendlyName)) {
      text += *friendly + " - ";
    }
    text += tree.property(*node, DeviceProperty::Class).value_or("");
    return text + ")";
  }
  return {};
}

std::string HidGetProductSuffix(platform::Hid& hid, std::string path) {
  auto device = hid.open(path, platform::HidAccess::QueryOnly);
  if (!device) device = hid.open(WithoutKeyboardCollection(path), platform::HidAccess::QueryOnly);
  if (!device) return {};
  const auto product = device->productString();
  return product ? " (" + *product + ")" : std::string();
}

std::uint8_t CountDfuDevices(platform::DeviceTree& tree) {
  std::uint8_t count = 0;
  for (const platform::PresentDevice& device : tree.presentDevices()) {
    if (device.classGuid == platform::kLibusbKClassGuid) ++count;
  }
  return count;
}

int ReselectIndex(const std::vector<DeviceEntry>& entries, const std::string& remembered) {
  if (entries.empty()) return -1;
  if (!remembered.empty()) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].path == remembered) return static_cast<int>(i);
    }
  }
  return 0;
}

}  // namespace brisa::board
