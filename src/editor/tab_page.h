#pragma once

#include "editor/app_context.h"
#include "editor/environment.h"
#include "resources/resource_ids.h"
#include "ui/dialog_events.h"
#include "ui/shell.h"

namespace brisa::editor {

// One page of the main dialog's tab control: a child dialog on its own template. What every
// page shares: Enter does nothing and Esc obeys the main dialog's closing rule.
class CTabPage : public ui::DialogEvents {
 public:
  CTabPage(AppContext& context, Environment& environment, int templateId)
      : m_context(context), m_environment(environment), m_templateId(templateId) {}

  int templateId() const { return m_templateId; }
  // Creates the page window, hidden, as a child of a tab control, and initialises it.
  void Create(ui::Shell& shell, int parentDialogId, int tabControlId);
  bool created() const { return m_window != nullptr; }
  // The page's controls; std::logic_error before Create.
  ui::Window& window() const;

  // Runs once the page's controls exist.
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() {}
  virtual void OnCancel();

  void onNotify(int /*controlId*/, ui::Notification /*code*/) override {}
  void onOk() override { OnOK(); }
  void onCancel() override { OnCancel(); }

 protected:
  AppContext& m_context;
  Environment& m_environment;

 private:
  const int m_templateId;
  ui::Window* m_window = nullptr;
};

// "Button Setup": what kind of input each button pin is. A pin is claimed by at most one kind,
// and the box the user clicks wins.
class CTabButtonsSetup : public CTabPage {
 public:
  CTabButtonsSetup(AppContext& context, Environment& environment)
      : CTabPage(context, environment, res::dialog::kButtonSetup) {}

  void OnBnClickedAnalog();
  void OnBnClickedEncoder();
  void OnBnClickedRotary();
  void OnBnClickedToggle();

  void onNotify(int controlId, ui::Notification code) override;
};

// "Button Test": drawn entirely by the timer tick.
class CTabButtonsTest : public CTabPage {
 public:
  CTabButtonsTest(AppContext& context, Environment& environment)
      : CTabPage(context, environment, res::dialog::kButtonTest) {}
};

// "Axis Setup": axis ranges and inversion, live axis values, the two potentiometer gains.
class CTabAxisSetup : public CTabPage {
 public:
  CTabAxisSetup(AppContext& context, Environment& environment)
      : CTabPage(context, environment, res::dialog::kAxisSetup) {}

  bool OnInitDialog() override;
};

// "Advanced": timings, the pairing PIN and the firmware update area.
class CTabAdvanced : public CTabPage {
 public:
  CTabAdvanced(AppContext& context, Environment& environment)
      : CTabPage(context, environment, res::dialog::kAdvanced) {}

  void OnBnClickedChoose();
  void OnBnClickedUpgrade();
  void OnBnClickedReboot();
  void OnBnClickedRequirePin();

  void onNotify(int controlId, ui::Notification code) override;
};

// "Keyboard": one key-code edit per button and the on-screen key-code selector.
class CTabKeyboard : public CTabPage {
 public:
  CTabKeyboard(AppContext& context, Environment& environment)
      : CTabPage(context, environment, res::dialog::kKeyboard) {}

  void OnBnClickedKeycodeHelper();
  void OnEnSetfocusKey();

  void onNotify(int controlId, ui::Notification code) override;
};

}  // namespace brisa::editor
