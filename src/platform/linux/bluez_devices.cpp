#include "platform/linux/bluez_devices.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace brisa::platform {

namespace {

constexpr const char* kDeviceInterface = "org.bluez.Device1";
constexpr const char* kBatteryInterface = "org.bluez.Battery1";
constexpr std::uint8_t kFullPercentage = 100;

enum class Interface { Device, Battery, Other };

Interface interfaceNamed(const char* name) {
  if (std::strcmp(name, kDeviceInterface) == 0) return Interface::Device;
  if (std::strcmp(name, kBatteryInterface) == 0) return Interface::Battery;
  return Interface::Other;
}

bool contentsAre(const char* contents, const char* signature) {
  return contents != nullptr && std::strcmp(contents, signature) == 0;
}

// UUIDs (as): whether HID over GATT is among them. BlueZ writes them in lower case; the test
// takes either.
bool readHidOverGatt(sd_bus_message* m, bool& hidOverGatt) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "as") < 0) return false;
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s") < 0) return false;
  hidOverGatt = false;
  for (;;) {
    const char* uuid = nullptr;
    const int read = sd_bus_message_read(m, "s", &uuid);
    if (read < 0) return false;
    if (read == 0) break;
    hidOverGatt =
        hidOverGatt || (std::strlen(uuid) == kHidOverGattUuid.size() &&
                        strncasecmp(uuid, kHidOverGattUuid.data(), kHidOverGattUuid.size()) == 0);
  }
  return sd_bus_message_exit_container(m) >= 0 && sd_bus_message_exit_container(m) >= 0;
}

// One property's value (v), kept when it is one a device's interface tells.
bool readProperty(sd_bus_message* m, Interface interface, const char* name, BluezDevice& out) {
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(m, &type, &contents) < 0) return false;
  if (interface == Interface::Device && std::strcmp(name, "Address") == 0 &&
      contentsAre(contents, "s")) {
    const char* text = nullptr;
    if (sd_bus_message_read(m, "v", "s", &text) < 0) return false;
    out.address = text;
    return true;
  }
  if (interface == Interface::Device && std::strcmp(name, "UUIDs") == 0 &&
      contentsAre(contents, "as")) {
    return readHidOverGatt(m, out.hidOverGatt);
  }
  if (interface == Interface::Battery && std::strcmp(name, "Percentage") == 0) {
    std::uint8_t level = 0;
    // BlueZ documents a percentage; anything else was not read as one.
    const bool percentage = contentsAre(contents, "y");
    if (percentage && sd_bus_message_read(m, "v", "y", &level) < 0) return false;
    if (!percentage && sd_bus_message_skip(m, "v") < 0) return false;
    out.percentage = percentage && level <= kFullPercentage ? std::optional(level) : std::nullopt;
    return true;
  }
  return sd_bus_message_skip(m, "v") >= 0;
}

// One interface's properties (a{sv}); the message stands at the dictionary.
bool readProperties(sd_bus_message* m, Interface interface, BluezDevice& out) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") < 0) return false;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv");
    if (entered < 0) return false;
    if (entered == 0) break;
    const char* name = nullptr;
    if (sd_bus_message_read(m, "s", &name) < 0) return false;
    if (!readProperty(m, interface, name, out)) return false;
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

}  // namespace

BluezObjects::Object& BluezObjects::at(std::string_view path) {
  const auto found = std::find_if(objects_.begin(), objects_.end(),
                                  [&](const Object& o) { return o.device.objectPath == path; });
  if (found != objects_.end()) return *found;
  Object& added = objects_.emplace_back();
  added.device.objectPath = path;
  return added;
}

// The interfaces of one object (a{sa{sv}}).
bool BluezObjects::readInterfaces(sd_bus_message* m, Object& object) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sa{sv}}") < 0) return false;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}");
    if (entered < 0) return false;
    if (entered == 0) break;
    const char* name = nullptr;
    if (sd_bus_message_read(m, "s", &name) < 0) return false;
    const Interface interface = interfaceNamed(name);
    object.isDevice = object.isDevice || interface == Interface::Device;
    object.device.battery = object.device.battery || interface == Interface::Battery;
    if (!readProperties(m, interface, object.device)) return false;
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

// An object path and its interfaces (oa{sa{sv}}).
bool BluezObjects::readObject(sd_bus_message* m) {
  const char* path = nullptr;
  if (sd_bus_message_read(m, "o", &path) < 0) return false;
  return readInterfaces(m, at(path));
}

bool BluezObjects::readManagedObjects(sd_bus_message* m) {
  objects_.clear();
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}") < 0) return false;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}");
    if (entered < 0) return false;
    if (entered == 0) break;
    if (!readObject(m) || sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

bool BluezObjects::readInterfacesAdded(sd_bus_message* m) {
  return readObject(m);
}

bool BluezObjects::readInterfacesRemoved(sd_bus_message* m) {
  const char* path = nullptr;
  if (sd_bus_message_read(m, "o", &path) < 0) return false;
  const std::string removedFrom(path);
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s") < 0) return false;
  for (;;) {
    const char* name = nullptr;
    const int read = sd_bus_message_read(m, "s", &name);
    if (read < 0) return false;
    if (read == 0) break;
    switch (interfaceNamed(name)) {
      case Interface::Device:
        std::erase_if(objects_,
                      [&](const Object& o) { return o.device.objectPath == removedFrom; });
        break;
      case Interface::Battery: {
        Object& object = at(removedFrom);
        object.device.battery = false;
        object.device.percentage.reset();
        break;
      }
      case Interface::Other:
        break;
    }
  }
  return sd_bus_message_exit_container(m) >= 0;
}

bool BluezObjects::readPropertiesChanged(sd_bus_message* m) {
  const char* path = sd_bus_message_get_path(m);
  const char* name = nullptr;
  if (path == nullptr || sd_bus_message_read(m, "s", &name) < 0) return false;
  const Interface interface = interfaceNamed(name);
  if (interface == Interface::Other) return true;
  Object& object = at(path);
  object.isDevice = object.isDevice || interface == Interface::Device;
  object.device.battery = object.device.battery || interface == Interface::Battery;
  return readProperties(m, interface, object.device);
}

std::vector<BluezDevice> BluezObjects::devices() const {
  std::vector<BluezDevice> out;
  for (const Object& object : objects_) {
    if (object.isDevice && !object.device.address.empty()) out.push_back(object.device);
  }
  return out;
}

}  // namespace brisa::platform
