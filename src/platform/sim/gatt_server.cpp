#include "platform/sim/gatt_server.h"

#include <algorithm>

#include "platform/guid.h"

namespace brisa::platform::sim {

namespace {

using Descriptor = GattServer::Descriptor;
using Characteristic = GattServer::Characteristic;
using Service = GattServer::Service;

std::vector<std::uint8_t> bytesOf(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

Descriptor cccd(std::uint16_t handle) {
  return Descriptor{GattDescriptorType::ClientCharacteristicConfiguration, handle};
}

}  // namespace

std::vector<Service> GattServer::standardDatabase(std::optional<std::uint8_t> batteryLevel,
                                                  const std::string& deviceName) {
  std::vector<Service> db;
  db.push_back(Service{
      GattUuid::shortForm(0x1800),
      0x0001,
      {Characteristic{GattUuid::shortForm(0x2A00), 0x0003, true, false, bytesOf(deviceName), {}},
       Characteristic{GattUuid::shortForm(0x2A01), 0x0005, true, false, {0xC4, 0x03}, {}}}});
  db.push_back(Service{
      GattUuid::shortForm(0x1801),
      0x0008,
      {Characteristic{GattUuid::shortForm(0x2A05), 0x000A, false, true, {}, {cccd(0x000B)}}}});
  db.push_back(Service{
      GattUuid::shortForm(0x180A),
      0x000C,
      {Characteristic{GattUuid::shortForm(0x2A29), 0x000E, true, false, bytesOf("brisa"), {}},
       Characteristic{GattUuid::shortForm(0x2A50),
                      0x0010,
                      true,
                      false,
                      {0x02, 0x09, 0x12, 0x01, 0x00, 0x00, 0x01},
                      {}}}});
  if (batteryLevel) {
    db.push_back(Service{GattUuid::shortForm(kBatteryServiceShortUuid),
                         0x0011,
                         {Characteristic{GattUuid::shortForm(kBatteryLevelShortUuid),
                                         0x0013,
                                         true,
                                         true,
                                         {*batteryLevel},
                                         {cccd(0x0014)}}}});
  }
  return db;
}

void GattServer::setServices(std::vector<Service> services) {
  std::lock_guard lock(mutex_);
  services_ = std::move(services);
}

void GattServer::edit(const std::function<void(std::vector<Service>&)>& change) {
  std::lock_guard lock(mutex_);
  change(services_);
}

std::vector<Service> GattServer::services() const {
  std::lock_guard lock(mutex_);
  return services_;
}

void GattServer::setBatteryLevel(std::uint8_t level) {
  std::lock_guard lock(mutex_);
  for (Service& s : services_) {
    if (s.uuid != GattUuid::shortForm(kBatteryServiceShortUuid)) continue;
    for (Characteristic& c : s.characteristics) {
      if (c.uuid != GattUuid::shortForm(kBatteryLevelShortUuid)) continue;
      if (c.value.empty()) c.value.resize(1);
      c.value[0] = level;
    }
  }
}

void GattServer::failCalls(Call call, unsigned times) {
  std::lock_guard lock(mutex_);
  failures_.emplace_back(call, times);
}

bool GattServer::failing(Call call) {
  for (auto& [which, left] : failures_) {
    if (which == call && left > 0) {
      --left;
      return true;
    }
  }
  return false;
}

const Characteristic* GattServer::findCharacteristic(std::uint16_t service,
                                                     std::uint16_t handle) const {
  for (const Service& s : services_) {
    if (s.attributeHandle != service) continue;
    for (const Characteristic& c : s.characteristics) {
      if (c.attributeHandle == handle) return &c;
    }
  }
  return nullptr;
}

std::optional<std::vector<GattServiceRecord>> GattServer::serviceRecords(const GattUuid& opened) {
  std::lock_guard lock(mutex_);
  if (failing(Call::Services)) return std::nullopt;
  std::vector<GattServiceRecord> records;
  for (const Service& s : services_) {
    if (s.uuid == opened) records.push_back(GattServiceRecord{s.uuid, s.attributeHandle});
  }
  events_.push_back(Event{Call::Services, 0});
  return records;
}

std::optional<std::vector<GattCharacteristicRecord>> GattServer::characteristicRecords(
    const GattServiceRecord& service) {
  std::lock_guard lock(mutex_);
  if (failing(Call::Characteristics)) return std::nullopt;
  std::vector<GattCharacteristicRecord> records;
  for (const Service& s : services_) {
    if (s.attributeHandle != service.attributeHandle) continue;
    for (const Characteristic& c : s.characteristics) {
      records.push_back(GattCharacteristicRecord{s.attributeHandle, c.uuid, c.attributeHandle,
                                                 c.readable, c.notifiable});
    }
  }
  events_.push_back(Event{Call::Characteristics, service.attributeHandle});
  return records;
}

std::optional<std::vector<GattDescriptorRecord>> GattServer::descriptorRecords(
    const GattCharacteristicRecord& characteristic) {
  std::lock_guard lock(mutex_);
  if (failing(Call::Descriptors)) return std::nullopt;
  const Characteristic* c =
      findCharacteristic(characteristic.serviceHandle, characteristic.attributeHandle);
  if (!c) return std::nullopt;
  std::vector<GattDescriptorRecord> records;
  for (const Descriptor& d : c->descriptors) {
    records.push_back(GattDescriptorRecord{characteristic.serviceHandle, c->attributeHandle, d.type,
                                           d.attributeHandle});
  }
  events_.push_back(Event{Call::Descriptors, characteristic.attributeHandle});
  return records;
}

bool GattServer::writeDescriptor(const GattDescriptorRecord& descriptor,
                                 const GattDescriptorValue& value) {
  std::lock_guard lock(mutex_);
  if (failing(Call::WriteDescriptor)) return false;
  for (Service& s : services_) {
    if (s.attributeHandle != descriptor.serviceHandle) continue;
    for (Characteristic& c : s.characteristics) {
      if (c.attributeHandle != descriptor.characteristicHandle) continue;
      for (Descriptor& d : c.descriptors) {
        if (d.attributeHandle != descriptor.attributeHandle) continue;
        d.notifying = value.subscribeToNotification;
        d.indicating = value.subscribeToIndication;
        ++d.writes;
        events_.push_back(Event{Call::WriteDescriptor, d.attributeHandle});
        return true;
      }
    }
  }
  return false;
}

std::optional<std::vector<std::uint8_t>> GattServer::readValue(const GattCharacteristicRecord& c) {
  std::lock_guard lock(mutex_);
  if (failing(Call::ReadValue)) return std::nullopt;
  const Characteristic* found = findCharacteristic(c.serviceHandle, c.attributeHandle);
  if (!found || !found->readable) return std::nullopt;
  events_.push_back(Event{Call::ReadValue, c.attributeHandle});
  return found->value;
}

std::vector<GattServer::Event> GattServer::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

}  // namespace brisa::platform::sim
