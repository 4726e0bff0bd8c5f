#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "board/board_state.h"
#include "platform/clock.h"

namespace brisa::board {

inline constexpr std::uint32_t kReadPeriodMs = 30;
inline constexpr std::uint32_t kWritePeriodMs = 25;
inline constexpr std::uint32_t kWriteRetryMs = 25;
inline constexpr int kWriteRetries = 5;  // after the first attempt
// How long a write pass, or a reboot, may spend on attempts the board fails (with the waits
// between them) before it ends as refused: a board that refuses says so at once, while one that
// fails only after a second or more (the system gives up on a silent board after 5 s on USB
// and on Bluetooth LE) would hold the pass, and Exit with it, for many seconds. An attempt still
// in progress when the time is up is given up on.
inline constexpr std::uint64_t kNoAnswerMs = 1000;
inline constexpr std::size_t kInputBufferSize = 2200;

// Feature report 3 whose bytes 9 and 10 are 0xDF, 0xFD and every other payload byte 0.
FeatureReport RebootCommand();

// Where a received block starts in a feature buffer: 1, unless the selected model is a
// Bluetooth board and the system hands its reports over without the report id.
std::size_t ReportOffset(const BoardState& state);

// Asks the read worker to read the configuration, or the write worker to send the reboot
// command. Counted under the board lock, so a pass that ends clears only what it served.
void AskRead(BoardState& state);
void AskReboot(BoardState& state);

// Hands the write worker the reports to send and asks for the write: a pass in progress goes
// on with the reports it took, then leaves the request raised for these. A read that has ended
// but has not been shown is older than these reports: it is asked for again, after the write.
void AskWrite(BoardState& state, const OutgoingReports& reports);

// What one worker pass uses of the selected board, taken under the board lock: its own share
// of the handle, so the pass needs no lock while it talks to the board.
struct BoardShare {
  std::shared_ptr<platform::HidDevice> board;  // null when none is open
  std::optional<platform::HidCaps> caps;       // absent until read from this board
  std::size_t reportOffset = 1;
  std::uint64_t selection = 0;
  std::uint64_t readAsked = 0;  // the counts of the requests when the share was taken
  std::uint64_t rebootAsked = 0;
};

// The read worker: on request reads feature reports 2..5 into the configuration record, and
// keeps the newest input report 1 that is already queued.
class ReadWorker {
 public:
  ReadWorker(BoardState& state, platform::Clock& clock);
  // One pass, then the 30 ms that separate passes.
  void pass();
  // Sleeps until there is work: a request, a selection, the end of a write, or input on the
  // board's node.
  void waitForWork();
  // Passes until *stop is true (ring readWake after setting it); without a stop flag, for ever.
  void run(const std::atomic<bool>* stop = nullptr);

 private:
  // Whether the pass may go on with the board it took: still the selected one, and no write
  // waiting for the board.
  bool mayGoOn(const BoardShare& share) const;
  void readConfiguration(const BoardShare& share);
  void readInput(const BoardShare& share);

  BoardState& m_state;
  platform::Clock& m_clock;
  std::vector<std::uint8_t> m_inputBuffer;
};

// The write worker: sends the reboot command and the four outgoing reports when asked, each
// report retried while the board refuses it.
class WriteWorker {
 public:
  WriteWorker(BoardState& state, platform::Clock& clock);
  void pass();
  // Sleeps until a reboot or a write is asked for (with a board to write to).
  void waitForWork();
  void run(const std::atomic<bool>* stop = nullptr);

 private:
  enum class Sent { Accepted, Refused, Unanswered, Abandoned };
  // `failedMs`: what the request has spent so far on attempts that failed and the waits after
  // them, kNoAnswerMs at most.
  Sent send(const BoardShare& share, const FeatureReport& report, std::uint64_t& failedMs);
  void writeReports(const BoardShare& share, const OutgoingReports& reports, std::uint64_t version);

  BoardState& m_state;
  platform::Clock& m_clock;
};

}  // namespace brisa::board
