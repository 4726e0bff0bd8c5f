#pragma once

// The in-process seams over a Machine: the tool's DeviceTree, Hid and Gatt calls answered from
// the simulated devices. Internal to the simulator; reach them through Machine.

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/device_tree.h"
#include "platform/gatt.h"
#include "platform/hid_device.h"
#include "platform/sim/machine.h"

namespace brisa::platform::sim {

class SimDeviceTree final : public DeviceTree {
 public:
  explicit SimDeviceTree(Machine& machine) : m_(machine) {}
  std::vector<DeviceInterface> hidInterfaces() override;
  std::vector<PresentDevice> presentDevices() override;
  std::optional<NodeId> parentOf(NodeId node) override;
  std::optional<std::string> instanceId(NodeId node) override;
  std::optional<std::string> property(NodeId node, DeviceProperty which) override;
  std::optional<std::vector<std::string>> hardwareIds(NodeId node) override;
  std::vector<DeviceInterface> gattServiceInterfaces(const Guid& serviceId) override;
  std::unique_ptr<Subscription> watchHidInterfaces(
      std::function<void(const HidChange&)> callback) override;

 private:
  const Machine::NodeRec* presentNodeLocked(NodeId node) const;
  Machine& m_;
};

class SimHid final : public Hid {
 public:
  explicit SimHid(Machine& machine) : m_(machine) {}
  HidOpenResult openDevice(std::string_view path, HidAccess access) override;
  bool bluetoothFeatureReportsCarryReportId() const override;

 private:
  Machine& m_;
};

class SimHidDevice final : public HidDevice {
 public:
  SimHidDevice(Machine& machine, std::size_t hid, DeviceId owner, std::uint64_t generation,
               HidAccess access, std::shared_ptr<BoardFirmware> firmware);
  ~SimHidDevice() override;
  std::optional<HidAttributes> attributes() override;
  std::optional<HidCaps> capabilities() override;
  std::optional<std::string> productString() override;
  bool getFeature(std::span<std::uint8_t> buffer) override;
  bool setFeature(std::span<const std::uint8_t> buffer) override;
  InputRead readInput(std::span<std::uint8_t> buffer, std::size_t reportLength) override;
  void cancelInput() override;
  void waitForInput(Doorbell& bell) override;

 private:
  // The interface's answers while the device this handle was opened on is still there.
  std::optional<HidFunction> liveFunction() const;
  bool canExchangeFeatures() const;
  void vanish();

  Machine& m_;
  const std::size_t hid_;
  const DeviceId owner_;
  const std::uint64_t generation_;
  const HidAccess access_;
  const std::shared_ptr<BoardFirmware> firmware_;
};

class SimGatt final : public Gatt {
 public:
  explicit SimGatt(Machine& machine) : m_(machine) {}
  GattOpenResult openService(std::string_view path) override;

 private:
  Machine& m_;
};

}  // namespace brisa::platform::sim
