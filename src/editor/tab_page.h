#pragma once

#include "editor/app_context.h"
#include "resources/resource_ids.h"
#include "ui/dialog_events.h"
#include "ui/shell.h"

namespace brisa::editor {

// One page of the main dialog's tab control: a child dialog on its own template. What every
// page shares: Enter does nothing and Esc obeys the main dialog's closing rule.
class CTabPage : public ui::DialogEvents {
 public:
  CTabPage(AppContext& context, int templateId) : m_context(context), m_templateId(templateId) {}

  int templateId() const { return m_templateId; }
  // Creates the page window, hidden, as a child of a tab control.
  void Create(ui::Shell& shell, int parentDialogId, int tabControlId);
  bool created() const { return m_window != nullptr; }
  // The page's controls; std::logic_error before Create.
  ui::Window& window() const;

  virtual void OnOK() {}
  virtual void OnCancel();

  void onNotify(int /*controlId*/, ui::Notification /*code*/) override {}
  void onOk() override { OnOK(); }
  void onCancel() override { OnCancel(); }

 protected:
  AppContext& m_context;

 private:
  const int m_templateId;
  ui::Window* m_window = nullptr;
};

// The five pages; their own controls' handlers join them with their pages' work.
class CTabButtonsSetup : public CTabPage {
 public:
  explicit CTabButtonsSetup(AppContext& context) : CTabPage(context, res::dialog::kButtonSetup) {}
};
class CTabButtonsTest : public CTabPage {
 public:
  explicit CTabButtonsTest(AppContext& context) : CTabPage(context, res::dialog::kButtonTest) {}
};
class CTabAxisSetup : public CTabPage {
 public:
  explicit CTabAxisSetup(AppContext& context) : CTabPage(context, res::dialog::kAxisSetup) {}
};
class CTabAdvanced : public CTabPage {
 public:
  explicit CTabAdvanced(AppContext& context) : CTabPage(context, res::dialog::kAdvanced) {}
};
class CTabKeyboard : public CTabPage {
 public:
  explicit CTabKeyboard(AppContext& context) : CTabPage(context, res::dialog::kKeyboard) {}
};

}  // namespace brisa::editor
