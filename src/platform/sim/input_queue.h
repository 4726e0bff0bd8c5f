#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "platform/doorbell.h"

namespace brisa::platform::sim {

// The host's buffer of input reports from one device, as a HID driver keeps it: a ring of the
// newest reports, each exactly one report length long, handed out whole. A read that found
// nothing waits ("pending") and takes the next report that arrives.
class InputQueue {
 public:
  static constexpr std::size_t kDefaultCapacity = 32;

  explicit InputQueue(std::size_t reportLength, std::size_t capacity = kDefaultCapacity);

  std::size_t reportLength() const;
  void setReportLength(std::size_t length);

  // Padded with zeros or cut to the report length. The oldest report drops out when full.
  void push(std::vector<std::uint8_t> report);
  // Moves as many whole reports as fit into `out`, oldest first; returns the bytes written.
  std::size_t take(std::span<std::uint8_t> out);
  // take(), or when nothing is queued, arms a waiting read as one step (so a report arriving
  // in between is not left queued behind a waiting read). Returns the bytes taken.
  std::size_t takeOrArm(std::span<std::uint8_t> out, const void* reader, std::thread::id thread);
  std::size_t size() const;
  void clear();

  // Ends that read if it is still waiting; true when it was.
  bool cancelPending(const void* reader, std::thread::id thread);
  bool hasPending(const void* reader) const;
  // Ends every read of `reader` that still waits, on whatever thread (its handle closes);
  // returns how many there were.
  std::size_t cancelAllOf(const void* reader);
  // Ends every waiting read without a report (the device has gone).
  void dropPending();
  // Reports that went to waiting reads, which their readers never see.
  std::size_t swallowedReports() const;

  // A bell rung whenever a report is queued, for a reader that sleeps until input comes.
  void addWatcher(Doorbell* bell);
  void removeWatcher(Doorbell* bell);

  // Told how many reports are queued now, and again after every change, under the queue's lock
  // so in the order of the changes: for a carrier that shows a reader in another process whether
  // input is queued. It must not call back into the queue.
  using Observer = std::function<void(std::size_t queued)>;
  void observe(const void* owner, Observer observer);
  void stopObserving(const void* owner);

 private:
  std::size_t takeLocked(std::span<std::uint8_t> out);
  void changedLocked() const;

  mutable std::mutex mutex_;
  std::size_t reportLength_;
  std::size_t capacity_;
  std::deque<std::vector<std::uint8_t>> reports_;
  std::vector<std::pair<const void*, std::thread::id>> pending_;
  std::size_t swallowed_ = 0;
  std::vector<Doorbell*> watchers_;
  std::vector<std::pair<const void*, Observer>> observers_;
};

}  // namespace brisa::platform::sim
