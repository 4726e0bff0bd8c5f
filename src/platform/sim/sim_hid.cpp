#include <algorithm>
#include <thread>
#include <vector>

#include "platform/property_limits.h"
#include "platform/sim/seams.h"

namespace brisa::platform::sim {

HidOpenResult SimHid::openDevice(std::string_view path, HidAccess access) {
  std::unique_lock lock(m_.mutex_);
  bool viaStrippedPath = false;
  const auto found = m_.findHidLocked(path, &viaStrippedPath);
  if (!found) return {nullptr, HidOpenError::NotFound};
  const Machine::HidRec& rec = m_.hids_[*found];
  const HidFunction& f = rec.function;
  if (f.accessDenied) return {nullptr, HidOpenError::AccessDenied};
  if (access == HidAccess::ReadWrite && !f.opensForReadWrite)
    return {nullptr, HidOpenError::Refused};
  if (!f.opensForQuery && access == HidAccess::QueryOnly) return {nullptr, HidOpenError::Refused};
  if (f.queryOpensOnlyWithoutKbd && !viaStrippedPath) return {nullptr, HidOpenError::Refused};
  const DeviceId owner = rec.owner;
  const std::uint64_t generation = m_.devices_[owner].generation;
  std::shared_ptr<BoardFirmware> firmware = f.firmware;
  lock.unlock();  // the handle counts itself in
  if (firmware) firmware->waitForRequestInProgress();
  return {
      std::make_unique<SimHidDevice>(m_, *found, owner, generation, access, std::move(firmware)),
      HidOpenError::None};
}

bool SimHid::bluetoothFeatureReportsCarryReportId() const {
  std::lock_guard lock(m_.mutex_);
  return m_.reportIdInByte0_;
}

SimHidDevice::SimHidDevice(Machine& machine, std::size_t hid, DeviceId owner,
                           std::uint64_t generation, HidAccess access,
                           std::shared_ptr<BoardFirmware> firmware)
    : m_(machine),
      hid_(hid),
      owner_(owner),
      generation_(generation),
      access_(access),
      firmware_(std::move(firmware)) {
  std::lock_guard lock(m_.mutex_);
  ++m_.devices_[owner_].hidHandles;
}

SimHidDevice::~SimHidDevice() {
  if (firmware_) firmware_->waitForRequestInProgress();
  const std::size_t pending = firmware_ ? firmware_->inputQueue().cancelAllOf(this) : 0;
  std::lock_guard lock(m_.mutex_);
  Machine::DeviceRec& device = m_.devices_[owner_];
  --device.hidHandles;
  // Closing under a pending read is what the read thread must never do.
  if (pending > 0) ++device.closedWithPendingRead;
}

std::optional<HidFunction> SimHidDevice::liveFunction() const {
  std::lock_guard lock(m_.mutex_);
  const Machine::DeviceRec& device = m_.devices_[owner_];
  if (!device.plugged || device.generation != generation_) return std::nullopt;
  return m_.hids_[hid_].function;
}

bool SimHidDevice::canExchangeFeatures() const {
  return firmware_ && liveFunction().has_value();
}

void SimHidDevice::vanish() {
  bool current = false;
  {
    std::lock_guard lock(m_.mutex_);
    current = m_.devices_[owner_].generation == generation_;
  }
  if (current) m_.unplug(owner_);
}

std::optional<HidAttributes> SimHidDevice::attributes() {
  const auto f = liveFunction();
  if (!f || f->attributesFail) return std::nullopt;
  return f->attributes;
}

std::optional<HidCaps> SimHidDevice::capabilities() {
  const auto f = liveFunction();
  if (!f || f->capabilitiesFail) return std::nullopt;
  return f->caps;
}

std::optional<std::string> SimHidDevice::productString() {
  const auto f = liveFunction();
  if (!f || !f->productString || !fitsProductString(*f->productString)) return std::nullopt;
  return f->productString;
}

bool SimHidDevice::getFeature(std::span<std::uint8_t> buffer) {
  const auto f = liveFunction();
  if (!f || !firmware_) return false;
  switch (firmware_->getFeature(buffer)) {
    case BoardFirmware::Outcome::Done:
      break;
    case BoardFirmware::Outcome::Vanished:
      vanish();
      return false;
    default:
      return false;
  }
  if (f->bluetooth && !m_.hid().bluetoothFeatureReportsCarryReportId()) {
    // The older stack hands over the payload alone, starting at byte 0.
    std::copy(buffer.begin() + 1, buffer.end(), buffer.begin());
    buffer.back() = 0;
  }
  return true;
}

bool SimHidDevice::setFeature(std::span<const std::uint8_t> buffer) {
  if (!canExchangeFeatures()) return false;
  switch (firmware_->setFeature(buffer)) {
    case BoardFirmware::Outcome::Done:
      return true;
    case BoardFirmware::Outcome::Rebooting:
      m_.reboot(owner_);
      return true;
    case BoardFirmware::Outcome::Vanished:
      vanish();
      return false;
    case BoardFirmware::Outcome::Failed:
      return false;
  }
  return false;
}

InputRead SimHidDevice::readInput(std::span<std::uint8_t> buffer, std::size_t reportLength) {
  // Input reports need read access; a query handle gets none.
  if (access_ != HidAccess::ReadWrite || !canExchangeFeatures()) {
    return InputRead{InputReadStatus::Failed, 0};
  }
  InputQueue& queue = firmware_->inputQueue();
  const std::thread::id self = std::this_thread::get_id();
  queue.cancelPending(this, self);
  switch (firmware_->inputReadOutcome()) {
    case BoardFirmware::InputOutcome::Vanished:
      vanish();
      return InputRead{};
    case BoardFirmware::InputOutcome::Failed:
      return InputRead{};
    case BoardFirmware::InputOutcome::StayPending:
      return InputRead{InputReadStatus::Pending, 0};
    case BoardFirmware::InputOutcome::Normal:
      break;
  }
  if (reportLength == 0 || buffer.size() < reportLength) return InputRead{};
  firmware_->streamIfAsked();
  // The device's reports, each its own length long, laid out at the length asked for.
  const std::size_t own = queue.reportLength();
  std::vector<std::uint8_t> taken(buffer.size() / reportLength * own);
  const std::size_t bytes = queue.takeOrArm(taken, this, self);
  // Reports longer than the caller knows them are dropped whole.
  if (bytes == 0 || own > reportLength) return InputRead{InputReadStatus::Pending, 0};
  const std::size_t reports = bytes / own;
  std::fill_n(buffer.begin(), reports * reportLength, 0);
  for (std::size_t i = 0; i < reports; ++i) {
    std::copy_n(taken.begin() + static_cast<std::ptrdiff_t>(i * own), own,
                buffer.begin() + static_cast<std::ptrdiff_t>(i * reportLength));
  }
  return InputRead{InputReadStatus::Completed, reports * reportLength};
}

void SimHidDevice::cancelInput() {
  if (firmware_) firmware_->inputQueue().cancelPending(this, std::this_thread::get_id());
}

void SimHidDevice::waitForInput(Doorbell& bell) {
  if (access_ != HidAccess::ReadWrite || !canExchangeFeatures()) {
    bell.wait();
    return;
  }
  firmware_->streamIfAsked();
  InputQueue& queue = firmware_->inputQueue();
  // Watching before looking: a report queued in between rings the bell.
  queue.addWatcher(&bell);
  if (queue.size() == 0) {
    bell.wait();
  } else {
    bell.clear();
  }
  queue.removeWatcher(&bell);
}

}  // namespace brisa::platform::sim
