#pragma once

#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

#include "qt/qt_ui_thread.h"
#include "qt/qt_window.h"
#include "ui/shell.h"

class QAction;
class QShortcut;

namespace brisa::qt {

// The dialogs as Qt widgets: top-level dialogs are QDialogs with their menu bar above the
// client area, pages sit in their tab control's page area, accelerators are window shortcuts
// of the main dialog, timers are QTimers. Construct after the QApplication, on its thread.
class QtShell final : public ui::Shell {
 public:
  QtShell();
  ~QtShell() override;

  ui::Window& createDialog(int dialogId, ui::DialogEvents& events, int parentDialogId = 0,
                           int parentControlId = 0) override;
  void destroyDialog(int dialogId) override;
  bool hasDialog(int dialogId) const override;
  ui::Window& dialog(int dialogId) override;
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

  QtUiThread& uiThread() { return m_ui; }
  // The dialog's own widget (a QDialog for a top-level one); for tests and prompts.
  QWidget* widget(int dialogId) const;
  QtWindow& window(int dialogId) const;
  QMenuBar* menuBar(int dialogId) const;
  // The window prompts are shown over: the main dialog while it exists.
  QWidget* promptParent() const;

 private:
  struct Dialog {
    QWidget* widget = nullptr;  // a top-level dialog is owned here, a page by its parent
    std::unique_ptr<QtWindow> window;
    int parentDialogId = 0;
    ui::DialogEvents* events = nullptr;
    QMenuBar* menuBar = nullptr;
    std::map<int, QAction*> menuItems;
    std::map<int, QTimer*> timers;
  };

  Dialog& find(int dialogId);
  const Dialog& find(int dialogId) const;
  void bindAccelerators();

  QtUiThread m_ui;
  std::map<int, Dialog> m_dialogs;
  int m_mainDialog = 0;
  std::optional<int> m_acceleratorTable;
  std::vector<QShortcut*> m_shortcuts;
  std::unique_ptr<QObject> m_acceleratorGuard;
};

}  // namespace brisa::qt
