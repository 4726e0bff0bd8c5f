#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/doorbell.h"

namespace brisa::platform {

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

// Report lengths in bytes, the report id byte included; 0 when the interface has none.
struct HidCaps {
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t featureReportByteLength = 0;
};

enum class HidAccess {
  ReadWrite,  // feature reports and input reads
  // Attributes, capabilities, product string and feature reports, but no input: how a
  // keyboard collection, which the system keeps for itself, is reached.
  QueryOnly,
};

enum class InputReadStatus {
  Completed,  // the reports queued so far are in the buffer
  Pending,    // nothing was queued; the read waits until cancelled
  Failed,
};

struct InputRead {
  InputReadStatus status = InputReadStatus::Failed;
  std::size_t bytes = 0;  // when completed: whole reports, each of the length asked for
};

// One open HID interface. Calls on a device that has gone fail; none blocks for input.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  virtual std::optional<HidAttributes> attributes() = 0;
  // Absent when the interface's report descriptor cannot be had.
  virtual std::optional<HidCaps> capabilities() = 0;
  // Absent when there is none or it does not fit 510 bytes as UTF-16 with its zero.
  virtual std::optional<std::string> productString() = 0;

  // buffer[0] names the report on entry; on success the report, id in byte 0 (but see
  // Hid::bluetoothFeatureReportsCarryReportId), fills the buffer.
  virtual bool getFeature(std::span<std::uint8_t> buffer) = 0;
  virtual bool setFeature(std::span<const std::uint8_t> buffer) = 0;

  // Starts an input read into `buffer`: it completes at once with as many whole queued reports
  // as fit, or stays pending. A pending read owns the next report that arrives; the caller
  // never sees that report. Starting a read while one is pending cancels the earlier one.
  // Each report takes `reportLength` bytes, the interface's input report length as its caller
  // knows it, so the caller splits them where they lie: a shorter report is padded with zeros,
  // a longer one is dropped. Fails when `reportLength` is 0.
  virtual InputRead readInput(std::span<std::uint8_t> buffer, std::size_t reportLength) = 0;
  // Ends the calling thread's pending input read, if any (a completed one is unaffected).
  virtual void cancelInput() = 0;
  // Blocks until an input report is queued here or `bell` rings. An interface that can give
  // no input (a query handle, a device that has gone) leaves the bell alone to end the wait.
  // Takes the bell's rings.
  virtual void waitForInput(Doorbell& bell) = 0;
};

// Why an open failed. A keyboard collection refuses a read/write open by its nature; a board
// the user may not open (no udev rule) must not be taken for one.
enum class HidOpenError {
  None,
  NotFound,      // no such interface (any more)
  Refused,       // the interface refuses this access (a keyboard collection and ReadWrite)
  AccessDenied,  // the system denies this user the access
};

struct HidOpenResult {
  std::unique_ptr<HidDevice> device;  // null on failure
  HidOpenError error = HidOpenError::None;
};

// Opens HID interfaces by path.
class Hid {
 public:
  virtual ~Hid() = default;
  // Null device when the path does not open with that access (a keyboard collection refuses
  // ReadWrite; a vanished device refuses both), with the reason.
  virtual HidOpenResult openDevice(std::string_view path, HidAccess access) = 0;
  std::unique_ptr<HidDevice> open(std::string_view path, HidAccess access) {
    return openDevice(path, access).device;
  }
  // Whether a Bluetooth board's feature reports come back with the report id in byte 0 (true on
  // Linux and on Windows 10 and later; false on older Windows, where the payload starts at 0).
  virtual bool bluetoothFeatureReportsCarryReportId() const = 0;
};

}  // namespace brisa::platform
