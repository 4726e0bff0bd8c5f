#include "editor/tab_page.h"

#include <stdexcept>
#include <string>

#include "editor/brisa_dlg.h"

namespace brisa::editor {

void CTabPage::Create(ui::Shell& shell, int parentDialogId, int tabControlId) {
  m_window = &shell.createDialog(m_templateId, *this, parentDialogId, tabControlId);
  OnInitDialog();
}

ui::Window& CTabPage::window() const {
  if (m_window == nullptr) {
    throw std::logic_error("page " + std::to_string(m_templateId) + " has no window yet");
  }
  return *m_window;
}

void CTabPage::OnCancel() {
  if (m_context.pMainDlg != nullptr) m_context.pMainDlg->OnCancel();
}

}  // namespace brisa::editor
