#include "platform/sim/board_firmware.h"

#include <algorithm>

namespace brisa::platform::sim {

namespace {

constexpr std::uint8_t kFirstConfigId = 2;
constexpr std::uint8_t kLastConfigId = 5;
constexpr std::uint8_t kSettingsId = 3;
constexpr std::uint8_t kInputReportId = 1;
// Payload index of report byte k is k - 1.
constexpr std::size_t kPinWordAt = 8;

bool isConfigId(std::uint8_t id) {
  return id >= kFirstConfigId && id <= kLastConfigId;
}

// Report 3 with 0xDF, 0xFD at bytes 9 and 10 and nothing else set.
bool isRebootCommand(std::span<const std::uint8_t> report) {
  if (report.size() < 11 || report[0] != kSettingsId) return false;
  for (std::size_t i = 1; i < report.size(); ++i) {
    const std::uint8_t expected = i == 9 ? 0xDF : (i == 10 ? 0xFD : 0x00);
    if (report[i] != expected) return false;
  }
  return true;
}

}  // namespace

BoardFirmware::BoardFirmware(BoardModel model)
    : model_(model), queue_(1 + inputPayloadSize(model)) {}

void BoardFirmware::setPayload(std::uint8_t id, const Payload& payload) {
  if (!isConfigId(id)) return;
  std::lock_guard lock(mutex_);
  stored_[id - kFirstConfigId] = payload;
}

BoardFirmware::Payload BoardFirmware::payload(std::uint8_t id) const {
  if (!isConfigId(id)) return {};
  std::lock_guard lock(mutex_);
  return answerFor(id);
}

void BoardFirmware::setPinWord(std::uint32_t word) {
  std::lock_guard lock(mutex_);
  Payload& settings = stored_[kSettingsId - kFirstConfigId];
  for (std::size_t i = 0; i < 4; ++i) {
    settings[kPinWordAt + i] = static_cast<std::uint8_t>(word >> (8 * i));
  }
}

std::uint32_t BoardFirmware::pinWord() const {
  std::lock_guard lock(mutex_);
  const Payload settings = answerFor(kSettingsId);
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    word |= static_cast<std::uint32_t>(settings[kPinWordAt + i]) << (8 * i);
  }
  return word;
}

BoardFirmware::Payload BoardFirmware::answerFor(std::uint8_t id) const {
  Payload answer = stored_[id - kFirstConfigId];
  // A wired board's firmware puts its key over bytes 10..12 whatever was stored there.
  if (id == kSettingsId && traits().keyByte) {
    answer[kPinWordAt + 1] = 0xFF;
    answer[kPinWordAt + 2] = 0xFF;
    answer[kPinWordAt + 3] = *traits().keyByte;
  }
  return answer;
}

void BoardFirmware::delayFeatureRequests(platform::Clock* clock, std::uint32_t ms, bool fail) {
  std::lock_guard lock(mutex_);
  delayClock_ = clock;
  delayMs_ = ms;
  failAfterDelay_ = fail;
}

void BoardFirmware::waitForRequestInProgress() {
  std::lock_guard wait(requestInProgress_);
}

bool BoardFirmware::waitOutDelay() {
  platform::Clock* clock = nullptr;
  std::uint32_t ms = 0;
  bool fail = false;
  {
    std::lock_guard lock(mutex_);
    clock = delayClock_;
    ms = delayMs_;
    fail = failAfterDelay_;
  }
  if (clock == nullptr) return false;
  clock->sleepMs(ms);
  return fail;
}

BoardFirmware::Outcome BoardFirmware::getFeature(std::span<std::uint8_t> buffer) {
  std::lock_guard inProgress(requestInProgress_);
  const bool failAfterDelay = waitOutDelay();
  std::lock_guard lock(mutex_);
  if (buffer.empty()) return Outcome::Failed;
  const std::uint8_t id = buffer[0];
  readIds_.push_back(id);
  if (failAfterDelay) return Outcome::Failed;
  if (vanishOnRead_) {
    vanishOnRead_ = false;
    return Outcome::Vanished;
  }
  if (readFailures_ > 0) {
    --readFailures_;
    return Outcome::Failed;
  }
  if (!isConfigId(id)) return Outcome::Failed;
  const Payload answer = answerFor(id);
  std::fill(buffer.begin() + 1, buffer.end(), 0);
  const std::size_t n = std::min(answer.size(), buffer.size() - 1);
  std::copy_n(answer.begin(), n, buffer.begin() + 1);
  return Outcome::Done;
}

