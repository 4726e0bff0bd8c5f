#include "board/report_exchange.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>

#include "board/board_call.h"

namespace brisa::board {
namespace {

constexpr std::array<ReportId, 4> kReadOrder = {ButtonTypeReport, SettingsReport, AxisKeyReportA,
                                                AxisKeyReportB};

bool Raised(const std::atomic<std::uint32_t>& flag) {
  return flag.load(std::memory_order_acquire) != 0;
}

// Under the board lock.
BoardShare ShareOf(const BoardState& state) {
  return BoardShare{state.hDevice,       state.hidCaps,
                    ReportOffset(state), state.selection.load(std::memory_order_acquire),
                    state.readAsked,     state.rebootAsked};
}

bool StillSelected(const BoardState& state, const BoardShare& share) {
  return state.selection.load(std::memory_order_acquire) == share.selection;
}

// A handle is used only with its own report lengths: those that did not come while selection
// waited for them are asked for here.
void TakeCapabilities(BoardState& state, BoardShare& share) {
  if (!share.board || share.caps) return;
  const auto answer = CallBoard(
      share.board, [](platform::HidDevice& board) { return board.capabilities(); },
      [&] { return StillSelected(state, share); });
  if (!answer) return;
  // A descriptor that cannot be had gives no lengths; asking again would give none either.
  share.caps = answer->value_or(platform::HidCaps{});
  std::lock_guard lock(state.boardLock);
  if (StillSelected(state, share)) state.hidCaps = share.caps;
}

}  // namespace

void AskRead(BoardState& state) {
  {
    std::lock_guard lock(state.boardLock);
    ++state.readAsked;
    state.readRequest.store(1, std::memory_order_release);
  }
  state.readWake.ring();
}

void AskReboot(BoardState& state) {
  {
    std::lock_guard lock(state.boardLock);
    ++state.rebootAsked;
    state.rebootRequest.store(1, std::memory_order_release);
  }
  state.writeWake.ring();
}

void AskWrite(BoardState& state, const OutgoingReports& reports) {
  {
    std::lock_guard lock(state.boardLock);
    state.outReports = reports;
    ++state.outReportsVersion;
    state.writeOutcome = WriteOutcome::None;
    // (A read still on its way stores nothing, seeing the write.)
    if (state.readDone.exchange(0, std::memory_order_acq_rel) != 0) {
      ++state.readAsked;
      state.readRequest.store(1, std::memory_order_release);
    }
    state.writeRequest.store(1, std::memory_order_release);
  }
  state.writeWake.ring();
}

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
  const auto stopped = [stop] { return stop != nullptr && stop->load(); };
  while (!stopped()) {
    pass();
    if (!stopped()) waitForWork();
  }
}

void ReadWorker::pass() {
  BoardShare share;
  {
    std::lock_guard lock(m_state.boardLock);
    // Off the board while a write is pending, and idle while none is open.
    if (!Raised(m_state.writeRequest)) share = ShareOf(m_state);
  }
  if (share.board) {
    TakeCapabilities(m_state, share);
    share.board->cancelInput();
    if (Raised(m_state.readRequest)) readConfiguration(share);
    if (mayGoOn(share)) readInput(share);
  }
  m_clock.sleepMs(kReadPeriodMs);
}

void ReadWorker::waitForWork() {
  std::shared_ptr<platform::HidDevice> board;
  {
    std::lock_guard lock(m_state.boardLock);
    if (!Raised(m_state.writeRequest)) board = m_state.hDevice;
  }
  // Whoever raises a flag, selects a board or ends a write rings readWake.
  if (!board) {
    m_state.readWake.wait();
  } else if (!Raised(m_state.readRequest)) {
    board->waitForInput(m_state.readWake);
  }
}

bool ReadWorker::mayGoOn(const BoardShare& share) const {
  return StillSelected(m_state, share) && !Raised(m_state.writeRequest);
}

