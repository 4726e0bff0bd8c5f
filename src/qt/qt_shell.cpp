#include "qt/qt_shell.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <algorithm>
#include <stdexcept>

#include "qt/dialog_units.h"
#include "qt/dialog_widgets.h"
#include "qt/icon_images.h"
#include "resources/accelerator_table.h"
#include "resources/dialog_template.h"
#include "resources/menu.h"

namespace brisa::qt {
namespace {

QKeySequence ToKeySequence(const res::Accelerator& accelerator) {
  int modifiers = 0;
  if (accelerator.modifiers & res::modifier::kCtrl) modifiers |= Qt::ControlModifier;
  if (accelerator.modifiers & res::modifier::kShift) modifiers |= Qt::ShiftModifier;
  if (accelerator.modifiers & res::modifier::kAlt) modifiers |= Qt::AltModifier;
  return QKeySequence(modifiers | (Qt::Key_A + (accelerator.key - 'A')));
}

// Keeps a focused edit from claiming an accelerator's keys for itself (Qt edits on X11 take
// Ctrl+U to clear their line): inside the main window the accelerators come first, wherever
// the focus is. It watches each widget of the window as it takes the focus, where the keys
// arrive, rather than every event of the application (a timer's every 5 ms among them).
class AcceleratorGuard final : public QObject {
 public:
  AcceleratorGuard(QWidget* mainWindow, std::vector<QKeySequence> keys)
      : m_mainWindow(mainWindow), m_keys(std::move(keys)) {
    watch(QApplication::focusWidget());
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { watch(now); });
  }

  void watch(QWidget* widget) {
    // Installing again only moves the filter to the front.
    if (widget != nullptr && widget->window() == m_mainWindow) widget->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != m_mainWindow) return false;
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const QKeySequence& key : m_keys) {
      if (key == pressed) {
        event->ignore();  // not overridden: the shortcut runs
        return true;
      }
    }
    return false;
  }

 private:
  QWidget* m_mainWindow;
  std::vector<QKeySequence> m_keys;
};

}  // namespace

QtShell::QtShell() = default;

QtShell::~QtShell() {
  // The outermost widgets take what they hold along.
  for (;;) {
    const auto outer = std::find_if(m_dialogs.begin(), m_dialogs.end(), [](const auto& entry) {
      return entry.second.widget->parentWidget() == nullptr;
    });
    if (outer == m_dialogs.end()) break;
    destroyDialog(outer->first);
  }
}

QtShell::Dialog& QtShell::find(int dialogId) {
  return const_cast<Dialog&>(std::as_const(*this).find(dialogId));
}

const QtShell::Dialog& QtShell::find(int dialogId) const {
  const auto it = m_dialogs.find(dialogId);
  if (it == m_dialogs.end()) {
    throw std::logic_error("dialog " + std::to_string(dialogId) + " does not exist");
  }
  return it->second;
}

