#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/device_tree.h"

namespace brisa::platform {

// What a node number stands for. Most nodes are sysfs devices; the others are nodes this
// backend adds so the tree reads as the device list expects: one per top-level collection of a
// HID device, one per Bluetooth LE device (BlueZ creates its HID devices without one), and one
// per GATT service that BlueZ publishes for a device.
enum class NodeKind { Sysfs, Collection, BluetoothDevice, GattService };

struct NodeKey {
  NodeKind kind = NodeKind::Sysfs;
  std::string syspath;  // Sysfs: the device; Collection: its HID device
  std::size_t collection = 0;
  std::string address;  // BluetoothDevice, GattService: lower case, with colons
};

std::string sysfsKey(std::string_view syspath);
std::string collectionKey(std::string_view hidSyspath, std::size_t collection);
std::string bluetoothKey(std::string_view address);
std::string gattServiceKey(std::string_view address);
std::optional<NodeKey> parseNodeKey(std::string_view key);

// Node numbers: the same key always gets the same number (also after the device went and came
// back), and a number is never reused for another key. Thread-safe.
class NodeRegistry {
 public:
  NodeId idOf(const std::string& key);
  std::optional<std::string> keyOf(NodeId id) const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::string, NodeId> ids_;
  std::vector<std::string> keys_;  // node n is keys_[n - 1]
};

}  // namespace brisa::platform