void ReadWorker::readConfiguration(const BoardShare& share) {
  std::array<std::optional<FeatureReport>, kReadOrder.size()> received;
  const auto wanted = [this, &share] { return mayGoOn(share); };
  for (std::size_t i = 0; i < kReadOrder.size(); ++i) {
    // An abandoned read leaves the request to the pass that serves the board selected now, or
    // to the pass after the write.
    if (!mayGoOn(share)) return;
    const auto answer = CallBoard(
        share.board,
        [report = EmptyReport(kReadOrder[i])](
            platform::HidDevice& board) mutable -> std::optional<FeatureReport> {
          if (board.getFeature(report)) return report;
          return std::nullopt;
        },
        wanted);
    if (!answer) return;
    received[i] = *answer;
  }
  std::lock_guard lock(m_state.boardLock);
  // An Update that came while the answers were on their way may have changed the board: what
  // was read is older than the pages, and the request waits for the end of the write.
  if (!mayGoOn(share)) return;
  bool anyRead = false;
  for (std::size_t i = 0; i < kReadOrder.size(); ++i) {
    if (!received[i]) continue;
    const auto from = received[i]->begin() + static_cast<std::ptrdiff_t>(share.reportOffset);
    std::copy_n(from, kConfigBlockSize, BlockFor(m_state.configRecord, kReadOrder[i]).begin());
    if (kReadOrder[i] == SettingsReport) m_state.identityRead.store(1, std::memory_order_release);
    anyRead = true;
  }
  if (anyRead) m_state.configReadFromBoard.store(1, std::memory_order_release);
  // A Read pressed while this one was on its way may want what the board holds now.
  if (m_state.readAsked == share.readAsked) {
    m_state.readRequest.store(0, std::memory_order_release);
  }
  m_state.readDone.store(1, std::memory_order_release);
}

void ReadWorker::readInput(const BoardShare& share) {
  platform::HidDevice& board = *share.board;
  // The board slots its reports at the length they are split at here.
  const std::size_t length = share.caps.value_or(platform::HidCaps{}).inputReportByteLength;
  const platform::InputRead read = board.readInput(m_inputBuffer, length);
  if (read.status == platform::InputReadStatus::Pending) {
    // Abandoned now rather than at the next pass: the handle may close before then, and no
    // read may be left waiting on a handle that closes.
    board.cancelInput();
    return;
  }
  if (read.status != platform::InputReadStatus::Completed || length == 0) return;
  const std::size_t reports = std::min(read.bytes, m_inputBuffer.size()) / length;
  if (reports == 0) return;
  const auto last = m_inputBuffer.begin() + static_cast<std::ptrdiff_t>((reports - 1) * length);
  if (*last != InputStateReportId) return;
  const std::size_t count = std::min(kInputStateSize, length - 1);
  std::lock_guard lock(m_state.inputLock);
  // The live display belongs to the board selected now.
  if (!StillSelected(m_state, share)) return;
  std::copy_n(last + 1, count, m_state.inputState.begin());
  m_state.inputReceived = true;
}

WriteWorker::WriteWorker(BoardState& state, platform::Clock& clock)
    : m_state(state), m_clock(clock) {}

void WriteWorker::run(const std::atomic<bool>* stop) {
  const auto stopped = [stop] { return stop != nullptr && stop->load(); };
  while (!stopped()) {
    pass();
    if (!stopped()) waitForWork();
  }
}