BoardFirmware::Outcome BoardFirmware::setFeature(std::span<const std::uint8_t> buffer) {
  std::lock_guard inProgress(requestInProgress_);
  const bool failAfterDelay = waitOutDelay();
  std::lock_guard lock(mutex_);
  if (failAfterDelay) return Outcome::Failed;
  if (vanishOnWrite_) {
    vanishOnWrite_ = false;
    return Outcome::Vanished;
  }
  if (writeFailures_ > 0) {
    --writeFailures_;
    return Outcome::Failed;
  }
  if (buffer.size() < 2 || !isConfigId(buffer[0])) return Outcome::Failed;
  written_.emplace_back(buffer.begin(), buffer.end());
  if (isRebootCommand(buffer)) {
    ++reboots_;
    queue_.clear();
    return Outcome::Rebooting;
  }
  Payload& stored = stored_[buffer[0] - kFirstConfigId];
  stored.fill(0);
  std::copy_n(buffer.begin() + 1, std::min(stored.size(), buffer.size() - 1), stored.begin());
  return Outcome::Done;
}

BoardFirmware::InputOutcome BoardFirmware::inputReadOutcome() {
  std::lock_guard lock(mutex_);
  if (vanishOnInput_) {
    vanishOnInput_ = false;
    return InputOutcome::Vanished;
  }
  if (inputFailures_ > 0) {
    --inputFailures_;
    return InputOutcome::Failed;
  }
  return inputPending_ ? InputOutcome::StayPending : InputOutcome::Normal;
}

void BoardFirmware::setAxis(std::size_t axis, std::int16_t value) {
  std::lock_guard lock(mutex_);
  if (axis < axes_.size()) axes_[axis] = value;
}

void BoardFirmware::setButton(std::size_t button, bool pressed) {
  std::lock_guard lock(mutex_);
  if (button >= 64) return;
  const std::uint64_t bit = std::uint64_t{1} << button;
  buttons_ = pressed ? (buttons_ | bit) : (buttons_ & ~bit);
}

void BoardFirmware::setHat(std::uint8_t position) {
  std::lock_guard lock(mutex_);
  hat_ = position;
}

std::vector<std::uint8_t> BoardFirmware::inputReport() const {
  std::lock_guard lock(mutex_);
  const FirmwareTraits& t = traits();
  std::vector<std::uint8_t> report{kInputReportId};
  for (std::size_t k = 0; k < t.axes; ++k) {
    const auto v = static_cast<std::uint16_t>(axes_[k]);
    report.push_back(static_cast<std::uint8_t>(v & 0xFF));
    report.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  // Only the buttons the board has are ever set; buttons 33 and up are not sent.
  const std::size_t buttonBytes = t.buttons == 0 ? 0 : (t.buttons <= 8 ? 1 : 4);
  const std::uint64_t wired =
      t.buttons >= 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << t.buttons) - 1);
  for (std::size_t i = 0; i < buttonBytes; ++i) {
    report.push_back(static_cast<std::uint8_t>(((buttons_ & wired) >> (8 * i)) & 0xFF));
  }
  if (t.hat) report.push_back(hat_);
  report.resize(queue_.reportLength(), 0);
  return report;
}

void BoardFirmware::queueInputReport() {
  queue_.push(inputReport());
}

void BoardFirmware::streamInput(bool on) {
  std::lock_guard lock(mutex_);
  streaming_ = on;
}

void BoardFirmware::streamIfAsked() {
  {
    std::lock_guard lock(mutex_);
    if (!streaming_) return;
  }
  if (queue_.size() == 0) queueInputReport();
}

void BoardFirmware::queueRawInputReport(std::vector<std::uint8_t> report) {
  queue_.push(std::move(report));
}

void BoardFirmware::failFeatureReads(unsigned times) {
  std::lock_guard lock(mutex_);
  readFailures_ = times;
}

void BoardFirmware::failFeatureWrites(unsigned times) {
  std::lock_guard lock(mutex_);
  writeFailures_ = times;
}

void BoardFirmware::vanishOnNextFeatureRead() {
  std::lock_guard lock(mutex_);
  vanishOnRead_ = true;
}

void BoardFirmware::vanishOnNextFeatureWrite() {
  std::lock_guard lock(mutex_);
  vanishOnWrite_ = true;
}

void BoardFirmware::vanishOnNextInputRead() {
  std::lock_guard lock(mutex_);
  vanishOnInput_ = true;
}

void BoardFirmware::failInputReads(unsigned times) {
  std::lock_guard lock(mutex_);
  inputFailures_ = times;
}

void BoardFirmware::keepInputReadsPending(bool on) {
  std::lock_guard lock(mutex_);
  inputPending_ = on;
}

std::vector<std::vector<std::uint8_t>> BoardFirmware::writtenReports() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::vector<std::uint8_t> BoardFirmware::readReportIds() const {
  std::lock_guard lock(mutex_);
  return readIds_;
}

unsigned BoardFirmware::rebootCount() const {
  std::lock_guard lock(mutex_);
  return reboots_;
}

}  // namespace brisa::platform::sim
