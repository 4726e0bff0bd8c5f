#include "editor/my_tab_ctrl.h"

namespace brisa::editor {

CMyTabCtrl::CMyTabCtrl(AppContext& context, Environment& environment, int dialogId, int controlId)
    : m_pages{std::make_unique<CTabButtonsSetup>(context, environment),
              std::make_unique<CTabButtonsTest>(context, environment),
              std::make_unique<CTabAxisSetup>(context, environment),
              std::make_unique<CTabAdvanced>(context, environment),
              std::make_unique<CTabKeyboard>(context, environment)},
      m_shell(environment.shell),
      m_dialogId(dialogId),
      m_controlId(controlId) {}

void CMyTabCtrl::Init() {
  m_currentPage = 0;
  for (auto& page : m_pages) page->Create(m_shell, m_dialogId, m_controlId);
  // The toolkit gives every page the same rectangle below the tab row.
  for (int i = 0; i < m_pageCount; ++i) {
    m_shell.showDialog(page(i).templateId(), i == m_currentPage);
  }
}

void CMyTabCtrl::OnLButtonDown() {
  const int focused = m_shell.focusedTabItem(m_dialogId, m_controlId);
  // The tab already shown, or a click beside the tabs.
  if (focused == m_currentPage || focused < 0 || focused >= m_pageCount) return;
  SwitchTo(focused);
  m_shell.focusDialog(page(m_currentPage).templateId());
}

void CMyTabCtrl::ShowPageOf(int pageDialogId) {
  for (int i = 0; i < m_pageCount; ++i) {
    if (page(i).templateId() != pageDialogId) continue;
    m_shell.selectTabItem(m_dialogId, m_controlId, i);
    if (i != m_currentPage) SwitchTo(i);
    return;
  }
}

void CMyTabCtrl::SwitchTo(int index) {
  m_shell.showDialog(page(m_currentPage).templateId(), false);
  m_currentPage = index;
  m_shell.showDialog(page(m_currentPage).templateId(), true);
}

}  // namespace brisa::editor
