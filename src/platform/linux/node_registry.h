#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

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

// Node numbers: a key keeps its number while it is remembered, and a number is never reused for
// another key, so a number kept past its key's forgetting names nothing. Thread-safe.
class NodeRegistry {
 public:
  NodeId idOf(const std::string& key);
  std::optional<std::string> keyOf(NodeId id) const;
  // Forgets every key `present` refuses; one met again later gets a new number.
  void keepOnly(const std::function<bool(const std::string& key)>& present);
  std::size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::string, NodeId> ids_;
  std::unordered_map<NodeId, std::string> keys_;
  NodeId last_ = 0;
};

}  // namespace brisa::platform
