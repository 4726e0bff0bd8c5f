// The main dialog's selection: the chosen entry becomes the current board or bootloader.

#include <cstdio>

#include "board/battery_level.h"
#include "board/board_selection.h"
#include "board/identification.h"
#include "editor/board_link_texts.h"
#include "editor/brisa_dlg.h"
#include "editor/live_display.h"
#include "editor/page_controls.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;
namespace adv = res::advanced;

// Counts the dialog as busy with its device list while alive.
class DeviceWork {
 public:
  explicit DeviceWork(int& depth) : m_depth(depth) { ++m_depth; }
  ~DeviceWork() { --m_depth; }
  DeviceWork(const DeviceWork&) = delete;
  DeviceWork& operator=(const DeviceWork&) = delete;

 private:
  int& m_depth;
};

}  // namespace

void CBrisaDlg::OnCbnSelendokDevice() {
  ui::Window& w = window();
  const int index = w.selection(ids::kDeviceCombo);
  if (index < 0 || static_cast<std::size_t>(index) >= m_devices.size()) return;
  DeviceWork busy(m_deviceWork);
  // A copy: a rebuild from inside a message box below must not pull the entry away.
  const board::DeviceEntry entry = m_devices[static_cast<std::size_t>(index)];
  const bool bluetoothMark = board::HasBluetoothMark(w.itemText(ids::kDeviceCombo, index));
  m_batteryLevel = "N/A";
  ForgetShownBoard();
  // A download's bar is held at 0 again unless this selection leaves it to the download.
  m_barAtZero = false;

  // The pages hold the previous board's configuration until this one's has been read: nothing
  // may be written from them before then.
  w.setEnabled(ids::kUpdateButton, false);
  w.setEnabled(ids::kSetDefaultsButton, false);

  // While a download runs, the bootloader objects are its own.
  const bool downloading = m_context.dfu.upgradeRequest.load(std::memory_order_acquire) != 0;
  m_dfuSelectionDeferred = downloading;
  std::vector<std::string> messages;
  if (board::IsBootloaderPath(entry.path)) {
    SelectBootloader(entry, downloading, messages);
  } else {
    SelectHidBoard(entry, bluetoothMark, downloading, messages);
  }

  EnablePageControls(Pages(), page(kPageButtonTest), m_context.board.pDevice.get());
  UpdateData(false);
  for (const std::string& message : messages) m_environment.prompts.messageBox(message);
}

void CBrisaDlg::SelectBootloader(const board::DeviceEntry& entry, bool keepDfuObjects,
                                 std::vector<std::string>& messages) {
  ui::Window& advanced = page(kPageAdvanced);
  const board::BootloaderOpening opened =
      board::OpenBootloader(m_context.board, m_context.dfu, keepDfuObjects, Clock());
  if (opened.writeDropped) messages.push_back(kWriteDroppedText);
  if (opened.closedPrevious) advanced.setText(adv::kLogEdit, "");
  m_vendorId = "0x0483";
  m_productId = "0xDF11";
  m_firmwareVersion = board::IdentityText(board::BootloaderRevision(entry.path));
  if (opened.probed) EnableUpgradeIfReady();
  advanced.setEnabled(adv::kRebootButton, false);
}

void CBrisaDlg::EnableUpgradeIfReady() {
  ui::Window& advanced = page(kPageAdvanced);
  if (!advanced.text(adv::kFirmwarePathEdit).empty() && !m_context.dfu.pDfuInterfaces.empty()) {
    advanced.setEnabled(adv::kUpgradeButton, true);
  }
}

void CBrisaDlg::CompleteDeferredSelection() {
  const board::Device* device = m_context.board.pDevice.get();
  if (device != nullptr && device->GetModel() == board::ModelId::DFU) {
    if (board::ReopenBootloader(m_context.dfu, Clock()).probed) EnableUpgradeIfReady();
  } else {
    page(kPageAdvanced).setEnabled(adv::kUpgradeButton, false);
    board::ReleaseBootloader(m_context.dfu);
  }
  // The download's log and bar say how it ended: they stay until the next selection.
  m_barAtZero = true;
}

void CBrisaDlg::ShowIdentifiedBoard() {
  EnablePageControls(Pages(), page(kPageButtonTest), m_context.board.pDevice.get());
  page(kPageAdvanced).setEnabled(adv::kRebootButton, true);
}

void CBrisaDlg::SelectHidBoard(const board::DeviceEntry& entry, bool bluetoothMark,
                               bool keepDfuObjects, std::vector<std::string>& messages) {
  if (bluetoothMark) ReadBatteryLevel(entry.devInst, messages);
  ui::Window& advanced = page(kPageAdvanced);
  if (!keepDfuObjects) {
    advanced.setEnabled(adv::kUpgradeButton, false);
    advanced.setText(adv::kLogEdit, "");
    board::ReleaseBootloader(m_context.dfu);
  }

  const board::HidOpening opened =
      board::OpenHidBoard(m_context.board, m_environment.hid, entry.path, bluetoothMark);
  if (opened.writeDropped) messages.push_back(kWriteDroppedText);
  if (opened.attributes) {
    m_vendorId = board::IdentityText(opened.attributes->vendorId);
    m_productId = board::IdentityText(opened.attributes->productId);
    m_firmwareVersion = board::IdentityText(opened.attributes->versionNumber);
  }
  if (opened.kind == board::HidOpenKind::AccessDenied &&
      m_permissionToldFor.insert(entry.path).second) {
    messages.push_back(kPermissionDeniedText);
  }
  // The reboot command is a feature report, which a keyboard collection's query handle
  // carries too; a board not yet identified gets it once it is.
  const bool open =
      opened.kind == board::HidOpenKind::ReadWrite || opened.kind == board::HidOpenKind::QueryOnly;
  advanced.setEnabled(adv::kRebootButton, open);
}

void CBrisaDlg::ForgetShownBoard() {
  // Each branch fills what it knows of the new board; the rest stays empty rather than show
  // another board's.
  m_vendorId.clear();
  m_productId.clear();
  m_firmwareVersion.clear();
  // The lamps and hats are drawn anew by the page controls of the new model.
  m_context.buttonState.fill(kButtonStateUnknown);
  m_context.hatIndex = 0;
  BlankLiveAxes(page(kPageAxisSetup), m_context.axisShown);
}

void CBrisaDlg::ReadBatteryLevel(platform::NodeId devInst, std::vector<std::string>& messages) {
  if (m_environment.deviceTree == nullptr || m_environment.gatt == nullptr) return;
  const board::BatteryReading reading = board::BleReadBatteryLevel(
      m_context.board, *m_environment.deviceTree, *m_environment.gatt, devInst);
  if (reading.openError) {
    char text[64];
    std::snprintf(text, sizeof text, kOpenDeviceFailedFormat, static_cast<int>(*reading.openError));
    messages.push_back(text);
  }
  if (reading.level) m_batteryLevel = *reading.level;
}

}  // namespace brisa::editor
