#include "platform/linux/bluez_battery.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <memory>

namespace brisa::platform {

namespace {

constexpr const char* kService = "org.bluez";
constexpr const char* kDeviceInterface = "org.bluez.Device1";
constexpr const char* kBatteryInterface = "org.bluez.Battery1";
// The window waits on these calls: a BlueZ that does not answer must not hold it for long.
constexpr std::uint64_t kCallTimeoutUs = 2'000'000;

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusPtr = std::unique_ptr<sd_bus, BusUnref>;
using MessagePtr = std::unique_ptr<sd_bus_message, BusUnref>;

BusPtr openSystemBus() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return nullptr;
  BusPtr owned(bus);
  sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
  return owned;
}

// Reads one interface's properties (a{sv}), keeping the Address if it is the device's; the
// message stands at the dictionary.
bool readProperties(sd_bus_message* m, bool device, std::string& address) {
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
    if (device && std::strcmp(name, "Address") == 0 && contents != nullptr &&
        std::strcmp(contents, "s") == 0) {
      if (sd_bus_message_read(m, "v", "s", &text) < 0) return false;
      address = text;
    } else if (sd_bus_message_skip(m, "v") < 0) {
      return false;
    }
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

// One object of GetManagedObjects' answer (oa{sa{sv}}), kept when it publishes a level.
bool readObject(sd_bus_message* m, std::vector<BluezBatteryDevice>& out) {
  const char* path = nullptr;
  if (sd_bus_message_read(m, "o", &path) < 0) return false;
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sa{sv}}") < 0) return false;
  std::string address;
  bool battery = false;
  for (;;) {
    const int entered = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}");
    if (entered < 0) return false;
    if (entered == 0) break;
    const char* interface = nullptr;
    if (sd_bus_message_read(m, "s", &interface) < 0) return false;
    battery = battery || std::strcmp(interface, kBatteryInterface) == 0;
    if (!readProperties(m, std::strcmp(interface, kDeviceInterface) == 0, address)) return false;
    if (sd_bus_message_exit_container(m) < 0) return false;
  }
  if (sd_bus_message_exit_container(m) < 0) return false;
  if (battery && !address.empty()) out.push_back(BluezBatteryDevice{path, address});
  return true;
}

}  // namespace

std::vector<BluezBatteryDevice> bluezBatteryDevices() {
  std::vector<BluezBatteryDevice> devices;
  const BusPtr bus = openSystemBus();
  if (!bus) return devices;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus.get(), kService, "/", "org.freedesktop.DBus.ObjectManager",
                         "GetManagedObjects", nullptr, &reply, "") < 0) {
    return devices;
  }
  const MessagePtr owned(reply);
  if (sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}") < 0) return {};
  for (;;) {
    const int entered = sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}");
    if (entered < 0) return {};
    if (entered == 0) break;
    if (!readObject(reply, devices) || sd_bus_message_exit_container(reply) < 0) return {};
  }
  return devices;
}

std::optional<std::uint8_t> bluezBatteryPercentage(std::string_view objectPath) {
  const BusPtr bus = openSystemBus();
  if (!bus) return std::nullopt;
  const std::string path(objectPath);
  if (!sd_bus_object_path_is_valid(path.c_str())) return std::nullopt;
  std::uint8_t level = 0;
  if (sd_bus_get_property_trivial(bus.get(), kService, path.c_str(), kBatteryInterface,
                                  "Percentage", nullptr, 'y', &level) < 0) {
    return std::nullopt;
  }
  return level;
}

}  // namespace brisa::platform
