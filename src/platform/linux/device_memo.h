#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/linux/device_changes.h"

namespace brisa::platform {

// What was read of devices, each answer kept while its device is the one it was read from and
// udev has said nothing of it (see DeviceChanges); read afresh otherwise, so a device that went
// and came back is always read anew. A sysfs directory is a device's own: one made again at the
// same path is another inode, which tells a device that went and came back even where udev sends
// no events. An absent answer is never kept, nor one its reader says may change. Thread-safe; the
// reading itself is done outside the lock, as it may wait.
template <typename Value>
class DeviceMemo {
 public:
  explicit DeviceMemo(std::shared_ptr<DeviceChanges> changes) : changes_(std::move(changes)) {}

  struct Read {
    Value value;
    std::string syspath;  // the device it was read from
    bool keep = true;     // false: an answer that may change while the device stays
  };

  // The answer kept under `key`, or `read`'s.
  std::optional<Value> get(const std::string& key,
                           const std::function<std::optional<Read>()>& read) {
    const std::uint64_t stamp = changes_->stamp();
    {
      std::lock_guard lock(mutex_);
      forgetChangedLocked(stamp);
      const auto at = kept_.find(key);
      if (at != kept_.end() && stillGood(at->second)) return at->second.read.value;
    }
    std::optional<Read> fresh = read();
    if (!fresh) return std::nullopt;
    if (const auto identity = fresh->keep ? identityOf(fresh->syspath) : std::nullopt) {
      std::lock_guard lock(mutex_);
      // Where udev sends nothing, nothing is forgotten by events: start again rather than grow.
      if (kept_.size() >= kMostKept) kept_.clear();
      kept_.insert_or_assign(key, Entry{*fresh, stamp, *identity});
    }
    return std::move(fresh->value);
  }

  std::size_t size() {
    std::lock_guard lock(mutex_);
    return kept_.size();
  }

  // Whether an answer is kept under `key` now.
  bool holds(const std::string& key) {
    const std::uint64_t stamp = changes_->stamp();
    std::lock_guard lock(mutex_);
    forgetChangedLocked(stamp);
    const auto at = kept_.find(key);
    return at != kept_.end() && stillGood(at->second);
  }

 private:
  static constexpr std::size_t kMostKept = 4096;
  using Identity = std::pair<dev_t, ino_t>;
  struct Entry {
    Read read;
    std::uint64_t stamp = 0;  // taken before it was read
    Identity identity;
  };

  static std::optional<Identity> identityOf(const std::string& syspath) {
    struct stat status {};
    if (::stat(syspath.c_str(), &status) != 0) return std::nullopt;
    return Identity{status.st_dev, status.st_ino};
  }
  bool stillGood(const Entry& entry) const {
    return changes_->unchangedSince(entry.read.syspath, entry.stamp) &&
           identityOf(entry.read.syspath) == entry.identity;
  }

  // Once per batch of events, so that nothing is kept of devices long gone.
  void forgetChangedLocked(std::uint64_t stamp) {
    if (stamp == checked_) return;
    checked_ = stamp;
    std::erase_if(kept_, [this](const auto& kept) {
      return !changes_->unchangedSince(kept.second.read.syspath, kept.second.stamp);
    });
  }

  const std::shared_ptr<DeviceChanges> changes_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> kept_;
  std::uint64_t checked_ = 0;
};

}  // namespace brisa::platform
