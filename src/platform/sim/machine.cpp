#include "platform/sim/machine.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/sim/seams.h"

namespace brisa::platform::sim {

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::string withoutKbd(std::string path) {
  static constexpr std::string_view kKbd = "\\KBD";
  for (std::size_t at = 0; at + kKbd.size() <= path.size();) {
    if (equalIgnoringCase(std::string_view(path).substr(at, kKbd.size()), kKbd)) {
      path.erase(at, kKbd.size());
    } else {
      ++at;
    }
  }
  return path;
}

NodeSpec fixedNode(std::string instanceId, const Guid& cls, std::string className,
                   std::string description, std::optional<std::string> friendlyName) {
  return NodeSpec{std::move(instanceId),   cls,
                  std::move(className),    std::move(description),
                  std::move(friendlyName), std::nullopt};
}

}  // namespace

Machine::Machine() {
  root_ = addFixedNode(fixedNode("HTREE\\ROOT\\0", kSystemClassGuid, "System", "Computer", {}), 0);
  hostController_ =
      addFixedNode(fixedNode("PCI\\VEN_8086&DEV_A36D&SUBSYS_A36D8086&REV_10\\3&11583659&0&A0",
                             kUsbClassGuid, "USB", "USB xHCI Compliant Host Controller",
                             "Intel(R) USB 3.1 eXtensible Host Controller - 1.10 (Microsoft)"),
                   root_);
  rootHub_ = addFixedNode(fixedNode("USB\\ROOT_HUB30\\4&2A0B3F2C&0&0", kUsbClassGuid, "USB",
                                    "USB Root Hub (USB 3.0)", {}),
                          hostController_);
  radio_ = addFixedNode(fixedNode("USB\\VID_8087&PID_0AAA\\5&1B2C3D4E&0&14", kBluetoothClassGuid,
                                  "Bluetooth", "Intel(R) Wireless Bluetooth(R)", {}),
                        rootHub_);
  leEnumerator_ = addFixedNode(fixedNode("BTH\\MS_BTHLE\\6&2C3D4E5F&0&3", kBluetoothClassGuid,
                                         "Bluetooth", "Microsoft Bluetooth LE Enumerator", {}),
                               radio_);
  tree_ = std::make_unique<SimDeviceTree>(*this);
  hid_ = std::make_unique<SimHid>(*this);
  gattSeam_ = std::make_unique<SimGatt>(*this);
  usb_ = std::make_unique<SimUsb>();
}

Machine::~Machine() = default;

DeviceTree& Machine::deviceTree() {
  return *tree_;
}
Hid& Machine::hid() {
  return *hid_;
}
Gatt& Machine::gatt() {
  return *gattSeam_;
}
Usb& Machine::usb() {
  return *usb_;
}
SimUsb& Machine::simUsb() {
  return *usb_;
}

NodeId Machine::addFixedNode(NodeSpec spec, NodeId parent) {
  const auto id = static_cast<NodeId>(nodes_.size() + 1);
  nodes_.push_back(NodeRec{id, parent, std::move(spec), std::nullopt});
  return id;
}

DeviceId Machine::addDevice(DeviceBuild build) {
  std::vector<HidChange> arrivals;
  DeviceId id = 0;
  {
    std::lock_guard lock(mutex_);
    id = devices_.size();
    DeviceRec device;
    device.order = static_cast<std::int64_t>(id) + 1;
    device.firmware = std::move(build.firmware);
    device.gatt = std::move(build.gatt);
    device.bootloader = std::move(build.bootloader);
    if (device.bootloader) usb_->attach(device.bootloader);
    for (auto& node : build.nodes) {
      NodeId parent = node.parent.value_or(0);
      if (node.parentIndex) {
        if (*node.parentIndex >= device.nodes.size()) {
          throw std::invalid_argument("a node's parent must come before it");
        }
        parent = device.nodes[*node.parentIndex];
      }
      const auto nodeId = static_cast<NodeId>(nodes_.size() + 1);
      nodes_.push_back(NodeRec{nodeId, parent, std::move(node.spec), id});
      device.nodes.push_back(nodeId);
    }
    for (auto& hid : build.hidInterfaces) {
      device.hids.push_back(hids_.size());
      arrivals.push_back(HidChange{HidChangeKind::Arrival, hid.function.path});
      hids_.push_back(HidRec{id, device.nodes.at(hid.nodeIndex), std::move(hid.function)});
    }
    for (auto& g : build.gattInterfaces) {
      device.gatts.push_back(gatts_.size());
      gatts_.push_back(GattRec{id, device.nodes.at(g.nodeIndex), std::move(g.path), g.service});
    }
    devices_.push_back(std::move(device));
  }
  notify(arrivals);
  return id;
}

std::size_t Machine::deviceCount() const {
  std::lock_guard lock(mutex_);
  return devices_.size();
}

bool Machine::pluggedLocked(const DeviceRec& device) const {
  return device.plugged && (!device.bootloader || device.bootloader->present());
}

bool Machine::presentLocked(const NodeRec& node) const {
  return !node.owner || pluggedLocked(devices_[*node.owner]);
}

std::int64_t Machine::orderOf(const std::optional<DeviceId>& owner) const {
  return owner ? devices_[*owner].order : std::numeric_limits<std::int64_t>::min();
}

