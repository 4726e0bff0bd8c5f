#include "platform/linux/bluez_devices.h"

#include <strings.h>

#include <cstring>

namespace brisa::platform {

namespace {

constexpr const char* kDeviceInterface = "org.bluez.Device1";
constexpr const char* kBatteryInterface = "org.bluez.Battery1";
constexpr std::uint8_t kFullPercentage = 100;

bool contentsAre(const char* contents, const char* signature) {
  return contents != nullptr && std::strcmp(contents, signature) == 0;
}

// UUIDs (as): whether HID over GATT is among them. BlueZ writes them in lower case; the test
// takes either.
bool readHidOverGatt(sd_bus_message* m, bool& hidOverGatt) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "as") < 0) return false;
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s") < 0) return false;
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

// One interface's properties (a{sv}), keeping what a device's tell; the message stands at the
// dictionary.
bool readProperties(sd_bus_message* m, bool device, BluezDevice& out) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") < 0) return false;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv");
    if (entered < 0) return false;
    if (entered == 0) break;
    const char* name = nullptr;
    if (sd_bus_message_read(m, "s", &name) < 0) return false;
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(m, &type, &contents) < 0) return false;
    const char* text = nullptr;
    if (device && std::strcmp(name, "Address") == 0 && contentsAre(contents, "s")) {
      if (sd_bus_message_read(m, "v", "s", &text) < 0) return false;
      out.address = text;
    } else if (device && std::strcmp(name, "UUIDs") == 0 && contentsAre(contents, "as")) {
      if (!readHidOverGatt(m, out.hidOverGatt)) return false;
    } else if (sd_bus_message_skip(m, "v") < 0) {
      return false;
    }
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

// One object of GetManagedObjects' answer (oa{sa{sv}}), kept when it is a device.
bool readObject(sd_bus_message* m, std::vector<BluezDevice>& out) {
  const char* path = nullptr;
  if (sd_bus_message_read(m, "o", &path) < 0) return false;
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sa{sv}}") < 0) return false;
  BluezDevice device;
  device.objectPath = path;
  bool isDevice = false;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}");
    if (entered < 0) return false;
    if (entered == 0) break;
    const char* interface = nullptr;
    if (sd_bus_message_read(m, "s", &interface) < 0) return false;
    const bool deviceInterface = std::strcmp(interface, kDeviceInterface) == 0;
    isDevice = isDevice || deviceInterface;
    device.battery = device.battery || std::strcmp(interface, kBatteryInterface) == 0;
    if (!readProperties(m, deviceInterface, device)) return false;
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  if (sd_bus_message_exit_container(m) < 0) return false;
  if (isDevice && !device.address.empty()) out.push_back(std::move(device));
  return true;
}

}  // namespace

std::optional<std::vector<BluezDevice>> bluezDevices(BluezBus& bus) {
  const BusMessagePtr reply =
      bus.call("/", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects", nullptr);
  if (!reply) return std::nullopt;
  sd_bus_message* m = reply.get();
  std::vector<BluezDevice> devices;
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}") < 0) return std::nullopt;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}");
    if (entered < 0) return std::nullopt;
    if (entered == 0) break;
    if (!readObject(m, devices) || sd_bus_message_exit_container(m) < 0) return std::nullopt;
  }
  return devices;
}

std::vector<BluezDevice> bluezBatteryDevices(BluezBus& bus) {
  std::vector<BluezDevice> devices;
  for (BluezDevice& device : bluezDevices(bus).value_or(std::vector<BluezDevice>{})) {
    if (device.battery) devices.push_back(std::move(device));
  }
  return devices;
}

std::optional<std::uint8_t> bluezBatteryPercentage(BluezBus& bus, std::string_view objectPath) {
  const std::string path(objectPath);
  if (!sd_bus_object_path_is_valid(path.c_str())) return std::nullopt;
  const BusMessagePtr reply = bus.call(path.c_str(), "org.freedesktop.DBus.Properties", "Get", "ss",
                                       kBatteryInterface, "Percentage");
  std::uint8_t level = 0;
  if (!reply || sd_bus_message_read(reply.get(), "v", "y", &level) < 0) return std::nullopt;
  // BlueZ documents a percentage; anything above it was not read as one.
  if (level > kFullPercentage) return std::nullopt;
  return level;
}

}  // namespace brisa::platform
