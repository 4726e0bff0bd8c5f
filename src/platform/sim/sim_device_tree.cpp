#include <algorithm>
#include <tuple>

#include "platform/property_limits.h"
#include "platform/sim/seams.h"

namespace brisa::platform::sim {

namespace {

std::optional<std::string> fitting(const std::optional<std::string>& value) {
  if (!value || !fitsPropertyBuffer(*value)) return std::nullopt;
  return value;
}

class MachineSubscription final : public Subscription {
 public:
  MachineSubscription(std::function<void(std::uint64_t)> end, std::uint64_t id)
      : end_(std::move(end)), id_(id) {}
  ~MachineSubscription() override { end_(id_); }

 private:
  std::function<void(std::uint64_t)> end_;
  std::uint64_t id_;
};

}  // namespace

const Machine::NodeRec* SimDeviceTree::presentNodeLocked(NodeId node) const {
  if (node == 0 || node > m_.nodes_.size()) return nullptr;
  const Machine::NodeRec& rec = m_.nodes_[node - 1];
  return m_.presentLocked(rec) ? &rec : nullptr;
}

std::vector<DeviceInterface> SimDeviceTree::hidInterfaces() {
  std::lock_guard lock(m_.mutex_);
  std::vector<DeviceInterface> result;
  if (m_.hidEnumerationFails_) return result;
  std::vector<std::tuple<std::int64_t, std::size_t>> order;
  for (std::size_t i = 0; i < m_.hids_.size(); ++i) {
    if (m_.devices_[m_.hids_[i].owner].plugged)
      order.emplace_back(m_.orderOf(m_.hids_[i].owner), i);
  }
  std::sort(order.begin(), order.end());
  for (const auto& [unused, i] : order) {
    result.push_back(DeviceInterface{m_.hids_[i].function.path, m_.hids_[i].node});
  }
  return result;
}

std::vector<PresentDevice> SimDeviceTree::presentDevices() {
  std::lock_guard lock(m_.mutex_);
  std::vector<PresentDevice> result;
  if (m_.deviceEnumerationFails_) return result;
  std::vector<std::tuple<std::int64_t, NodeId>> order;
  for (const Machine::NodeRec& node : m_.nodes_) {
    if (m_.presentLocked(node)) order.emplace_back(m_.orderOf(node.owner), node.id);
  }
  std::sort(order.begin(), order.end());
  for (const auto& [unused, id] : order) {
    result.push_back(PresentDevice{id, m_.nodes_[id - 1].spec.classGuid});
  }
  return result;
}

std::optional<NodeId> SimDeviceTree::parentOf(NodeId node) {
  std::lock_guard lock(m_.mutex_);
  const Machine::NodeRec* rec = presentNodeLocked(node);
  if (!rec || rec->parent == 0) return std::nullopt;
  return rec->parent;
}

std::optional<std::string> SimDeviceTree::instanceId(NodeId node) {
  std::lock_guard lock(m_.mutex_);
  const Machine::NodeRec* rec = presentNodeLocked(node);
  if (!rec || !fitsInstanceId(rec->spec.instanceId)) return std::nullopt;
  return rec->spec.instanceId;
}

std::optional<std::string> SimDeviceTree::property(NodeId node, DeviceProperty which) {
  std::lock_guard lock(m_.mutex_);
  const Machine::NodeRec* rec = presentNodeLocked(node);
  if (!rec) return std::nullopt;
  switch (which) {
    case DeviceProperty::DeviceDesc:
      return fitting(rec->spec.description);
    case DeviceProperty::Class:
      return fitting(rec->spec.className);
    case DeviceProperty::ClassGuid:
      if (!rec->spec.classGuidReadable) return std::nullopt;
      return toString(rec->spec.classGuid);
    case DeviceProperty::FriendlyName:
      return fitting(rec->spec.friendlyName);
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> SimDeviceTree::hardwareIds(NodeId node) {
  std::lock_guard lock(m_.mutex_);
  const Machine::NodeRec* rec = presentNodeLocked(node);
  if (!rec || !rec->spec.hardwareIds || !fitsPropertyBuffer(*rec->spec.hardwareIds)) {
    return std::nullopt;
  }
  return rec->spec.hardwareIds;
}

std::vector<DeviceInterface> SimDeviceTree::gattServiceInterfaces(const Guid& serviceId) {
  std::lock_guard lock(m_.mutex_);
  std::vector<std::tuple<std::int64_t, std::size_t>> order;
  for (std::size_t i = 0; i < m_.gatts_.size(); ++i) {
    const Machine::GattRec& g = m_.gatts_[i];
    if (m_.devices_[g.owner].plugged && toGuid(g.service) == serviceId) {
      order.emplace_back(m_.orderOf(g.owner), i);
    }
  }
  std::sort(order.begin(), order.end());
  std::vector<DeviceInterface> result;
  for (const auto& [unused, i] : order) {
    result.push_back(DeviceInterface{m_.gatts_[i].path, m_.gatts_[i].node});
  }
  return result;
}

std::unique_ptr<Subscription> SimDeviceTree::watchHidInterfaces(
    std::function<void(const HidChange&)> callback) {
  const std::uint64_t id = m_.subscribe(std::move(callback));
  Machine* machine = &m_;
  return std::make_unique<MachineSubscription>(
      [machine](std::uint64_t s) { machine->unsubscribe(s); }, id);
}

}  // namespace brisa::platform::sim
