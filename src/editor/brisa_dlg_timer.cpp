// The main dialog's 5 ms tick: button states, device changes, the live display and the arrival
// of a configuration read. It writes a control only when what the control shows changes.

#include <mutex>

#include "board/board_selection.h"
#include "board/device_list.h"
#include "editor/brisa_dlg.h"
#include "editor/live_display.h"
#include "editor/page_controls.h"
#include "editor/page_fill.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;
using board::ModelId;
using board::ToNumber;

void ShowEnabled(ui::Window& w, int id, bool enabled) {
  if (w.enabled(id) != enabled) w.setEnabled(id, enabled);
}

}  // namespace

void CBrisaDlg::OnTimer(int /*timerId*/) {
  ReportOwedWriteOutcome();
  board::BoardState& board = m_context.board;
  ui::Window& w = window();
  // A tick from inside a message box of a rebuild or a selection starts no other.
  const bool deviceWorkAllowed = m_deviceWork == 0;
  if (deviceWorkAllowed) {
    OnDeviceChange();
    if (m_dfuSelectionDeferred &&
        m_context.dfu.upgradeRequest.load(std::memory_order_acquire) == 0) {
      m_dfuSelectionDeferred = false;
      CompleteDeferredSelection();
    }
  }

  const bool open = board.hDevice != nullptr;
  if (m_readShown != open) {
    w.setEnabled(ids::kReadButton, open);
    m_readShown = open;
  }
  if (!open) {
    ShowEnabled(w, ids::kUpdateButton, false);
    ShowEnabled(w, ids::kSetDefaultsButton, false);
  }

  if (deviceWorkAllowed && m_environment.deviceTree != nullptr) {
    const std::uint8_t count = board::CountDfuDevices(*m_environment.deviceTree);
    if (count != board.dfuDeviceCount) {
      board.dfuDeviceCount = count;
      RefreshDeviceList();
    }
  }

  // A board selected before its report 3 came is identified by the first read that brings it.
  if (board.pDevice == nullptr && board.modelAwaited && board::IdentifyFromRead(board)) {
    ShowIdentifiedBoard();
  }
  const board::Device* device = board.pDevice.get();
  if (device == nullptr) {
    BlankLiveAxes(page(kPageAxisSetup), m_context.axisShown);
    return;
  }
  const std::uint8_t model = device->GetModelId();
  // While a bootloader is selected the bar belongs to the download, as it does while a download
  // still runs after another selection, and until that one's bootloader objects are let go of.
  if (model == ToNumber(ModelId::DFU) || m_dfuSelectionDeferred ||
      m_context.dfu.upgradeRequest.load(std::memory_order_acquire) != 0) {
    m_barAtZero = false;
  } else if (!m_barAtZero) {
    page(kPageAdvanced).setPosition(res::advanced::kProgressBar, 0);
    m_barAtZero = true;
  }

  if (ShowsLiveInput(model)) {
    board::InputStateReport input;
    bool received = false;
    {
      std::lock_guard lock(board.inputLock);
      input = board.inputState;
      received = board.inputReceived;
    }
    // Until this board's first report nothing of its buttons and axes is known.
    if (received) {
      ShowLiveInput(
          page(kPageAxisSetup), page(kPageButtonTest), *device, input,
          LiveDisplayState{m_context.buttonState, m_context.hatIndex, m_context.axisShown});
    } else {
      BlankLiveAxes(page(kPageAxisSetup), m_context.axisShown);
    }
  }

  // Taken before the record: a read that ends while the pages fill is shown at the next tick.
  if (model == ToNumber(ModelId::DFU) || board.readDone.exchange(0, std::memory_order_acq_rel) == 0)
    return;
  board::ConfigRecord record;
  {
    std::lock_guard lock(board.boardLock);
    record = board.configRecord;
  }
  FillConfigPages(Pages(), record, ReadFillLayout(*device));
  // Only a configuration read from this board may be written back to it.
  if (board.configReadFromBoard.load(std::memory_order_acquire) != 0) {
    w.setEnabled(ids::kUpdateButton, true);
    w.setEnabled(ids::kSetDefaultsButton, true);
  }
}

}  // namespace brisa::editor
