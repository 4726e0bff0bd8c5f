#include "platform/linux/bluez_gatt.h"

#include <cerrno>
#include <memory>

namespace brisa::platform {

namespace {

constexpr std::string_view kPrefix = "bluez:";
constexpr std::string_view kBatterySuffix = "#{0000180f-0000-1000-8000-00805f9b34fb}";

// The attribute handles BlueZ's layout of the service gets.
constexpr std::uint16_t kServiceHandle = 1;
constexpr std::uint16_t kLevelHandle = 2;
constexpr std::uint16_t kConfigurationHandle = 3;

class BluezBatteryService final : public GattService {
 public:
  BluezBatteryService(std::shared_ptr<BluezRecord> bluez, std::string objectPath)
      : bluez_(std::move(bluez)), objectPath_(std::move(objectPath)) {}

  std::optional<std::vector<GattServiceRecord>> services() override {
    return std::vector<GattServiceRecord>{
        {GattUuid::shortForm(kBatteryServiceShortUuid), kServiceHandle}};
  }
  std::optional<std::vector<GattCharacteristicRecord>> characteristics(
      const GattServiceRecord& service) override {
    if (service.attributeHandle != kServiceHandle) return std::nullopt;
    return std::vector<GattCharacteristicRecord>{
        {kServiceHandle, GattUuid::shortForm(kBatteryLevelShortUuid), kLevelHandle, true, true}};
  }
  std::optional<std::vector<GattDescriptorRecord>> descriptors(
      const GattCharacteristicRecord& characteristic) override {
    if (characteristic.attributeHandle != kLevelHandle) return std::nullopt;
    return std::vector<GattDescriptorRecord>{{kServiceHandle, kLevelHandle,
                                              GattDescriptorType::ClientCharacteristicConfiguration,
                                              kConfigurationHandle}};
  }
  // BlueZ has subscribed already; there is nothing left to write.
  bool writeDescriptor(const GattDescriptorRecord& descriptor,
                       const GattDescriptorValue&) override {
    return descriptor.attributeHandle == kConfigurationHandle;
  }
  std::optional<std::vector<std::uint8_t>> readValue(
      const GattCharacteristicRecord& characteristic) override {
    if (characteristic.attributeHandle != kLevelHandle) return std::nullopt;
    const auto known = bluez_->devices();
    if (!known) return std::nullopt;
    for (const BluezDevice& device : *known) {
      if (device.objectPath != objectPath_ || !device.percentage) continue;
      return std::vector<std::uint8_t>{*device.percentage};
    }
    return std::nullopt;
  }

 private:
  const std::shared_ptr<BluezRecord> bluez_;
  const std::string objectPath_;
};

}  // namespace

std::string bluezBatteryServicePath(std::string_view deviceObjectPath) {
  return std::string(kPrefix) + std::string(deviceObjectPath) + std::string(kBatterySuffix);
}

BluezGatt::BluezGatt(std::shared_ptr<BluezRecord> bluez) : bluez_(std::move(bluez)) {}

GattOpenResult BluezGatt::openService(std::string_view path) {
  if (!path.starts_with(kPrefix) || !path.ends_with(kBatterySuffix) ||
      path.size() == kPrefix.size() + kBatterySuffix.size()) {
    return GattOpenResult{nullptr, static_cast<std::uint32_t>(ENOENT)};
  }
  std::string objectPath(
      path.substr(kPrefix.size(), path.size() - kPrefix.size() - kBatterySuffix.size()));
  return GattOpenResult{std::make_unique<BluezBatteryService>(bluez_, std::move(objectPath)), 0};
}

}  // namespace brisa::platform
