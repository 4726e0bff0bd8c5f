#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/gatt.h"
#include "platform/guid.h"
#include "platform/hid_device.h"
#include "platform/sim/board_firmware.h"
#include "platform/sim/dfuse_bootloader.h"
#include "platform/sim/gatt_server.h"
#include "platform/sim/sim_usb.h"
#include "platform/usb.h"

namespace brisa::platform::sim {

// A device that can be plugged and unplugged as a whole: a board with its nodes and
// interfaces, a bootloader, a mouse. Numbered 0, 1, ... in the order they were added.
using DeviceId = std::size_t;

// One node of the device tree as the registry describes it. Values that are too long for the
// reading buffers are kept as given: the seams make them read as absent.
struct NodeSpec {
  std::string instanceId;
  Guid classGuid;
  std::optional<std::string> className;
  std::optional<std::string> description;
  std::optional<std::string> friendlyName;
  std::optional<std::vector<std::string>> hardwareIds;
  bool classGuidReadable = true;  // false: the class GUID text does not read
};

// What one HID interface answers to the host.
struct HidFunction {
  std::string path;
  HidAttributes attributes;
  HidCaps caps;
  std::optional<std::string> productString;
  bool opensForReadWrite = true;  // keyboard collections refuse
  bool opensForQuery = true;
  // The path as listed refuses even a query open; the same path without "\KBD" opens.
  bool queryOpensOnlyWithoutKbd = false;
  // The system denies this user every open (a node without the udev rule's access).
  bool accessDenied = false;
  bool bluetooth = false;  // carried over Bluetooth LE (matters for the report-id question)
  bool attributesFail = false;
  bool capabilitiesFail = false;
  std::shared_ptr<BoardFirmware> firmware;  // null: no configuration reports, no input
};

// A device to add: nodes (each parent is an existing node or an earlier node of this build),
// its HID interfaces and GATT service interfaces.
struct DeviceBuild {
  struct Node {
    NodeSpec spec;
    std::optional<NodeId> parent;            // an existing node
    std::optional<std::size_t> parentIndex;  // or an earlier node of this build
  };
  struct Hid {
    std::size_t nodeIndex = 0;
    HidFunction function;
  };
  struct GattInterface {
    std::size_t nodeIndex = 0;
    std::string path;
    GattUuid service;
  };
  std::vector<Node> nodes;
  std::vector<Hid> hidInterfaces;
  std::vector<GattInterface> gattInterfaces;
  std::shared_ptr<BoardFirmware> firmware;
  std::shared_ptr<GattServer> gatt;
  // A bootloader's USB side: reached through the USB seam, present only while the device is.
  std::shared_ptr<DfuseBootloader> bootloader;
};

// The simulated machine: a device tree like a real one (host controller, hub, Bluetooth radio
// and LE enumerator, boards, bootloaders, unrelated devices), plug and unplug at any time with
// HID arrival and removal notifications, and the seams through which the tool sees it
// (DeviceTree, Hid, Gatt, Usb). Thread-safe. Handles opened through its seams must not
// outlive it.
class Machine {
 public:
  Machine();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  DeviceTree& deviceTree();
  Hid& hid();
  Gatt& gatt();
  Usb& usb();
  // The USB seam itself, for its own faults and records (transfers, references).
  SimUsb& simUsb();

  // Fixed nodes every machine has.
  NodeId rootNode() const { return root_; }
  NodeId usbHostController() const { return hostController_; }
  NodeId usbRootHub() const { return rootHub_; }
  NodeId bluetoothRadio() const { return radio_; }
  NodeId bluetoothLeEnumerator() const { return leEnumerator_; }

  // Adds a device, plugged in, listed after everything added before.
  DeviceId addDevice(DeviceBuild build);
  std::size_t deviceCount() const;

  void plug(DeviceId device);
  // Plugs in so that the device's nodes and interfaces are enumerated before all others.
  void plugFirst(DeviceId device);
  void unplug(DeviceId device);
  // Leaves and comes back at once: removals, then arrivals; open handles go stale. A
  // bootloader restarts in dfuIDLE with its flash kept.
  void reboot(DeviceId device);
  // A bootloader that left the bus by a USB fault counts as unplugged until plugged again.
  bool isPlugged(DeviceId device) const;

