#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "platform/clock.h"
#include "platform/sim/board_model.h"
#include "platform/sim/input_queue.h"

namespace brisa::platform::sim {

// What a board's firmware does, whatever carries its reports to the host (the in-process
// seam, or a umockdev testbed answering hidraw ioctls): feature reports 2..5 that keep what is
// written, the model key in report 3, the reboot command, and input report 1 built from
// scripted axes, buttons and hat. Faults are armed here so every carrier honours them.
// Thread-safe.
class BoardFirmware {
 public:
  static constexpr std::size_t kPayloadSize = 20;
  using Payload = std::array<std::uint8_t, kPayloadSize>;

  explicit BoardFirmware(BoardModel model);

  BoardModel model() const { return model_; }
  const FirmwareTraits& traits() const { return traitsOf(model_); }

  // --- stored configuration (report ids 2..5; bytes 1..20 of each report)
  void setPayload(std::uint8_t id, const Payload& payload);
  Payload payload(std::uint8_t id) const;
  // The Bluetooth board's PIN word (report 3 bytes 9..12, little-endian).
  void setPinWord(std::uint32_t word);
  std::uint32_t pinWord() const;

  // --- the host's requests
  enum class Outcome {
    Done,
    Failed,     // the request fails; the board stays
    Vanished,   // the request fails and the board leaves the bus
    Rebooting,  // accepted; the board leaves and comes back
  };
  // buffer[0] names the report; on Done the whole buffer holds the report (id, payload, zeros).
  Outcome getFeature(std::span<std::uint8_t> buffer);
  Outcome setFeature(std::span<const std::uint8_t> buffer);
  // Waits until no feature request is in progress. The host's HID layer passes one request at a
  // time to a device and lets no handle of it open or close meanwhile: on a board that stopped
  // answering, that is the whole wait of the request.
  void waitForRequestInProgress();
  // Consulted by the carrier at each input read.
  enum class InputOutcome { Normal, StayPending, Failed, Vanished };
  InputOutcome inputReadOutcome();

  // --- scripted input; each queueInputReport() sends the state as it stands then
  void setAxis(std::size_t axis, std::int16_t value);
  void setButton(std::size_t button, bool pressed);
  void setHat(std::uint8_t position);  // 0..7 clockwise from up; 0xFF centred
  void queueInputReport();
  // A report sent as given (another id, or odd contents); cut or padded to the report length.
  void queueRawInputReport(std::vector<std::uint8_t> report);
  // Report 1 of the current state, in the model's layout, reportLength bytes long.
  std::vector<std::uint8_t> inputReport() const;
  InputQueue& inputQueue() { return queue_; }
  // A board that sends its state at every USB or radio poll, as many game controllers do: a
  // host that reads less often than that always finds a report queued.
  void streamInput(bool on);
  // Queues a report of the current state if streaming and none is queued.
  void streamIfAsked();

  // --- faults on demand
  void failFeatureReads(unsigned times);
  void failFeatureWrites(unsigned times);
  void vanishOnNextFeatureRead();
  void vanishOnNextFeatureWrite();
  void vanishOnNextInputRead();
  void failInputReads(unsigned times);
  void keepInputReadsPending(bool on);
  // Every feature request is answered only after `ms` on `clock` (a board that stopped
  // answering, or a slow radio link), and then fails when `fail`; a null clock answers at once.
  void delayFeatureRequests(platform::Clock* clock, std::uint32_t ms, bool fail);

  // --- what the host did
  std::vector<std::vector<std::uint8_t>> writtenReports() const;  // accepted writes, in order
  std::vector<std::uint8_t> readReportIds() const;                // every feature read asked
  unsigned rebootCount() const;

 private:
  Payload answerFor(std::uint8_t id) const;
  // Waits out the delay of a feature request, outside the lock; true when it then fails.
  bool waitOutDelay();

  const BoardModel model_;
  mutable std::mutex mutex_;
  std::mutex requestInProgress_;  // held for the whole of a feature request, its delay included
  std::array<Payload, 4> stored_{};
  std::array<std::int16_t, 8> axes_{};
  std::uint64_t buttons_ = 0;
  std::uint8_t hat_ = 0xFF;
  unsigned readFailures_ = 0;
  unsigned writeFailures_ = 0;
  unsigned inputFailures_ = 0;
  bool vanishOnRead_ = false;
  bool vanishOnWrite_ = false;
  bool vanishOnInput_ = false;
  bool inputPending_ = false;
  bool streaming_ = false;
  platform::Clock* delayClock_ = nullptr;
  std::uint32_t delayMs_ = 0;
  bool failAfterDelay_ = false;
  std::vector<std::vector<std::uint8_t>> written_;
  std::vector<std::uint8_t> readIds_;
  unsigned reboots_ = 0;
  InputQueue queue_;
};

}  // namespace brisa::platform::sim
