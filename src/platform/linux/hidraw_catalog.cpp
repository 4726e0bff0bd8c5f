#include "platform/linux/hidraw_catalog.h"

#include <strings.h>

#include <algorithm>
#include <set>

#include "platform/linux/bluez_devices.h"
#include "platform/linux/hid_interface_path.h"

namespace brisa::platform {

HidrawCatalog::HidrawCatalog(std::shared_ptr<BluezBus> bluez) : bluez_(std::move(bluez)) {}

void HidrawCatalog::learn(const std::vector<UhidBluetoothDevice>& devices) {
  std::vector<const UhidBluetoothDevice*> unknown;
  {
    std::lock_guard lock(mutex_);
    for (const UhidBluetoothDevice& device : devices) {
      if (!lowEnergy_.contains(device.hidSyspath)) unknown.push_back(&device);
    }
  }
  if (unknown.empty()) return;
  // One answer names every device BlueZ has; the call is made outside the lock, since it may
  // wait.
  const auto known = bluezDevices(*bluez_);
  std::lock_guard lock(mutex_);
  for (const UhidBluetoothDevice* device : unknown) {
    if (!known) {
      unanswered_.insert(device->hidSyspath);
      continue;
    }
    unanswered_.erase(device->hidSyspath);
    const bool le = std::any_of(known->begin(), known->end(), [&](const BluezDevice& d) {
      return d.hidOverGatt && !device->address.empty() &&
             strcasecmp(d.address.c_str(), device->address.c_str()) == 0;
    });
    lowEnergy_.try_emplace(device->hidSyspath, le);
  }
}

std::optional<bool> HidrawCatalog::lowEnergy(const UhidBluetoothDevice& device) {
  const auto verdict = [&]() -> std::optional<bool> {
    const auto at = lowEnergy_.find(device.hidSyspath);
    if (at == lowEnergy_.end()) return std::nullopt;
    return at->second;
  };
  {
    std::lock_guard lock(mutex_);
    if (const auto known = verdict(); known || unanswered_.contains(device.hidSyspath)) {
      return known;
    }
  }
  learn({device});
  std::lock_guard lock(mutex_);
  return verdict();
}

void HidrawCatalog::keepOnly(const std::vector<std::string>& presentHidSyspaths) {
  const std::set<std::string> present(presentHidSyspaths.begin(), presentHidSyspaths.end());
  const auto gone = [&](const std::string& syspath) { return !present.contains(syspath); };
  std::lock_guard lock(mutex_);
  std::erase_if(lowEnergy_, [&](const auto& entry) { return gone(entry.first); });
  std::erase_if(unanswered_, gone);
}

void HidrawCatalog::remember(std::string_view interfacePath, const std::string& hidrawSyspath) {
  std::string key = canonicalInterfacePath(interfacePath);
  std::lock_guard lock(mutex_);
  hidrawByPath_[std::move(key)] = hidrawSyspath;
}

std::optional<std::string> HidrawCatalog::hidrawOf(std::string_view interfacePath) const {
  const std::string key = canonicalInterfacePath(interfacePath);
  std::lock_guard lock(mutex_);
  const auto at = hidrawByPath_.find(key);
  if (at == hidrawByPath_.end()) return std::nullopt;
  return at->second;
}

std::size_t HidrawCatalog::keptEntries() {
  const std::size_t described = descriptions_.size();
  std::lock_guard lock(mutex_);
  return described + lowEnergy_.size() + unanswered_.size() + hidrawByPath_.size();
}

void HidrawCatalog::rememberOnly(
    const std::vector<std::pair<std::string, std::string>>& pathsAndNodes) {
  std::unordered_map<std::string, std::string> fresh;
  for (const auto& [path, syspath] : pathsAndNodes) fresh[canonicalInterfacePath(path)] = syspath;
  std::lock_guard lock(mutex_);
  hidrawByPath_ = std::move(fresh);
}

}  // namespace brisa::platform
