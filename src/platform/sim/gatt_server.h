#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gatt.h"

namespace brisa::platform::sim {

// The GATT database of a Bluetooth LE board and how it answers: services, characteristics,
// descriptors, notification subscriptions and values, with failures on demand. Independent of
// how the calls reach it. Thread-safe.
class GattServer {
 public:
  struct Descriptor {
    GattDescriptorType type = GattDescriptorType::ClientCharacteristicConfiguration;
    std::uint16_t attributeHandle = 0;
    bool notifying = false;  // last subscription written
    bool indicating = false;
    unsigned writes = 0;
  };
  struct Characteristic {
    GattUuid uuid;
    std::uint16_t attributeHandle = 0;
    bool readable = true;
    bool notifiable = false;
    std::vector<std::uint8_t> value;
    std::vector<Descriptor> descriptors;
  };
  struct Service {
    GattUuid uuid;
    std::uint16_t attributeHandle = 0;
    std::vector<Characteristic> characteristics;
  };

  enum class Call { Services, Characteristics, Descriptors, WriteDescriptor, ReadValue };
  // One event per call that succeeded, in order: lets a test see subscriptions come before
  // the value read.
  struct Event {
    Call call;
    std::uint16_t attributeHandle;  // service, characteristic or descriptor
  };

  GattServer() = default;
  explicit GattServer(std::vector<Service> services) : services_(std::move(services)) {}
  // The usual database of a board: Generic Access, Generic Attribute, Device Information, and a
  // Battery Service (level readable and notifying, with a client configuration descriptor)
  // when a level is given.
  static std::vector<Service> standardDatabase(std::optional<std::uint8_t> batteryLevel,
                                               const std::string& deviceName);

  // Replaces or edits the database (attribute handles are the caller's).
  void setServices(std::vector<Service> services);
  void edit(const std::function<void(std::vector<Service>&)>& change);
  std::vector<Service> services() const;

  // Sets byte 0 of every Battery Level characteristic (0x2A19) of the Battery Service.
  void setBatteryLevel(std::uint8_t level);

  // The next `times` calls of this kind fail.
  void failCalls(Call call, unsigned times);

  // --- requests, by service UUID (the service interface that was opened)
  std::optional<std::vector<GattServiceRecord>> serviceRecords(const GattUuid& opened);
  std::optional<std::vector<GattCharacteristicRecord>> characteristicRecords(
      const GattServiceRecord& service);
  std::optional<std::vector<GattDescriptorRecord>> descriptorRecords(
      const GattCharacteristicRecord& characteristic);
  bool writeDescriptor(const GattDescriptorRecord& descriptor, const GattDescriptorValue& value);
  std::optional<std::vector<std::uint8_t>> readValue(const GattCharacteristicRecord& c);

  std::vector<Event> events() const;

 private:
  bool failing(Call call);
  const Characteristic* findCharacteristic(std::uint16_t service, std::uint16_t handle) const;

  mutable std::mutex mutex_;
  std::vector<Service> services_;
  std::vector<std::pair<Call, unsigned>> failures_;
  std::vector<Event> events_;
};

}  // namespace brisa::platform::sim
