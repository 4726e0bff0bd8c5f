#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/board_state.h"
#include "platform/clock.h"

namespace brisa::board {

inline constexpr std::uint32_t kReadPeriodMs = 30;
inline constexpr std::uint32_t kWritePeriodMs = 25;
inline constexpr std::uint32_t kWriteRetryMs = 25;
inline constexpr int kWriteRetries = 5;  // after the first attempt
inline constexpr std::size_t kInputBufferSize = 2200;

// Feature report 3 whose bytes 9 and 10 are 0xDF, 0xFD and every other payload byte 0.
FeatureReport RebootCommand();

// Where a received block starts in a feature buffer: 1, unless the selected model is a
// Bluetooth board and the system hands its reports over without the report id.
std::size_t ReportOffset(const BoardState& state);

// The read worker: on request reads feature reports 2..5 into the configuration record, and
// keeps the newest input report 1 that is already queued. Holds the board lock for each pass.
class ReadWorker {
 public:
  ReadWorker(BoardState& state, platform::Clock& clock);
  void pass();
  // Passes until *stop is true; without a stop flag, for ever.
  void run(const std::atomic<bool>* stop = nullptr);

 private:
  void readConfiguration(platform::HidDevice& board);
  void readInput(platform::HidDevice& board);

  BoardState& m_state;
  platform::Clock& m_clock;
  std::vector<std::uint8_t> m_inputBuffer;
};

// The write worker: sends the reboot command and the four outgoing reports when asked, each
// report retried while the board refuses it. Holds the board lock for each pass.
class WriteWorker {
 public:
  WriteWorker(BoardState& state, platform::Clock& clock);
  void pass();
  void run(const std::atomic<bool>* stop = nullptr);

 private:
  // True when the board accepted the report within its attempts.
  bool send(platform::HidDevice* board, const FeatureReport& report);

  BoardState& m_state;
  platform::Clock& m_clock;
};

}  // namespace brisa::board
