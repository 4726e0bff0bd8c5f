// The main dialog's device list: building it, and rebuilding it when HID interfaces come and go.

#include "editor/brisa_dlg.h"

namespace brisa::editor {

namespace ids = res::main_dialog;

void CBrisaDlg::RegisterDeviceNotifications() {
  platform::DeviceTree* tree = m_environment.deviceTree;
  if (tree == nullptr || m_deviceNotification) return;
  // The callback may come on any thread, even a worker's inside a board call: it only leaves
  // word for the timer tick, which rebuilds the list on the UI thread.
  m_deviceNotification = tree->watchHidInterfaces(
      [this](const platform::HidChange&) { m_hidChangePending.store(true); });
}

void CBrisaDlg::OnDeviceChange() {
  if (m_hidChangePending.exchange(false)) RefreshDeviceList();
}

void CBrisaDlg::RefreshDeviceList() {
  UpdateData(true);
  ui::Window& w = window();
  std::string remembered;
  const int selected = w.selection(ids::kDeviceCombo);
  if (selected >= 0 && static_cast<std::size_t>(selected) < m_devices.size()) {
    remembered = m_devices[static_cast<std::size_t>(selected)].path;
  }

  w.clearItems(ids::kDeviceCombo);
  m_devices.clear();
  // Counted before the listing, so the tick rebuilds only for a bootloader that came or went
  // after it.
  if (m_environment.deviceTree != nullptr) {
    m_context.board.dfuDeviceCount = board::CountDfuDevices(*m_environment.deviceTree);
  }
  if (m_environment.deviceTree != nullptr && m_environment.hid != nullptr) {
    for (board::ListedDevice& item :
         board::ListDevices(*m_environment.deviceTree, *m_environment.hid)) {
      m_devices.push_back(std::move(item.entry));
      w.addItem(ids::kDeviceCombo, item.text);
    }
  }
  w.setSelection(ids::kDeviceCombo, board::ReselectIndex(m_devices, remembered));

  m_vendorId.clear();
  m_productId.clear();
  m_firmwareVersion.clear();
  w.setEnabled(ids::kUpdateButton, false);
  w.setEnabled(ids::kSetDefaultsButton, false);
  OnCbnSelendokDevice();
}

}  // namespace brisa::editor
