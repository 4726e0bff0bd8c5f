#include "board/board_state.h"
#include "board/model_id.h"
#include "board/report_exchange.h"
#include "editor/tab_page.h"

namespace brisa::editor {

namespace adv = res::advanced;

void CTabAdvanced::OnBnClickedChoose() {
  ui::Window& page = window();
  ui::FileDialogSpec spec;
  // The dialog adds the bare extension to a name typed without one.
  spec.defaultExtension = "bin";
  spec.initialName = page.text(adv::kFirmwarePathEdit);
  spec.filter = "Binary firmware (*.bin)|*.bin|";
  const auto path = m_environment.prompts.openFile(spec);
  if (!path) return;
  page.setText(adv::kFirmwarePathEdit, *path);
  // Whether the bootloader's DFU interface was found is selection's business, not this one's.
  const board::Device* device = m_context.board.pDevice.get();
  if (device != nullptr && device->GetModel() == board::ModelId::DFU) {
    page.setEnabled(adv::kUpgradeButton, true);
  }
}

void CTabAdvanced::OnBnClickedUpgrade() {
  board::Raise(m_context.dfu.upgradeRequest, m_context.dfu.upgradeWake);
}

void CTabAdvanced::OnBnClickedReboot() {
  board::AskReboot(m_context.board);
}

void CTabAdvanced::OnBnClickedRequirePin() {
  ui::Window& page = window();
  page.setEnabled(adv::kPinEdit, page.checked(adv::kRequirePinBox));
}

void CTabAdvanced::onNotify(int controlId, ui::Notification code) {
  if (code != ui::Notification::Clicked) return;
  switch (controlId) {
    case adv::kChooseButton:
      OnBnClickedChoose();
      return;
    case adv::kUpgradeButton:
      OnBnClickedUpgrade();
      return;
    case adv::kRebootButton:
      OnBnClickedReboot();
      return;
    case adv::kRequirePinBox:
      OnBnClickedRequirePin();
      return;
    default:
      return;
  }
}

}  // namespace brisa::editor
