#include "platform/sim/input_queue.h"

#include <algorithm>

namespace brisa::platform::sim {

InputQueue::InputQueue(std::size_t reportLength, std::size_t capacity)
    : reportLength_(reportLength), capacity_(std::max<std::size_t>(capacity, 1)) {}

std::size_t InputQueue::reportLength() const {
  std::lock_guard lock(mutex_);
  return reportLength_;
}

void InputQueue::setReportLength(std::size_t length) {
  std::lock_guard lock(mutex_);
  reportLength_ = length;
  reports_.clear();
  changedLocked();
}

void InputQueue::push(std::vector<std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (reportLength_ == 0) return;
  report.resize(reportLength_, 0);
  if (!pending_.empty()) {
    pending_.erase(pending_.begin());
    ++swallowed_;
    return;
  }
  if (reports_.size() == capacity_) reports_.pop_front();
  reports_.push_back(std::move(report));
  changedLocked();
  for (Doorbell* bell : watchers_) bell->ring();
}

std::size_t InputQueue::take(std::span<std::uint8_t> out) {
  std::lock_guard lock(mutex_);
  return takeLocked(out);
}

std::size_t InputQueue::takeOrArm(std::span<std::uint8_t> out, const void* reader,
                                  std::thread::id thread) {
  std::lock_guard lock(mutex_);
  const std::size_t written = takeLocked(out);
  if (written == 0) pending_.emplace_back(reader, thread);
  return written;
}

std::size_t InputQueue::takeLocked(std::span<std::uint8_t> out) {
  std::size_t written = 0;
  while (!reports_.empty() && written + reportLength_ <= out.size()) {
    std::copy(reports_.front().begin(), reports_.front().end(), out.begin() + written);
    written += reportLength_;
    reports_.pop_front();
  }
  if (written > 0) changedLocked();
  return written;
}

std::size_t InputQueue::size() const {
  std::lock_guard lock(mutex_);
  return reports_.size();
}

void InputQueue::clear() {
  std::lock_guard lock(mutex_);
  reports_.clear();
  changedLocked();
}

bool InputQueue::cancelPending(const void* reader, std::thread::id thread) {
  std::lock_guard lock(mutex_);
  const auto it = std::find(pending_.begin(), pending_.end(), std::make_pair(reader, thread));
  if (it == pending_.end()) return false;
  pending_.erase(it);
  return true;
}

bool InputQueue::hasPending(const void* reader) const {
  std::lock_guard lock(mutex_);
  return std::any_of(pending_.begin(), pending_.end(),
                     [reader](const auto& p) { return p.first == reader; });
}

std::size_t InputQueue::cancelAllOf(const void* reader) {
  std::lock_guard lock(mutex_);
  return std::erase_if(pending_, [reader](const auto& p) { return p.first == reader; });
}

void InputQueue::dropPending() {
  std::lock_guard lock(mutex_);
  pending_.clear();
}

std::size_t InputQueue::swallowedReports() const {
  std::lock_guard lock(mutex_);
  return swallowed_;
}

void InputQueue::addWatcher(Doorbell* bell) {
  std::lock_guard lock(mutex_);
  watchers_.push_back(bell);
}

void InputQueue::removeWatcher(Doorbell* bell) {
  std::lock_guard lock(mutex_);
  std::erase(watchers_, bell);
}

void InputQueue::observe(const void* owner, Observer observer) {
  std::lock_guard lock(mutex_);
  observer(reports_.size());
  observers_.emplace_back(owner, std::move(observer));
}

void InputQueue::stopObserving(const void* owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(observers_, [owner](const auto& entry) { return entry.first == owner; });
}

void InputQueue::changedLocked() const {
  for (const auto& [owner, observer] : observers_) observer(reports_.size());
}

}  // namespace brisa::platform::sim
