#include "board/battery_level.h"

#include <cstdio>

namespace brisa::board {
namespace {

// Descriptors at these handles and above are left alone.
constexpr std::uint16_t kFirstUnsubscribedHandle = 255;

bool IsBatteryLevel(const platform::GattCharacteristicRecord& characteristic) {
  return characteristic.uuid.isShortUuid &&
         characteristic.uuid.shortUuid == platform::kBatteryLevelShortUuid &&
         characteristic.isReadable;
}

// False when a call failed: the characteristic's walk ends there.
bool SubscribeDescriptors(platform::GattService& service,
                          const platform::GattCharacteristicRecord& characteristic) {
  const auto descriptors = service.descriptors(characteristic);
  if (!descriptors) return false;
  const platform::GattDescriptorValue subscribe{
      platform::GattDescriptorType::ClientCharacteristicConfiguration, true, false};
  for (const platform::GattDescriptorRecord& descriptor : *descriptors) {
    if (descriptor.attributeHandle >= kFirstUnsubscribedHandle) continue;
    if (!service.writeDescriptor(descriptor, subscribe)) return false;
  }
  return true;
}

std::optional<std::string> WalkBatteryService(platform::GattService& service) {
  const auto services = service.services();
  if (!services || services->empty()) return std::nullopt;
  const auto characteristics = service.characteristics(services->front());
  if (!characteristics) return std::nullopt;
  std::optional<std::string> level;
  for (const platform::GattCharacteristicRecord& characteristic : *characteristics) {
    if (!SubscribeDescriptors(service, characteristic) || !IsBatteryLevel(characteristic)) {
      continue;
    }
    const auto value = service.readValue(characteristic);
    // An empty value carries no level: the text stays as it was.
    if (!value || value->empty()) continue;
    char text[8];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value->front()));
    level = text;
  }
  return level;
}

}  // namespace

GattServiceOpening BleOpenGattService(platform::DeviceTree& tree, platform::Gatt& gatt,
                                      const platform::Guid& serviceId, platform::NodeId devInst) {
  for (const platform::DeviceInterface& interface : tree.gattServiceInterfaces(serviceId)) {
    const auto serviceParent = tree.parentOf(interface.node);
    const auto hidParent = tree.parentOf(devInst);
    if (!serviceParent || !hidParent) continue;
    for (auto ancestor = hidParent; ancestor; ancestor = tree.parentOf(*ancestor)) {
      if (*ancestor != *serviceParent) continue;
      platform::GattOpenResult opened = gatt.openService(interface.path);
      GattServiceOpening result{std::move(opened.service), std::nullopt};
      if (!result.service) result.openError = opened.error;
      return result;
    }
  }
  return {};
}

BatteryReading BleReadBatteryLevel(BoardState& state, platform::DeviceTree& tree,
                                   platform::Gatt& gatt, platform::NodeId devInst) {
  state.hBatteryService.reset();
  GattServiceOpening opening = BleOpenGattService(
      tree, gatt, platform::Guid::fromShortUuid(platform::kBatteryServiceShortUuid), devInst);
  state.hBatteryService = std::move(opening.service);
  BatteryReading reading;
  reading.openError = opening.openError;
  if (state.hBatteryService) reading.level = WalkBatteryService(*state.hBatteryService);
  return reading;
}

}  // namespace brisa::board
