#pragma once

#include "editor/app_context.h"
#include "editor/environment.h"
#include "ui/dialog_events.h"
#include "ui/window.h"

namespace brisa::editor {

// The on-screen keyboard of the "Keyboard" page: a click on a key writes the key's usage id
// into the key-code edit that last had the focus and closes the selector. Esc and the close box
// close it without a change.
class CKeySelector final : public ui::DialogEvents {
 public:
  CKeySelector(AppContext& context, Environment& environment)
      : m_context(context), m_environment(environment) {}

  // Builds the selector, runs it modally and destroys it again.
  int DoModal();
  bool OnInitDialog();
  void OnKeyButton();

  void onNotify(int controlId, ui::Notification code) override;
  void onOk() override;
  void onCancel() override;

 private:
  // The "Keyboard" page once a key-code edit has had the focus; null before.
  ui::Window* TargetPage() const;

  AppContext& m_context;
  Environment& m_environment;
  ui::Window* m_window = nullptr;
};

}  // namespace brisa::editor