  // The parts of a device, in the order its build gave them.
  std::vector<NodeId> nodesOf(DeviceId device) const;
  std::vector<std::string> hidPathsOf(DeviceId device) const;
  std::vector<NodeId> hidNodesOf(DeviceId device) const;
  // Null for a device without firmware / GATT database / USB model.
  std::shared_ptr<BoardFirmware> firmware(DeviceId device) const;
  std::shared_ptr<GattServer> gattServer(DeviceId device) const;
  std::shared_ptr<DfuseBootloader> bootloader(DeviceId device) const;

  // Handles open now on a device's HID interfaces and GATT services (a handle counts until it
  // is destroyed), and HID handles that were closed while an input read was still pending.
  std::size_t openHidHandles(DeviceId device) const;
  std::size_t openGattHandles(DeviceId device) const;
  std::size_t hidHandlesClosedWithPendingRead(DeviceId device) const;

  // Changes a node's registry values or a HID interface's answers (faults: a property
  // missing or too long, attributes that fail, another product string).
  void editNode(NodeId node, const std::function<void(NodeSpec&)>& change);
  void editHid(DeviceId device, std::size_t index, const std::function<void(HidFunction&)>& change);

  // --- faults of the system rather than of a device
  void failHidEnumeration(bool on);
  void failDeviceEnumeration(bool on);
  // Opening this device's GATT service interfaces fails with the given system error code
  // (0: opens again).
  void failGattOpen(DeviceId device, std::uint32_t error);
  // Older Windows delivers a Bluetooth board's feature reports without the report id.
  void setBluetoothReportIdInByte0(bool on);

 private:
  friend class SimDeviceTree;
  friend class SimHid;
  friend class SimHidDevice;
  friend class SimGatt;
  friend class SimGattService;

  struct NodeRec {
    NodeId id = 0;
    NodeId parent = 0;  // 0: top of the tree
    NodeSpec spec;
    std::optional<DeviceId> owner;  // none: a fixed node, always present
  };
  struct HidRec {
    DeviceId owner = 0;
    NodeId node = 0;
    HidFunction function;
  };
  struct GattRec {
    DeviceId owner = 0;
    NodeId node = 0;
    std::string path;
    GattUuid service;
  };
  struct DeviceRec {
    bool plugged = true;
    std::uint64_t generation = 1;  // changes on every plug, so old handles go stale
    std::int64_t order = 0;
    std::uint32_t gattOpenError = 0;
    std::size_t hidHandles = 0;
    std::size_t gattHandles = 0;
    std::size_t closedWithPendingRead = 0;
    std::vector<NodeId> nodes;
    std::vector<std::size_t> hids;
    std::vector<std::size_t> gatts;
    std::shared_ptr<BoardFirmware> firmware;
    std::shared_ptr<GattServer> gatt;
    std::shared_ptr<DfuseBootloader> bootloader;
  };
  struct Subscriber {
    std::uint64_t id;
    std::function<void(const HidChange&)> callback;
  };

  NodeId addFixedNode(NodeSpec spec, NodeId parent);
  bool presentLocked(const NodeRec& node) const;
  bool pluggedLocked(const DeviceRec& device) const;
  std::int64_t orderOf(const std::optional<DeviceId>& owner) const;
  std::vector<HidChange> setPluggedLocked(DeviceId device, bool plugged);
  void notify(const std::vector<HidChange>& changes);
  std::uint64_t subscribe(std::function<void(const HidChange&)> callback);
  void unsubscribe(std::uint64_t id);
  // Finds a HID interface by path, ignoring letter case; also matches a path from which
  // "\KBD" was removed (then `viaStrippedPath` is set).
  std::optional<std::size_t> findHidLocked(std::string_view path, bool* viaStrippedPath) const;

  mutable std::mutex mutex_;
  std::vector<NodeRec> nodes_;  // node id n is nodes_[n - 1]
  std::vector<HidRec> hids_;
  std::vector<GattRec> gatts_;
  std::vector<DeviceRec> devices_;
  std::int64_t firstOrder_ = 0;
  bool hidEnumerationFails_ = false;
  bool deviceEnumerationFails_ = false;
  bool reportIdInByte0_ = true;

  std::recursive_mutex notifyMutex_;
  std::vector<Subscriber> subscribers_;
  std::uint64_t nextSubscriber_ = 1;

  NodeId root_ = 0, hostController_ = 0, rootHub_ = 0, radio_ = 0, leEnumerator_ = 0;

  std::unique_ptr<DeviceTree> tree_;
  std::unique_ptr<Hid> hid_;
  std::unique_ptr<Gatt> gattSeam_;
  std::unique_ptr<SimUsb> usb_;
};

}  // namespace brisa::platform::sim
