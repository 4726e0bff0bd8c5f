#include "editor/key_selector.h"

#include "editor/brisa_dlg.h"
#include "editor/report_fields.h"
#include "resources/key_button_table.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace kb = res::keyboard;

bool IsKeyEdit(int id) {
  return id >= kb::KeyEdit(0) && id < kb::KeyEdit(kb::kKeyEditCount);
}

// Destroys the selector however its modal run ends.
struct DialogDestroyer {
  ui::Shell& shell;
  ~DialogDestroyer() {
    if (shell.hasDialog(res::dialog::kKeySelector)) shell.destroyDialog(res::dialog::kKeySelector);
  }
};

}  // namespace

int CKeySelector::DoModal() {
  ui::Shell& shell = m_environment.shell;
  m_window = &shell.createDialog(res::dialog::kKeySelector, *this);
  DialogDestroyer destroyer{shell};
  OnInitDialog();
  const int result = shell.runModal(res::dialog::kKeySelector);
  m_window = nullptr;
  return result;
}

ui::Window* CKeySelector::TargetPage() const {
  if (m_context.pMainDlg == nullptr || !IsKeyEdit(m_context.focusedKeyEditId)) return nullptr;
  return &m_context.pMainDlg->page(kPageKeyboard);
}

bool CKeySelector::OnInitDialog() {
  // The key of the edit's current code holds the focus when the selector appears.
  if (ui::Window* page = TargetPage()) {
    const std::uint32_t code = ScanHex(page->text(m_context.focusedKeyEditId));
    if (code != 0) {
      if (const res::KeyButtonRow* row = res::FindKeyButtonByUsageId(code)) {
        m_window->setFocus(static_cast<int>(row->controlId));
      }
    }
  }
  return true;
}

void CKeySelector::OnKeyButton() {
  // The clicked key has taken the focus.
  const int focused = m_window->focusedId();
  if (const res::KeyButtonRow* row =
          res::FindKeyButtonByControlId(static_cast<unsigned>(focused))) {
    if (ui::Window* page = TargetPage()) {
      page->setText(m_context.focusedKeyEditId,
                    FormatKeyCode(static_cast<std::uint8_t>(row->usageId)));
    }
  }
  m_environment.shell.endDialog(res::dialog::kKeySelector, 0);
}

void CKeySelector::onNotify(int controlId, ui::Notification code) {
  if (code != ui::Notification::Clicked) return;
  if (res::FindKeyButtonByControlId(static_cast<unsigned>(controlId)) != nullptr) OnKeyButton();
}

void CKeySelector::onOk() {
  m_environment.shell.endDialog(res::dialog::kKeySelector, ui::kIdOk);
}

void CKeySelector::onCancel() {
  m_environment.shell.endDialog(res::dialog::kKeySelector, ui::kIdCancel);
}

}  // namespace brisa::editor
