#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/guid.h"

namespace brisa::platform {

// A GATT UUID as declared by the device: the 16-bit short form, or a full 128-bit one (which
// never counts as a short UUID, even when it is a short one on the base UUID).
struct GattUuid {
  bool isShortUuid = true;
  std::uint16_t shortUuid = 0;
  std::array<std::uint8_t, 16> longUuid{};

  static GattUuid shortForm(std::uint16_t id) { return GattUuid{true, id, {}}; }
  // The 16-bit id written out on the Bluetooth base UUID, in the long form.
  static GattUuid longFormOf(std::uint16_t id);
  bool operator==(const GattUuid&) const = default;
};

// The identifier a UUID stands for: a short one on the Bluetooth base UUID.
Guid toGuid(const GattUuid& uuid);

struct GattServiceRecord {
  GattUuid uuid;
  std::uint16_t attributeHandle = 0;
};

struct GattCharacteristicRecord {
  std::uint16_t serviceHandle = 0;
  GattUuid uuid;
  std::uint16_t attributeHandle = 0;
  bool isReadable = false;
  bool isNotifiable = false;
};

enum class GattDescriptorType {
  CharacteristicExtendedProperties,
  CharacteristicUserDescription,
  ClientCharacteristicConfiguration,
  ServerCharacteristicConfiguration,
  CharacteristicFormat,
  CharacteristicAggregateFormat,
  CustomDescriptor,
};

struct GattDescriptorRecord {
  std::uint16_t serviceHandle = 0;
  std::uint16_t characteristicHandle = 0;
  GattDescriptorType type = GattDescriptorType::ClientCharacteristicConfiguration;
  std::uint16_t attributeHandle = 0;
};

// What is written to a descriptor: only the client configuration form is used.
struct GattDescriptorValue {
  GattDescriptorType type = GattDescriptorType::ClientCharacteristicConfiguration;
  bool subscribeToNotification = false;
  bool subscribeToIndication = false;
};

// One opened GATT service interface. Every call may fail (absent / false), as a device that
// went out of range or refuses does.
class GattService {
 public:
  virtual ~GattService() = default;
  virtual std::optional<std::vector<GattServiceRecord>> services() = 0;
  virtual std::optional<std::vector<GattCharacteristicRecord>> characteristics(
      const GattServiceRecord& service) = 0;
  virtual std::optional<std::vector<GattDescriptorRecord>> descriptors(
      const GattCharacteristicRecord& characteristic) = 0;
  virtual bool writeDescriptor(const GattDescriptorRecord& descriptor,
                               const GattDescriptorValue& value) = 0;
  virtual std::optional<std::vector<std::uint8_t>> readValue(
      const GattCharacteristicRecord& characteristic) = 0;
};

struct GattOpenResult {
  std::unique_ptr<GattService> service;  // null on failure
  std::uint32_t error = 0;               // the system's error code when it failed
};

class Gatt {
 public:
  virtual ~Gatt() = default;
  // Opens a GATT service interface path from DeviceTree::gattServiceInterfaces.
  virtual GattOpenResult openService(std::string_view path) = 0;
};

}  // namespace brisa::platform
