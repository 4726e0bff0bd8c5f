#include "editor/key_selector.h"
#include "editor/tab_page.h"

namespace brisa::editor {

namespace kb = res::keyboard;

void CTabKeyboard::OnBnClickedKeycodeHelper() {
  CKeySelector selector(m_context, m_environment);
  selector.DoModal();
}

void CTabKeyboard::OnEnSetfocusKey() {
  // The helper button is no edit: pressing it leaves the edit that had the focus as the target.
  const int focused = window().focusedId();
  if (focused != ui::kNoFocus) m_context.focusedKeyEditId = focused;
}

void CTabKeyboard::onNotify(int controlId, ui::Notification code) {
  if (code == ui::Notification::Clicked && controlId == kb::kKeycodeHelperButton) {
    OnBnClickedKeycodeHelper();
  } else if (code == ui::Notification::SetFocus && controlId >= kb::KeyEdit(0) &&
             controlId < kb::KeyEdit(kb::kKeyEditCount)) {
    OnEnSetfocusKey();
  }
}

}  // namespace brisa::editor
