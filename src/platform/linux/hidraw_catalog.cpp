#include "platform/linux/hidraw_catalog.h"

#include <strings.h>

#include <algorithm>
#include <set>

#include "platform/linux/bluez_devices.h"
#include "platform/linux/hid_interface_path.h"

namespace brisa::platform {

namespace {

bool offersHidOverGatt(const std::vector<BluezDevice>& known, const std::string& address) {
  return std::any_of(known.begin(), known.end(), [&](const BluezDevice& d) {
    return d.hidOverGatt && !address.empty() && strcasecmp(d.address.c_str(), address.c_str()) == 0;
  });
}

}  // namespace

HidrawCatalog::HidrawCatalog(std::shared_ptr<BluezRecord> bluez) : bluez_(std::move(bluez)) {
  listening_ = bluez_->listen([this] { bluezSpoke(); });
}

HidrawCatalog::~HidrawCatalog() {
  bluez_->unlisten(listening_);
}

std::optional<bool> HidrawCatalog::lowEnergy(const UhidBluetoothDevice& device) {
  std::optional<bool> verdict;
  bool cameNow = false;
  {
    std::lock_guard lock(mutex_);
    const bool askedBefore = !bluetooth_.insert_or_assign(device.hidSyspath, device.address).second;
    // Read under the lock: a record that changes after this is judged again by bluezSpoke().
    const auto known = bluez_->devices();
    auto at = lowEnergy_.find(device.hidSyspath);
    if (at == lowEnergy_.end() && known) {
      at = lowEnergy_.emplace(device.hidSyspath, offersHidOverGatt(*known, device.address)).first;
      cameNow = askedBefore;
    }
    if (at != lowEnergy_.end()) verdict = at->second;
  }
  // Whoever asked before went without it, and bluezSpoke() may find nothing new now.
  if (cameNow) ringWatchers();
  if (!verdict) bluez_->want();
  return verdict;
}

void HidrawCatalog::bluezSpoke() {
  std::vector<std::string> changed;
  {
    std::lock_guard lock(mutex_);
    const auto known = bluez_->devices();
    if (!known) return;  // BlueZ went: what it said last stands
    for (const auto& [syspath, address] : bluetooth_) {
      const bool le = offersHidOverGatt(*known, address);
      const auto [at, added] = lowEnergy_.try_emplace(syspath, le);
      if (!added && at->second == le) continue;
      at->second = le;
      changed.push_back(syspath);
    }
  }
  if (changed.empty()) return;
  // After the verdict is in place: what is read from now on is read with it.
  for (const std::string& syspath : changed) changes_->changed(syspath);
  ringWatchers();
}

void HidrawCatalog::ringWatchers() {
  std::lock_guard lock(mutex_);
  for (Doorbell* watcher : watchers_) watcher->ring();
}

void HidrawCatalog::keepOnly(const std::vector<std::string>& presentHidSyspaths) {
  const std::set<std::string> present(presentHidSyspaths.begin(), presentHidSyspaths.end());
  const auto gone = [&](const auto& entry) { return !present.contains(entry.first); };
  std::lock_guard lock(mutex_);
  std::erase_if(lowEnergy_, gone);
  std::erase_if(bluetooth_, gone);
}

void HidrawCatalog::addWatcher(Doorbell& bell) {
  std::lock_guard lock(mutex_);
  watchers_.insert(&bell);
}

void HidrawCatalog::removeWatcher(Doorbell& bell) {
  std::lock_guard lock(mutex_);
  watchers_.erase(&bell);
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
  return described + lowEnergy_.size() + bluetooth_.size() + hidrawByPath_.size();
}

void HidrawCatalog::rememberOnly(
    const std::vector<std::pair<std::string, std::string>>& pathsAndNodes) {
  std::unordered_map<std::string, std::string> fresh;
  for (const auto& [path, syspath] : pathsAndNodes) fresh[canonicalInterfacePath(path)] = syspath;
  std::lock_guard lock(mutex_);
  hidrawByPath_ = std::move(fresh);
}

}  // namespace brisa::platform
