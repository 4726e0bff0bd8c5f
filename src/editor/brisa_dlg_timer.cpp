// The main dialog's 5 ms tick: button states, device changes, the live display and the arrival
// of a configuration read.

#include <mutex>

#include "board/device_list.h"
#include "editor/brisa_dlg.h"
#include "editor/live_display.h"
#include "editor/page_controls.h"
#include "editor/page_fill.h"

namespace brisa::editor {

namespace ids = res::main_dialog;
using board::ModelId;
using board::ToNumber;

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
      OnCbnSelendokDevice();
    }
  }

  const bool open = board.hDevice != nullptr;
  w.setEnabled(ids::kReadButton, open);
  if (!open) {
    w.setEnabled(ids::kUpdateButton, false);
    w.setEnabled(ids::kSetDefaultsButton, false);
  }

  if (deviceWorkAllowed && m_environment.deviceTree != nullptr) {
    const std::uint8_t count = board::CountDfuDevices(*m_environment.deviceTree);
    if (count != board.dfuDeviceCount) {
      board.dfuDeviceCount = count;
      RefreshDeviceList();
    }
  }

  const board::Device* device = board.pDevice.get();
  if (device == nullptr) {
    BlankLiveAxes(page(kPageAxisSetup), m_context.axisShown);
    return;
  }
  const std::uint8_t model = device->GetModelId();
  // While a bootloader is selected the bar belongs to the download.
  if (model != ToNumber(ModelId::DFU))
    page(kPageAdvanced).setPosition(res::advanced::kProgressBar, 0);

  if (ShowsLiveInput(model)) {
    board::InputStateReport input;
    {
      std::lock_guard lock(board.inputLock);
      input = board.inputState;
    }
    ShowLiveInput(page(kPageAxisSetup), page(kPageButtonTest), *device, input,
                  LiveDisplayState{m_context.buttonState, m_context.hatIndex, m_context.axisShown});
  }

  if (model == ToNumber(ModelId::DFU) || board.readDone.load(std::memory_order_acquire) == 0)
    return;
  board::ConfigRecord record;
  {
    // Never wait for a worker's pass here: a write may hold the lock through its retries. The
    // read stays announced and the next tick tries again.
    std::unique_lock lock(board.boardLock, std::try_to_lock);
    if (!lock.owns_lock()) return;
    record = board.configRecord;
  }
  FillConfigPages(Pages(), record, ReadFillLayout(*device));
  // Only a configuration read from this board may be written back to it.
  if (board.configReadFromBoard.load(std::memory_order_acquire) != 0) {
    w.setEnabled(ids::kUpdateButton, true);
    w.setEnabled(ids::kSetDefaultsButton, true);
  }
  board.readDone.store(0, std::memory_order_release);
}

}  // namespace brisa::editor
