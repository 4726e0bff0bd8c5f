#include <algorithm>
#include <cctype>

#include "platform/sim/seams.h"

namespace brisa::platform::sim {

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

// A handle on one GATT service interface of a board; calls fail once the board has gone.
class SimGattService final : public GattService {
 public:
  SimGattService(Machine& machine, DeviceId owner, std::uint64_t generation,
                 std::shared_ptr<GattServer> server, GattUuid service)
      : m_(machine),
        owner_(owner),
        generation_(generation),
        server_(std::move(server)),
        service_(service) {
    std::lock_guard lock(m_.mutex_);
    ++m_.devices_[owner_].gattHandles;
  }
  ~SimGattService() override {
    std::lock_guard lock(m_.mutex_);
    --m_.devices_[owner_].gattHandles;
  }

  std::optional<std::vector<GattServiceRecord>> services() override {
    if (!alive()) return std::nullopt;
    return server_->serviceRecords(service_);
  }
  std::optional<std::vector<GattCharacteristicRecord>> characteristics(
      const GattServiceRecord& service) override {
    if (!alive()) return std::nullopt;
    return server_->characteristicRecords(service);
  }
  std::optional<std::vector<GattDescriptorRecord>> descriptors(
      const GattCharacteristicRecord& characteristic) override {
    if (!alive()) return std::nullopt;
    return server_->descriptorRecords(characteristic);
  }
  bool writeDescriptor(const GattDescriptorRecord& descriptor,
                       const GattDescriptorValue& value) override {
    return alive() && server_->writeDescriptor(descriptor, value);
  }
  std::optional<std::vector<std::uint8_t>> readValue(
      const GattCharacteristicRecord& characteristic) override {
    if (!alive()) return std::nullopt;
    return server_->readValue(characteristic);
  }

 private:
  bool alive() const {
    std::lock_guard lock(m_.mutex_);
    const Machine::DeviceRec& device = m_.devices_[owner_];
    return device.plugged && device.generation == generation_;
  }

  Machine& m_;
  const DeviceId owner_;
  const std::uint64_t generation_;
  const std::shared_ptr<GattServer> server_;
  const GattUuid service_;
};

GattOpenResult SimGatt::openService(std::string_view path) {
  std::unique_lock lock(m_.mutex_);
  for (const Machine::GattRec& rec : m_.gatts_) {
    const Machine::DeviceRec& device = m_.devices_[rec.owner];
    if (!device.plugged || !equalIgnoringCase(rec.path, path)) continue;
    if (device.gattOpenError != 0) return GattOpenResult{nullptr, device.gattOpenError};
    if (!device.gatt) return GattOpenResult{nullptr, kErrorDeviceNotConnected};
    const DeviceId owner = rec.owner;
    const std::uint64_t generation = device.generation;
    std::shared_ptr<GattServer> server = device.gatt;
    const GattUuid service = rec.service;
    lock.unlock();  // the handle counts itself in
    return GattOpenResult{
        std::make_unique<SimGattService>(m_, owner, generation, std::move(server), service), 0};
  }
  return GattOpenResult{nullptr, kErrorFileNotFound};
}

}  // namespace brisa::platform::sim