std::vector<HidChange> Machine::setPluggedLocked(DeviceId device, bool plugged) {
  DeviceRec& d = devices_.at(device);
  std::vector<HidChange> changes;
  // A bootloader may have left the bus on its own (a USB fault); plugging brings it back.
  if (d.bootloader) plugged ? d.bootloader->plug() : d.bootloader->unplug();
  if (d.plugged == plugged) return changes;
  d.plugged = plugged;
  if (plugged) {
    ++d.generation;
  } else if (d.firmware) {
    d.firmware->inputQueue().dropPending();
  }
  for (std::size_t h : d.hids) {
    changes.push_back(HidChange{plugged ? HidChangeKind::Arrival : HidChangeKind::Removal,
                                hids_[h].function.path});
  }
  return changes;
}

void Machine::plug(DeviceId device) {
  std::vector<HidChange> changes;
  {
    std::lock_guard lock(mutex_);
    changes = setPluggedLocked(device, true);
  }
  notify(changes);
}

void Machine::plugFirst(DeviceId device) {
  std::vector<HidChange> changes;
  {
    std::lock_guard lock(mutex_);
    devices_.at(device).order = --firstOrder_;
    changes = setPluggedLocked(device, true);
  }
  notify(changes);
}

void Machine::unplug(DeviceId device) {
  std::vector<HidChange> changes;
  {
    std::lock_guard lock(mutex_);
    changes = setPluggedLocked(device, false);
  }
  notify(changes);
}

void Machine::reboot(DeviceId device) {
  unplug(device);
  plug(device);
}

bool Machine::isPlugged(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return pluggedLocked(devices_.at(device));
}

std::vector<NodeId> Machine::nodesOf(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).nodes;
}

std::vector<std::string> Machine::hidPathsOf(DeviceId device) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  for (std::size_t h : devices_.at(device).hids) paths.push_back(hids_[h].function.path);
  return paths;
}

std::vector<NodeId> Machine::hidNodesOf(DeviceId device) const {
  std::lock_guard lock(mutex_);
  std::vector<NodeId> nodes;
  for (std::size_t h : devices_.at(device).hids) nodes.push_back(hids_[h].node);
  return nodes;
}

std::shared_ptr<BoardFirmware> Machine::firmware(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).firmware;
}

std::shared_ptr<GattServer> Machine::gattServer(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).gatt;
}

std::shared_ptr<DfuseBootloader> Machine::bootloader(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).bootloader;
}

std::size_t Machine::openHidHandles(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).hidHandles;
}

std::size_t Machine::openGattHandles(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).gattHandles;
}

std::size_t Machine::hidHandlesClosedWithPendingRead(DeviceId device) const {
  std::lock_guard lock(mutex_);
  return devices_.at(device).closedWithPendingRead;
}

void Machine::editNode(NodeId node, const std::function<void(NodeSpec&)>& change) {
  std::lock_guard lock(mutex_);
  change(nodes_.at(node - 1).spec);
}

void Machine::editHid(DeviceId device, std::size_t index,
                      const std::function<void(HidFunction&)>& change) {
  std::lock_guard lock(mutex_);
  HidFunction& function = hids_.at(devices_.at(device).hids.at(index)).function;
  change(function);
  // The host's queue hands out reports of the interface's input length.
  if (function.firmware &&
      function.firmware->inputQueue().reportLength() != function.caps.inputReportByteLength) {
    function.firmware->inputQueue().setReportLength(function.caps.inputReportByteLength);
  }
}

void Machine::failHidEnumeration(bool on) {
  std::lock_guard lock(mutex_);
  hidEnumerationFails_ = on;
}

void Machine::failDeviceEnumeration(bool on) {
  std::lock_guard lock(mutex_);
  deviceEnumerationFails_ = on;
}

void Machine::failGattOpen(DeviceId device, std::uint32_t error) {
  std::lock_guard lock(mutex_);
  devices_.at(device).gattOpenError = error;
}

void Machine::setBluetoothReportIdInByte0(bool on) {
  std::lock_guard lock(mutex_);
  reportIdInByte0_ = on;
}

std::optional<std::size_t> Machine::findHidLocked(std::string_view path,
                                                  bool* viaStrippedPath) const {
  for (std::size_t i = 0; i < hids_.size(); ++i) {
    if (!devices_[hids_[i].owner].plugged) continue;
    if (equalIgnoringCase(hids_[i].function.path, path)) {
      *viaStrippedPath = false;
      return i;
    }
  }
  for (std::size_t i = 0; i < hids_.size(); ++i) {
    if (!devices_[hids_[i].owner].plugged) continue;
    const std::string stripped = withoutKbd(hids_[i].function.path);
    if (stripped != hids_[i].function.path && equalIgnoringCase(stripped, path)) {
      *viaStrippedPath = true;
      return i;
    }
  }
  return std::nullopt;
}

std::uint64_t Machine::subscribe(std::function<void(const HidChange&)> callback) {
  std::lock_guard lock(notifyMutex_);
  const std::uint64_t id = nextSubscriber_++;
  subscribers_.push_back(Subscriber{id, std::move(callback)});
  return id;
}

void Machine::unsubscribe(std::uint64_t id) {
  std::lock_guard lock(notifyMutex_);
  std::erase_if(subscribers_, [id](const Subscriber& s) { return s.id == id; });
}

void Machine::notify(const std::vector<HidChange>& changes) {
  std::lock_guard lock(notifyMutex_);
  for (const HidChange& change : changes) {
    const std::vector<Subscriber> snapshot = subscribers_;
    for (const Subscriber& s : snapshot) {
      // A callback may have ended another subscription meanwhile.
      const bool still = std::any_of(subscribers_.begin(), subscribers_.end(),
                                     [&](const Subscriber& x) { return x.id == s.id; });
      if (still) s.callback(change);
    }
  }
}

}  // namespace brisa::platform::sim
