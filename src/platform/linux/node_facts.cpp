#include "platform/linux/node_facts.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/linux/hidraw_inventory.h"

namespace brisa::platform {

namespace {

std::string format(const char* fmt, auto... args) {
  char text[128];
  std::snprintf(text, sizeof text, fmt, args...);
  return text;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::optional<std::string> nonEmpty(std::optional<std::string> text) {
  if (text && text->empty()) return std::nullopt;
  return text;
}

// What a HID stack calls a top-level collection by its usage.
const char* collectionDescription(const HidCollectionInfo& c) {
  if (c.usagePage >= 0xFF00) return "HID-compliant vendor-defined device";
  if (c.usagePage == 0x0C && c.usage == 0x01) return "HID-compliant consumer control device";
  if (c.usagePage != 0x01) return "HID-compliant device";
  switch (c.usage) {
    case 0x02:
      return "HID-compliant mouse";
    case 0x04:
    case 0x05:
      return "HID-compliant game controller";
    case 0x06:
    case 0x07:
      return "HID Keyboard Device";
    case 0x80:
      return "HID-compliant system controller";
    default:
      return "HID-compliant device";
  }
}

// The hidraw node below a HID device, described.
std::optional<HidrawNode> hidrawBelow(udev* context, const std::string& hidSyspath,
                                      HidrawCatalog& catalog) {
  for (const std::string& syspath : classMembers("hidraw")) {
    if (!isBelow(syspath, hidSyspath)) continue;
    if (auto node = describeHidraw(context, syspath, catalog)) return node;
  }
  return std::nullopt;
}

std::optional<NodeFacts> sysfsFacts(udev* context, const std::string& syspath,
                                    HidrawCatalog& catalog) {
  const UdevDevicePtr device = deviceAt(context, syspath);
  if (!device) return std::nullopt;
  udev_device* d = device.get();
  const std::string subsystem = textOr(udev_device_get_subsystem(d));
  const std::string devtype = textOr(udev_device_get_devtype(d));
  NodeFacts facts;
  facts.syspath = syspath;
  facts.instanceId = textOr(udev_device_get_devpath(d));
  if (udev_device* parent = udev_device_get_parent(d)) {
    facts.parentKey = sysfsKey(textOr(udev_device_get_syspath(parent)));
  }
  facts.classGuid = kSystemClassGuid;
  facts.className = "System";
  facts.description = propertyOf(d, "ID_MODEL_FROM_DATABASE");

  if (subsystem == "usb" && devtype == "usb_device") {
    facts.usbDevice = true;
    facts.classGuid = kUsbClassGuid;
    facts.className = "USB";
    if (auto product = nonEmpty(attributeOf(d, "product"))) facts.description = product;
    const auto vid = parseHex(textOr(udev_device_get_sysattr_value(d, "idVendor")));
    const auto pid = parseHex(textOr(udev_device_get_sysattr_value(d, "idProduct")));
    const auto rev = parseHex(textOr(udev_device_get_sysattr_value(d, "bcdDevice")));
    if (vid && pid) {
      const std::string base = format("USB\\VID_%04X&PID_%04X", *vid, *pid);
      facts.hardwareIds.emplace();
      if (rev) facts.hardwareIds->push_back(base + format("&REV_%04X", *rev));
      facts.hardwareIds->push_back(base);
    }
  } else if (subsystem == "usb") {
    facts.classGuid = kUsbClassGuid;
    facts.className = "USB";
    facts.description = nonEmpty(attributeOf(d, "interface"));
  } else if (subsystem == "hid") {
    facts.classGuid = kHidClassGuid;
    facts.className = "HIDClass";
    facts.description = nonEmpty(propertyOf(d, "HID_NAME"));
    // BlueZ creates a Bluetooth LE device's HID device apart from any Bluetooth node; the
    // device it belongs to is the one its unique id (the address) names.
    const std::string uniq = textOr(udev_device_get_property_value(d, "HID_UNIQ"));
    const auto bus = hidBusOf(d, catalog);
    if (bus && bus->bus == HidBus::BluetoothLowEnergy && !uniq.empty()) {
      facts.parentKey = bluetoothKey(uniq);
    }
    facts.settled = !bus || bus->settled;
  } else if (subsystem == "bluetooth") {
    facts.classGuid = kBluetoothClassGuid;
    facts.className = "Bluetooth";
  }
  return facts;
}

std::optional<NodeFacts> collectionFacts(udev* context, const NodeKey& key,
                                         HidrawCatalog& catalog) {
  const UdevDevicePtr hid = deviceAt(context, key.syspath);
  if (!hid) return std::nullopt;
  const auto node = hidrawBelow(context, key.syspath, catalog);
  if (!node || key.collection >= node->collections.size()) return std::nullopt;
  const HidCollectionInfo& info = node->collections[key.collection].info;
  NodeFacts facts;
  facts.syspath = key.syspath;
  facts.parentKey = sysfsKey(key.syspath);
  std::string ids =
      format("HID\\VID_%04X&PID_%04X", unsigned{node->vendorId}, unsigned{node->productId});
  if (node->collections.size() > 1) ids += format("&COL%02zu", key.collection + 1);
  facts.instanceId = ids + "\\" + upper(textOr(udev_device_get_sysname(hid.get())));
  facts.hardwareIds =
      std::vector<std::string>{ids + format("&REV_%04X", unsigned{node->versionNumber}), ids};
  facts.classGuid = info.isKeyboard()                              ? kKeyboardClassGuid
                    : info.usagePage == 0x01 && info.usage == 0x02 ? kMouseClassGuid
                                                                   : kHidClassGuid;
  facts.className = info.isKeyboard()                              ? "Keyboard"
                    : info.usagePage == 0x01 && info.usage == 0x02 ? "Mouse"
                                                                   : "HIDClass";
  facts.description = collectionDescription(info);
  return facts;
}

std::string addressDigits(const std::string& address) {
  std::string digits;
  for (char c : address) {
    if (c != ':') digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return digits;
}

// A Bluetooth LE device is there while BlueZ keeps a HID device for it.
std::optional<NodeFacts> bluetoothFacts(udev* context, const NodeKey& key, HidrawCatalog& catalog) {
  UdevDevicePtr hid;
  for (UdevDevicePtr& each : devicesOf(context, "hid")) {
    const auto device = uhidBluetoothOf(each.get());
    if (device && bluetoothKey(device->address) == bluetoothKey(key.address) &&
        catalog.lowEnergy(*device).value_or(false)) {
      hid = std::move(each);
      break;
    }
  }
  if (!hid) return std::nullopt;
  NodeFacts facts;
  facts.syspath = textOr(udev_device_get_syspath(hid.get()));
  facts.instanceId = "BTHLE\\DEV_" + addressDigits(key.address);
  facts.hardwareIds = std::vector<std::string>{facts.instanceId};
  facts.classGuid = kBluetoothClassGuid;
  facts.className = "Bluetooth";
  facts.description = nonEmpty(propertyOf(hid.get(), "HID_NAME"));
  facts.friendlyName = facts.description;
  return facts;
}

NodeFacts gattServiceFacts(const NodeKey& key) {
  NodeFacts facts;
  facts.parentKey = bluetoothKey(key.address);
  facts.instanceId =
      "BTHLEDEVICE\\{0000180F-0000-1000-8000-00805F9B34FB}_" + addressDigits(key.address);
  facts.classGuid = kBluetoothClassGuid;
  facts.className = "Bluetooth";
  facts.description = "Bluetooth LE Generic Attribute Service";
  return facts;
}

}  // namespace

std::optional<NodeFacts> factsOf(udev* context, const NodeKey& key, HidrawCatalog& catalog) {
  switch (key.kind) {
    case NodeKind::Sysfs:
      return sysfsFacts(context, key.syspath, catalog);
    case NodeKind::Collection:
      return collectionFacts(context, key, catalog);
    case NodeKind::BluetoothDevice:
      return bluetoothFacts(context, key, catalog);
    case NodeKind::GattService:
      return gattServiceFacts(key);
  }
  return std::nullopt;
}

void standInForLibusbK(NodeFacts& facts) {
  facts.classGuid = kLibusbKClassGuid;
  facts.className = "libusbK USB Devices";
}

}  // namespace brisa::platform
