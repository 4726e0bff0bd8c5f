#pragma once

#include <string>
#include <vector>

#include "ui/dialog_events.h"
#include "ui/window.h"

namespace brisa::ui {

// The dialog windows of the program, built from their templates, and what a toolkit does with
// them beyond their controls: showing, modal runs, tab items, the menu, accelerators, timers.
// Dialogs are named by their template id (each exists at most once at a time). UI thread only;
// the Window of a dialog may be used from any thread. Unknown dialog ids throw std::logic_error.
class Shell {
 public:
  virtual ~Shell() = default;

  // Creates a dialog, hidden, whose input goes to `events`. With a parent, the dialog is a page:
  // a child window filling the page area of that dialog's tab control.
  virtual Window& createDialog(int dialogId, DialogEvents& events, int parentDialogId = 0,
                               int parentControlId = 0) = 0;
  virtual void destroyDialog(int dialogId) = 0;
  virtual bool hasDialog(int dialogId) const = 0;
  virtual Window& dialog(int dialogId) = 0;

  virtual void showDialog(int dialogId, bool visible) = 0;
  virtual bool dialogVisible(int dialogId) const = 0;
  // Gives the keyboard focus to the dialog's first enabled tab-stop control.
  virtual void focusDialog(int dialogId) = 0;
  // The title-bar and task-bar icon (an icon resource id).
  virtual void setDialogIcon(int dialogId, int iconId) = 0;

  // Shows a top-level dialog and runs it modally until endDialog; returns endDialog's result.
  virtual int runModal(int dialogId) = 0;
  virtual void endDialog(int dialogId, int result) = 0;

  // The application's main window: the one whose accelerators are translated.
  virtual void setMainDialog(int dialogId) = 0;
  // Loads an accelerator table for the main window; false when there is no such table.
  virtual bool loadAccelerators(int tableId) = 0;

  // Tab controls: the items in order, and the item that has the focus (the one last clicked).
  virtual void insertTabItem(int dialogId, int controlId, int index, const std::string& text) = 0;
  virtual std::vector<std::string> tabItems(int dialogId, int controlId) const = 0;
  virtual int focusedTabItem(int dialogId, int controlId) const = 0;
  // Makes an item the selected and focused one, as a click does, but notifies no one.
  virtual void selectTabItem(int dialogId, int controlId, int index) = 0;

  // The dialog's menu (from its template), items by command id; every item starts enabled.
  virtual bool menuItemEnabled(int dialogId, int commandId) const = 0;
  virtual void setMenuItemEnabled(int dialogId, int commandId, bool enabled) = 0;

  // A repeating timer: onTimer(timerId) every periodMs while the dialog exists.
  virtual void setTimer(int dialogId, int timerId, int periodMs) = 0;
};

// Modal results.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

}  // namespace brisa::ui
