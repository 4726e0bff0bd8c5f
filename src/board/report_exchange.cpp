#include "board/report_exchange.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace brisa::board {

FeatureReport RebootCommand() {
  FeatureReport command = EmptyReport(SettingsReport);
  command[9] = 0xDF;
  command[10] = 0xFD;
  return command;
}

std::size_t ReportOffset(const BoardState& state) {
  if (state.pDevice && state.pDevice->IsBluetooth() != 0) return state.isWin10OrLater;
  return 1;
}

ReadWorker::ReadWorker(BoardState& state, platform::Clock& clock)
    : m_state(state), m_clock(clock), m_inputBuffer(kInputBufferSize) {}

void ReadWorker::run(const std::atomic<bool>* stop) {
  while (stop == nullptr || !stop->load()) pass();
}

void ReadWorker::pass() {
  {
    std::lock_guard lock(m_state.boardLock);
    // Off the board while a write is pending, and idle while none is open.
    if (m_state.writeRequest.load(std::memory_order_acquire) == 0 && m_state.hDevice) {
      platform::HidDevice& board = *m_state.hDevice;
      board.cancelInput();
      if (m_state.readRequest.load(std::memory_order_acquire) != 0) readConfiguration(board);
      readInput(board);
    }
  }
  m_clock.sleepMs(kReadPeriodMs);
}

void ReadWorker::readConfiguration(platform::HidDevice& board) {
  const std::size_t offset = ReportOffset(m_state);
  bool anyRead = false;
  for (const ReportId id : {ButtonTypeReport, SettingsReport, AxisKeyReportA, AxisKeyReportB}) {
    m_state.featureBuf = EmptyReport(id);
    if (!board.getFeature(m_state.featureBuf)) continue;
    const auto from = m_state.featureBuf.begin() + static_cast<std::ptrdiff_t>(offset);
    std::copy_n(from, kConfigBlockSize, BlockFor(m_state.configRecord, id).begin());
    anyRead = true;
  }
  if (anyRead) m_state.configReadFromBoard.store(1, std::memory_order_release);
  m_state.readRequest.store(0, std::memory_order_release);
  m_state.readDone.store(1, std::memory_order_release);
}

void ReadWorker::readInput(platform::HidDevice& board) {
  const platform::InputRead read = board.readInput(m_inputBuffer);
  if (read.status == platform::InputReadStatus::Pending) {
    // Abandoned now rather than at the next pass: selection may close this handle before
    // then, and no read may be left waiting on a handle that closes.
    board.cancelInput();
    return;
  }
  const std::size_t length = m_state.hidCaps.inputReportByteLength;
  if (read.status != platform::InputReadStatus::Completed || length == 0) return;
  const std::size_t reports = std::min(read.bytes, m_inputBuffer.size()) / length;
  if (reports == 0) return;
  const auto last = m_inputBuffer.begin() + static_cast<std::ptrdiff_t>((reports - 1) * length);
  if (*last != InputStateReportId) return;
  const std::size_t count = std::min(kInputStateSize, length - 1);
  std::lock_guard lock(m_state.inputLock);
  std::copy_n(last + 1, count, m_state.inputState.begin());
}

WriteWorker::WriteWorker(BoardState& state, platform::Clock& clock)
    : m_state(state), m_clock(clock) {}

void WriteWorker::run(const std::atomic<bool>* stop) {
  while (stop == nullptr || !stop->load()) pass();
}

void WriteWorker::pass() {
  {
    std::lock_guard lock(m_state.boardLock);
    platform::HidDevice* board = m_state.hDevice.get();
    if (m_state.rebootRequest.load(std::memory_order_acquire) != 0) {
      const FeatureReport command = RebootCommand();
      if (board != nullptr) board->cancelInput();
      send(board, command);
      m_state.rebootRequest.store(0, std::memory_order_release);
    }
    // While no board is open the request waits; selection drops it when it opens another.
    if (m_state.writeRequest.load(std::memory_order_acquire) != 0 && board != nullptr) {
      board->cancelInput();
      const OutgoingReports& out = m_state.outReports;
      bool accepted = true;
      for (const FeatureReport* report : {&out.outSettingsReport, &out.outAxisKeyReportA,
                                          &out.outAxisKeyReportB, &out.outButtonTypeReport}) {
        accepted = send(board, *report) && accepted;
      }
      m_state.writeOutcome.store(accepted ? WriteOutcome::Accepted : WriteOutcome::Refused,
                                 std::memory_order_release);
      m_state.writeRequest.store(0, std::memory_order_release);
    }
  }
  m_clock.sleepMs(kWritePeriodMs);
}

bool WriteWorker::send(platform::HidDevice* board, const FeatureReport& report) {
  // The interface's own feature length goes out: cut short, or padded with zeros past the
  // report's 21 bytes.
  std::vector<std::uint8_t> buffer(m_state.hidCaps.featureReportByteLength, 0);
  std::copy_n(report.begin(), std::min(buffer.size(), report.size()), buffer.begin());
  for (int attempt = 0;; ++attempt) {
    if (board != nullptr && board->setFeature(buffer)) return true;
    if (attempt == kWriteRetries) return false;
    m_clock.sleepMs(kWriteRetryMs);
  }
}

}  // namespace brisa::board
