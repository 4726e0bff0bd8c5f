#pragma once

namespace brisa::ui {

// What a control tells its dialog.
enum class Notification {
  Clicked,      // a push button or check box was clicked
  SelEndOk,     // the user settled on a combo-box item
  LButtonDown,  // a left click on a tab control, after the control has processed it
  SetFocus,     // an edit received the keyboard focus
};

// Where a command without a control came from.
enum class CommandSource { Menu, Accelerator };

// The handlers of one dialog: the toolkit forwards the user's input here, on the UI thread.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  virtual void onNotify(int controlId, Notification code) = 0;
  // Enter while no push button takes it (the dialog has no default button).
  virtual void onOk() = 0;
  // Esc, the close box, Alt+F4.
  virtual void onCancel() = 0;
  // A menu item or an accelerator's command.
  virtual void onCommand(int /*commandId*/, CommandSource /*source*/) {}
  virtual void onTimer(int /*timerId*/) {}
  // The dialog's menu is about to drop down: the moment to bring item states up to date.
  virtual void onMenuOpening() {}
};

}  // namespace brisa::ui