ui::Window& QtShell::createDialog(int dialogId, ui::DialogEvents& events, int parentDialogId,
                                  int parentControlId) {
  if (m_dialogs.count(dialogId) != 0) {
    throw std::logic_error("dialog " + std::to_string(dialogId) + " exists already");
  }
  const res::DialogTemplate& tmpl = res::GetDialogTemplate(dialogId);
  const QFont font = DialogFont(tmpl);
  const DialogUnits units(font);
  Dialog dialog;
  dialog.events = &events;
  dialog.parentDialogId = parentDialogId;
  if (parentDialogId != 0) {
    TabControlWidget* tabs = find(parentDialogId).window->tabControl(parentControlId);
    auto* page = new PageWidget(tabs, events);
    page->setFont(font);
    page->hide();
    dialog.widget = page;
    dialog.window = std::make_unique<QtWindow>(tmpl, page, page, units, m_ui, events);
    tabs->layoutChildren();
  } else {
    // Dialogs other than the main window belong to it (the key-code selector).
    QWidget* owner =
        dialogId != m_mainDialog && hasDialog(m_mainDialog) ? find(m_mainDialog).widget : nullptr;
    auto* top = new TopLevelDialog(events, owner);
    top->setFont(font);
    top->setWindowTitle(QString::fromStdString(tmpl.caption));
    int menuHeight = 0;
    if (tmpl.menuId != 0) {
      dialog.menuBar = new QMenuBar(top);
      for (const res::MenuPopup& popup : res::GetMenu(tmpl.menuId).popups) {
        QMenu* menu = dialog.menuBar->addMenu(QString::fromStdString(popup.text));
        QObject::connect(menu, &QMenu::aboutToShow, menu, [&events] { events.onMenuOpening(); });
        for (const res::MenuItem& item : popup.items) {
          if (item.IsSeparator()) {
            menu->addSeparator();
            continue;
          }
          QAction* action = menu->addAction(QString::fromStdString(item.text));
          const int command = item.commandId;
          QObject::connect(action, &QAction::triggered, action, [&events, command] {
            events.onCommand(command, ui::CommandSource::Menu);
          });
          dialog.menuItems[command] = action;
        }
      }
      menuHeight = dialog.menuBar->sizeHint().height();
    }
    auto* client = new QWidget(top);
    const QSize size(units.x(tmpl.width), units.y(tmpl.height));
    client->setGeometry(0, menuHeight, size.width(), size.height());
    if (dialog.menuBar != nullptr) dialog.menuBar->setGeometry(0, 0, size.width(), menuHeight);
    top->setFixedSize(size.width(), size.height() + menuHeight);
    dialog.widget = top;
    dialog.window = std::make_unique<QtWindow>(tmpl, top, client, units, m_ui, events);
  }
  Dialog& stored = m_dialogs.emplace(dialogId, std::move(dialog)).first->second;
  if (dialogId == m_mainDialog) bindAccelerators();
  return *stored.window;
}

void QtShell::destroyDialog(int dialogId) {
  Dialog& dialog = find(dialogId);
  QWidget* widget = dialog.widget;
  const bool topLevel = dialog.parentDialogId == 0;
  // Pages and owned dialogs go with the widget that holds them.
  const auto heldBy = [widget](const Dialog& other) {
    for (QWidget* w = other.widget->parentWidget(); w != nullptr; w = w->parentWidget()) {
      if (w == widget) return true;
    }
    return false;
  };
  for (auto it = m_dialogs.begin(); it != m_dialogs.end();) {
    it = it->first != dialogId && heldBy(it->second) ? m_dialogs.erase(it) : std::next(it);
  }
  if (dialogId == m_mainDialog) {
    for (QShortcut* shortcut : m_shortcuts) delete shortcut;
    m_shortcuts.clear();
    m_acceleratorGuard.reset();
  }
  m_dialogs.erase(dialogId);
  if (topLevel) {
    delete widget;
  } else {
    widget->hide();
    widget->deleteLater();
  }
}

bool QtShell::hasDialog(int dialogId) const {
  return m_dialogs.count(dialogId) != 0;
}

ui::Window& QtShell::dialog(int dialogId) {
  return *find(dialogId).window;
}

QtWindow& QtShell::window(int dialogId) const {
  return *find(dialogId).window;
}

QWidget* QtShell::widget(int dialogId) const {
  return find(dialogId).widget;
}

QMenuBar* QtShell::menuBar(int dialogId) const {
  return find(dialogId).menuBar;
}

QWidget* QtShell::promptParent() const {
  return hasDialog(m_mainDialog) ? find(m_mainDialog).widget : nullptr;
}

void QtShell::showDialog(int dialogId, bool visible) {
  find(dialogId).widget->setVisible(visible);
}

bool QtShell::dialogVisible(int dialogId) const {
  return find(dialogId).widget->isVisible();
}

void QtShell::focusDialog(int dialogId) {
  find(dialogId).window->focusFirstTabStop();
}

void QtShell::setDialogIcon(int dialogId, int iconId) {
  find(dialogId).widget->setWindowIcon(IconWithAllSizes(iconId));
}

int QtShell::runModal(int dialogId) {
  auto* top = dynamic_cast<QDialog*>(find(dialogId).widget);
  if (top == nullptr) throw std::logic_error("a page cannot run modally");
  // exec() makes the window modal only as it shows it.
  top->hide();
  return top->exec();
}

