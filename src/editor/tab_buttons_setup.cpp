#include "editor/button_exclusion.h"
#include "editor/tab_page.h"

namespace brisa::editor {

void CTabButtonsSetup::OnBnClickedAnalog() {
  ApplyButtonExclusion(window(), ButtonKind::Analog);
}

void CTabButtonsSetup::OnBnClickedEncoder() {
  ApplyButtonExclusion(window(), ButtonKind::Encoder);
}

void CTabButtonsSetup::OnBnClickedRotary() {
  ApplyButtonExclusion(window(), ButtonKind::Rotary);
}

void CTabButtonsSetup::OnBnClickedToggle() {
  ApplyButtonExclusion(window(), ButtonKind::Toggle);
}

void CTabButtonsSetup::onNotify(int controlId, ui::Notification code) {
  if (code != ui::Notification::Clicked) return;
  const auto kind = KindOfBox(controlId);
  if (!kind) return;
  // Each handler acts on its whole group, whichever box was clicked.
  switch (*kind) {
    case ButtonKind::Analog:
      OnBnClickedAnalog();
      return;
    case ButtonKind::Encoder:
      OnBnClickedEncoder();
      return;
    case ButtonKind::Rotary:
      OnBnClickedRotary();
      return;
    case ButtonKind::Toggle:
      OnBnClickedToggle();
      return;
  }
}

}  // namespace brisa::editor
