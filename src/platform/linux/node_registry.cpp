#include "platform/linux/node_registry.h"

#include <cctype>
#include <charconv>

namespace brisa::platform {

namespace {

constexpr std::string_view kCollectionPrefix = "collection:";
constexpr std::string_view kBluetoothPrefix = "bluetooth:";
constexpr std::string_view kGattPrefix = "gatt-battery:";

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string sysfsKey(std::string_view syspath) {
  return std::string(syspath);
}

std::string collectionKey(std::string_view hidSyspath, std::size_t collection) {
  return std::string(kCollectionPrefix) + std::to_string(collection) + ":" +
         std::string(hidSyspath);
}

std::string bluetoothKey(std::string_view address) {
  return std::string(kBluetoothPrefix) + lowered(address);
}

std::string gattServiceKey(std::string_view address) {
  return std::string(kGattPrefix) + lowered(address);
}

std::optional<NodeKey> parseNodeKey(std::string_view key) {
  if (key.starts_with('/')) return NodeKey{NodeKind::Sysfs, std::string(key), 0, {}};
  if (key.starts_with(kBluetoothPrefix)) {
    return NodeKey{
        NodeKind::BluetoothDevice, {}, 0, std::string(key.substr(kBluetoothPrefix.size()))};
  }
  if (key.starts_with(kGattPrefix)) {
    return NodeKey{NodeKind::GattService, {}, 0, std::string(key.substr(kGattPrefix.size()))};
  }
  if (key.starts_with(kCollectionPrefix)) {
    const std::string_view rest = key.substr(kCollectionPrefix.size());
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
    if (error != std::errc() || end == rest.data() + rest.size() || *end != ':')
      return std::nullopt;
    const std::string_view syspath = rest.substr(static_cast<std::size_t>(end - rest.data()) + 1);
    return NodeKey{NodeKind::Collection, std::string(syspath), index, {}};
  }
  return std::nullopt;
}

NodeId NodeRegistry::idOf(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto [at, added] = ids_.try_emplace(key, last_ + 1);
  if (added) keys_.emplace(++last_, key);
  return at->second;
}

std::optional<std::string> NodeRegistry::keyOf(NodeId id) const {
  std::lock_guard lock(mutex_);
  const auto at = keys_.find(id);
  if (at == keys_.end()) return std::nullopt;
  return at->second;
}

void NodeRegistry::keepOnly(const std::function<bool(const std::string& key)>& present) {
  std::lock_guard lock(mutex_);
  std::erase_if(ids_, [&](const auto& entry) {
    if (present(entry.first)) return false;
    keys_.erase(entry.second);
    return true;
  });
}

std::size_t NodeRegistry::size() const {
  std::lock_guard lock(mutex_);
  return ids_.size();
}

}  // namespace brisa::platform