void QtShell::endDialog(int dialogId, int result) {
  auto* top = dynamic_cast<QDialog*>(find(dialogId).widget);
  if (top == nullptr) throw std::logic_error("a page cannot end");
  top->done(result);
}

void QtShell::setMainDialog(int dialogId) {
  m_mainDialog = dialogId;
  if (hasDialog(dialogId)) bindAccelerators();
}

bool QtShell::loadAccelerators(int tableId) {
  try {
    res::GetAcceleratorTable(tableId);
  } catch (const std::out_of_range&) {
    return false;
  }
  m_acceleratorTable = tableId;
  if (hasDialog(m_mainDialog)) bindAccelerators();
  return true;
}

void QtShell::bindAccelerators() {
  for (QShortcut* shortcut : m_shortcuts) delete shortcut;
  m_shortcuts.clear();
  m_acceleratorGuard.reset();
  if (!m_acceleratorTable) return;
  Dialog& main = find(m_mainDialog);
  ui::DialogEvents* events = main.events;
  std::vector<QKeySequence> keys;
  for (const res::Accelerator& accelerator : res::GetAcceleratorTable(*m_acceleratorTable)) {
    keys.push_back(ToKeySequence(accelerator));
  }
  m_acceleratorGuard = std::make_unique<AcceleratorGuard>(main.widget, keys);
  for (const res::Accelerator& accelerator : res::GetAcceleratorTable(*m_acceleratorTable)) {
    // Anywhere in the main window, its pages included.
    auto* shortcut = new QShortcut(ToKeySequence(accelerator), main.widget);
    shortcut->setContext(Qt::WindowShortcut);
    const int command = accelerator.commandId;
    QObject::connect(shortcut, &QShortcut::activated, shortcut, [events, command] {
      events->onCommand(command, ui::CommandSource::Accelerator);
    });
    m_shortcuts.push_back(shortcut);
  }
}

void QtShell::insertTabItem(int dialogId, int controlId, int index, const std::string& text) {
  TabControlWidget* tabs = find(dialogId).window->tabControl(controlId);
  tabs->bar()->insertTab(index, QString::fromStdString(text));
  tabs->layoutChildren();
}

std::vector<std::string> QtShell::tabItems(int dialogId, int controlId) const {
  TabControlWidget* tabs = find(dialogId).window->tabControl(controlId);
  std::vector<std::string> items;
  for (int i = 0; i < tabs->bar()->count(); ++i)
    items.push_back(tabs->bar()->tabText(i).toStdString());
  return items;
}

int QtShell::focusedTabItem(int dialogId, int controlId) const {
  return find(dialogId).window->tabControl(controlId)->bar()->currentIndex();
}

void QtShell::selectTabItem(int dialogId, int controlId, int index) {
  find(dialogId).window->tabControl(controlId)->bar()->setCurrentIndex(index);
}

bool QtShell::menuItemEnabled(int dialogId, int commandId) const {
  const Dialog& dialog = find(dialogId);
  const auto it = dialog.menuItems.find(commandId);
  if (it == dialog.menuItems.end()) {
    throw std::logic_error("the menu of dialog " + std::to_string(dialogId) + " has no item " +
                           std::to_string(commandId));
  }
  return it->second->isEnabled();
}

void QtShell::setMenuItemEnabled(int dialogId, int commandId, bool enabled) {
  menuItemEnabled(dialogId, commandId);
  find(dialogId).menuItems.at(commandId)->setEnabled(enabled);
}

void QtShell::setTimer(int dialogId, int timerId, int periodMs) {
  Dialog& dialog = find(dialogId);
  QTimer*& timer = dialog.timers[timerId];
  if (timer == nullptr) {
    timer = new QTimer(dialog.widget);
    timer->setTimerType(Qt::PreciseTimer);
    ui::DialogEvents* events = dialog.events;
    QObject::connect(timer, &QTimer::timeout, timer,
                     [events, timerId] { events->onTimer(timerId); });
  }
  timer->start(periodMs);
}

}  // namespace brisa::qt
