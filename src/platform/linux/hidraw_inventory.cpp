#include "platform/linux/hidraw_inventory.h"

#include <cstring>

namespace brisa::platform {

namespace {

constexpr std::uint32_t kBusUsb = 0x03;
constexpr std::uint32_t kBusBluetooth = 0x05;

// HID_ID is "bus:vendor:product" in hex, e.g. "0003:00001209:00000009".
struct HidId {
  std::uint32_t bus = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

std::optional<HidId> parseHidId(std::string_view text) {
  const std::size_t first = text.find(':');
  const std::size_t second = text.find(':', first == std::string_view::npos ? first : first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return std::nullopt;
  const auto bus = parseHex(text.substr(0, first));
  const auto vendor = parseHex(text.substr(first + 1, second - first - 1));
  const auto product = parseHex(text.substr(second + 1));
  if (!bus || !vendor || !product) return std::nullopt;
  return HidId{*bus, static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

bool isUhid(udev_device* device) {
  const char* name = device != nullptr ? udev_device_get_sysname(device) : nullptr;
  const char* subsystem = device != nullptr ? udev_device_get_subsystem(device) : nullptr;
  return name != nullptr && subsystem != nullptr && std::strcmp(name, "uhid") == 0 &&
         std::strcmp(subsystem, "misc") == 0;
}

udev_device* usbDeviceAbove(udev_device* device) {
  return udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
}

// Where the device is attached, stable while it stays there.
std::string locationOf(udev_device* hid, HidBus bus, const std::string& uniq) {
  if (bus == HidBus::Usb) {
    udev_device* parent = udev_device_get_parent(hid);
    if (parent != nullptr && textOr(udev_device_get_devtype(parent)) == "usb_interface") {
      return textOr(udev_device_get_sysname(parent));
    }
  }
  if ((bus == HidBus::BluetoothLowEnergy || bus == HidBus::BluetoothClassic) && !uniq.empty()) {
    return uniq;
  }
  return textOr(udev_device_get_sysname(hid));
}

// The device's release number: bcdDevice on USB, else what the kernel gave its input device.
std::uint16_t versionOf(udev* context, udev_device* hid, HidBus bus) {
  if (bus == HidBus::Usb) {
    if (udev_device* usb = usbDeviceAbove(hid)) {
      if (const auto bcd = attributeOf(usb, "bcdDevice")) {
        if (const auto value = parseHex(*bcd)) return static_cast<std::uint16_t>(*value);
      }
    }
  }
  for (const UdevDevicePtr& input : devicesOf(context, "input", nullptr, hid)) {
    if (const auto version = attributeOf(input.get(), "id/version")) {
      if (const auto value = parseHex(*version)) return static_cast<std::uint16_t>(*value);
    }
  }
  return 0;
}

std::optional<std::string> productOf(udev_device* hid, HidBus bus, const std::string& name) {
  if (bus == HidBus::Usb) {
    if (udev_device* usb = usbDeviceAbove(hid)) {
      if (auto product = attributeOf(usb, "product")) return product;
    }
  }
  if (name.empty()) return std::nullopt;
  return name;
}

std::optional<HidrawMatch> matchIn(HidrawNode node, std::string_view path) {
  for (std::size_t i = 0; i < node.collections.size(); ++i) {
    if (sameInterfacePath(node.collections[i].path, path)) return HidrawMatch{std::move(node), i};
  }
  return std::nullopt;
}

}  // namespace

std::optional<UhidBluetoothDevice> uhidBluetoothOf(udev_device* hid) {
  const auto id = parseHidId(textOr(udev_device_get_property_value(hid, "HID_ID")));
  if (!id || id->bus != kBusBluetooth || !isUhid(udev_device_get_parent(hid))) return std::nullopt;
  return UhidBluetoothDevice{textOr(udev_device_get_syspath(hid)),
                             textOr(udev_device_get_property_value(hid, "HID_UNIQ"))};
}

std::optional<HidBusReading> hidBusOf(udev_device* hid, HidrawCatalog& catalog) {
  const auto id = parseHidId(textOr(udev_device_get_property_value(hid, "HID_ID")));
  if (!id) return std::nullopt;
  if (id->bus == kBusUsb) return HidBusReading{HidBus::Usb};
  if (id->bus != kBusBluetooth) return HidBusReading{HidBus::Other};
  const auto uhid = uhidBluetoothOf(hid);
  if (!uhid) return HidBusReading{HidBus::BluetoothClassic};
  const auto lowEnergy = catalog.lowEnergy(*uhid);
  return HidBusReading{
      lowEnergy.value_or(false) ? HidBus::BluetoothLowEnergy : HidBus::BluetoothClassic,
      lowEnergy.has_value()};
}

namespace {

std::optional<HidrawNode> readHidraw(udev* context, udev_device* hidraw, HidrawCatalog& catalog) {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
  if (hid == nullptr) return std::nullopt;
  const auto id = parseHidId(textOr(udev_device_get_property_value(hid, "HID_ID")));
  const auto bus = hidBusOf(hid, catalog);
  if (!id || !bus) return std::nullopt;

  HidrawNode node;
  node.syspath = textOr(udev_device_get_syspath(hidraw));
  node.devnode = textOr(udev_device_get_devnode(hidraw));
  node.hidSyspath = textOr(udev_device_get_syspath(hid));
  node.bus = bus->bus;
  node.busSettled = bus->settled;
  node.vendorId = id->vendorId;
  node.productId = id->productId;
  node.uniq = textOr(udev_device_get_property_value(hid, "HID_UNIQ"));
  node.name = textOr(udev_device_get_property_value(hid, "HID_NAME"));
  node.versionNumber = versionOf(context, hid, node.bus);
  node.productString = productOf(hid, node.bus, node.name);

  std::vector<HidCollectionInfo> collections;
  if (const auto descriptor = readSysfsFile(node.hidSyspath + "/report_descriptor")) {
    collections = parseReportDescriptor(*descriptor);
  }
  if (collections.empty()) collections.emplace_back();
  HidPathParts parts{
      node.bus, node.vendorId,      node.productId, locationOf(hid, node.bus, node.uniq),
      0,        collections.size(), false};
  for (std::size_t i = 0; i < collections.size(); ++i) {
    parts.collection = i;
    parts.keyboard = collections[i].isKeyboard();
    node.collections.push_back(HidrawCollection{collections[i], hidInterfacePath(parts)});
  }
  return node;
}

}  // namespace

std::optional<HidrawNode> describeHidraw(udev* context, const std::string& syspath,
                                         HidrawCatalog& catalog) {
  using Read = DeviceMemo<HidrawNode>::Read;
  auto node = catalog.descriptions().get(syspath, [&]() -> std::optional<Read> {
    const UdevDevicePtr hidraw = deviceAt(context, syspath);
    auto read = hidraw ? readHidraw(context, hidraw.get(), catalog) : std::nullopt;
    if (!read) return std::nullopt;
    const bool settled = read->busSettled;
    return Read{std::move(*read), syspath, settled};
  });
  if (node) {
    for (const HidrawCollection& c : node->collections) catalog.remember(c.path, node->syspath);
  }
  return node;
}

std::vector<HidrawNode> listHidraw(udev* context, HidrawCatalog& catalog) {
  const std::vector<std::string> syspaths = classMembers("hidraw");
  std::vector<HidrawNode> nodes;
  std::vector<std::string> hidSyspaths;
  std::vector<std::pair<std::string, std::string>> paths;
  for (const std::string& syspath : syspaths) {
    auto node = describeHidraw(context, syspath, catalog);
    if (!node) continue;
    hidSyspaths.push_back(node->hidSyspath);
    for (const HidrawCollection& c : node->collections) paths.emplace_back(c.path, node->syspath);
    nodes.push_back(std::move(*node));
  }
  catalog.keepOnly(hidSyspaths);
  catalog.rememberOnly(paths);
  return nodes;
}

std::optional<HidrawMatch> findHidraw(udev* context, std::string_view path,
                                      HidrawCatalog& catalog) {
  // The node the path named when last seen, if it still carries that path.
  if (const auto syspath = catalog.hidrawOf(path)) {
    if (auto node = describeHidraw(context, *syspath, catalog)) {
      if (auto match = matchIn(std::move(*node), path)) return match;
    }
  }
  for (HidrawNode& node : listHidraw(context, catalog)) {
    if (auto match = matchIn(std::move(node), path)) return match;
  }
  return std::nullopt;
}

}  // namespace brisa::platform