void WriteWorker::pass() {
  BoardShare share;
  bool reboot = false;
  bool write = false;
  OutgoingReports reports;
  std::uint64_t version = 0;
  {
    std::lock_guard lock(m_state.boardLock);
    share = ShareOf(m_state);
    reboot = Raised(m_state.rebootRequest);
    // While no board is open the request waits; selection drops it when it opens another.
    write = Raised(m_state.writeRequest) && share.board != nullptr;
    if (write) {
      reports = m_state.outReports;
      version = m_state.outReportsVersion;
    }
  }
  if (reboot || write) TakeCapabilities(m_state, share);
  if (reboot) {
    if (share.board) share.board->cancelInput();
    std::uint64_t failedMs = 0;
    // An abandoned reboot was dropped by selection; the flag may be raised for the next board,
    // as it may be by a Reboot pressed while this one was sent.
    if (send(share, RebootCommand(), failedMs) != Sent::Abandoned) {
      std::lock_guard lock(m_state.boardLock);
      if (m_state.rebootAsked == share.rebootAsked) {
        m_state.rebootRequest.store(0, std::memory_order_release);
      }
    }
  }
  if (write) writeReports(share, reports, version);
  m_clock.sleepMs(kWritePeriodMs);
}

void WriteWorker::waitForWork() {
  if (Raised(m_state.rebootRequest)) return;
  {
    std::lock_guard lock(m_state.boardLock);
    if (Raised(m_state.writeRequest) && m_state.hDevice) return;
  }
  m_state.writeWake.wait();
}

void WriteWorker::writeReports(const BoardShare& share, const OutgoingReports& reports,
                               std::uint64_t version) {
  share.board->cancelInput();
  bool accepted = true;
  std::uint64_t failedMs = 0;
  for (const FeatureReport* report : {&reports.outSettingsReport, &reports.outAxisKeyReportA,
                                      &reports.outAxisKeyReportB, &reports.outButtonTypeReport}) {
    const Sent sent = send(share, *report, failedMs);
    // Selection dropped this write and told the user so.
    if (sent == Sent::Abandoned) return;
    accepted = sent == Sent::Accepted && accepted;
    // A board that lets a request time out would take as long over every other one.
    if (sent == Sent::Unanswered) break;
  }
  {
    std::lock_guard lock(m_state.boardLock);
    // Newer reports came meanwhile: the request stays for them.
    if (!StillSelected(m_state, share) || m_state.outReportsVersion != version) return;
    m_state.writeOutcome.store(accepted ? WriteOutcome::Accepted : WriteOutcome::Refused,
                               std::memory_order_release);
    m_state.writeRequest.store(0, std::memory_order_release);
  }
  // The read worker stays off the board while a write is pending.
  m_state.readWake.ring();
}

WriteWorker::Sent WriteWorker::send(const BoardShare& share, const FeatureReport& report,
                                    std::uint64_t& failedMs) {
  // The interface's own feature length goes out: cut short, or padded with zeros past the
  // report's 21 bytes.
  std::vector<std::uint8_t> buffer(share.caps.value_or(platform::HidCaps{}).featureReportByteLength,
                                   0);
  std::copy_n(report.begin(), std::min(buffer.size(), report.size()), buffer.begin());
  const auto stillSelected = [this, &share] { return StillSelected(m_state, share); };
  for (int attempt = 0;; ++attempt) {
    // No attempt after a selection: the next board must not receive it.
    if (!stillSelected()) return Sent::Abandoned;
    if (failedMs >= kNoAnswerMs) return Sent::Unanswered;
    const std::uint64_t start = m_clock.nowMs();
    if (share.board) {
      const auto accepted = CallBoard(
          share.board, [buffer](platform::HidDevice& board) { return board.setFeature(buffer); },
          stillSelected, std::chrono::milliseconds(kNoAnswerMs - failedMs));
      if (!accepted) return stillSelected() ? Sent::Unanswered : Sent::Abandoned;
      if (*accepted) return Sent::Accepted;
    }
    const std::uint64_t spent = m_clock.nowMs() - start;
    if (failedMs + spent >= kNoAnswerMs) return Sent::Unanswered;
    if (attempt == kWriteRetries) {
      failedMs += spent;
      return Sent::Refused;
    }
    m_clock.sleepMs(kWriteRetryMs);
    failedMs += m_clock.nowMs() - start;
  }
}

}  // namespace brisa::board
