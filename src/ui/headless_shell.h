#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/headless_window.h"
#include "ui/shell.h"

namespace brisa::ui {

// A shell without a screen. Tests act as the user would (click, press keys, open the menu, let
// the timer tick) and the input reaches the dialogs' handlers the way a dialog manager routes it.
// A modal run works through the steps queued with whenModal() and returns once the dialog has
// ended; it throws std::logic_error when the steps run out first.
class HeadlessShell final : public Shell {
 public:
  Window& createDialog(int dialogId, DialogEvents& events, int parentDialogId = 0,
                       int parentControlId = 0) override;
  void destroyDialog(int dialogId) override;
  bool hasDialog(int dialogId) const override;
  Window& dialog(int dialogId) override;
  void showDialog(int dialogId, bool visible) override;
  bool dialogVisible(int dialogId) const override;
  void focusDialog(int dialogId) override;
  void setDialogIcon(int dialogId, int iconId) override;
  int runModal(int dialogId) override;
  void endDialog(int dialogId, int result) override;
  void setMainDialog(int dialogId) override;
  bool loadAccelerators(int tableId) override;
  void insertTabItem(int dialogId, int controlId, int index, const std::string& text) override;
  std::vector<std::string> tabItems(int dialogId, int controlId) const override;
  int focusedTabItem(int dialogId, int controlId) const override;
  void selectTabItem(int dialogId, int controlId, int index) override;
  bool menuItemEnabled(int dialogId, int commandId) const override;
  void setMenuItemEnabled(int dialogId, int commandId, bool enabled) override;
  void setTimer(int dialogId, int timerId, int periodMs) override;

  HeadlessWindow& window(int dialogId);

  // The user's input. Clicks and keys reach only a visible dialog (else std::logic_error).
  // A click on a push button or check box: nothing while the control is disabled; the control
  // takes the focus and an auto check box toggles first.
  void click(int dialogId, int controlId);
  // The user moves the keyboard focus to a control (a click into it, or Tab); an edit tells its
  // dialog. Nothing while the control is disabled.
  void focus(int dialogId, int controlId);
  // Picks a combo-box item and settles on it.
  void chooseItem(int dialogId, int controlId, int index);
  // A left click on a tab item, or beside the tabs with index -1: the control makes a clicked
  // item the focused one, then tells its dialog.
  void clickTab(int dialogId, int controlId, int index);
  // Enter: clicks the focused push button, else the default button (only while it is enabled),
  // else tells the dialog onOk.
  void pressEnter(int dialogId);
  void pressEscape(int dialogId);
  // The close box or Alt+F4.
  void requestClose(int dialogId);
  // A key with modifiers anywhere in the application: translated through the loaded accelerator
  // table and sent to the main dialog. Returns the command sent, or 0.
  int pressKey(char key, std::uint32_t modifiers);
  // Drops the main dialog's menu down (its items get updated) and picks an item, which runs only
  // while enabled. Returns whether the command was sent.
  bool chooseMenuItem(int commandId);
  void openMenu();
  // Every running timer fires, `count` times over.
  void tick(int count = 1);

  void whenModal(std::function<void()> step);

  // What the tests look at.
  int dialogIcon(int dialogId) const;
  int focusedDialog() const { return m_focusedDialog; }
  std::optional<int> modalResult(int dialogId) const;
  int timerPeriod(int dialogId, int timerId) const;  // 0: no such timer
  int mainDialog() const { return m_mainDialog; }
  std::optional<int> acceleratorTable() const { return m_acceleratorTable; }

 private:
  struct Dialog {
    std::unique_ptr<HeadlessWindow> window;
    DialogEvents* events = nullptr;
    int parentDialogId = 0;
    bool visible = false;
    int icon = kNoIcon;
    std::map<int, std::vector<std::string>> tabs;
    std::map<int, int> focusedTab;
    std::map<int, bool> menuEnabled;
    std::map<int, int> timers;
    std::optional<int> result;
  };

  Dialog& find(int dialogId);
  const Dialog& find(int dialogId) const;
  Dialog& visibleDialog(int dialogId);
  // Gives a control the focus and tells its dialog when it is an edit.
  void moveFocus(Dialog& dialog, int dialogId, int controlId);
  void requireTabControl(const Dialog& dialog, int dialogId, int controlId) const;

  std::map<int, Dialog> m_dialogs;
  std::deque<std::function<void()>> m_modalSteps;
  int m_focusedDialog = 0;
  int m_mainDialog = 0;
  std::optional<int> m_acceleratorTable;
};

}  // namespace brisa::ui
