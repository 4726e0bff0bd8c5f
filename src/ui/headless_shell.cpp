#include "ui/headless_shell.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "resources/accelerator_table.h"
#include "resources/menu.h"

namespace brisa::ui {
namespace {

using res::ControlKind;

const res::ControlTemplate& ControlOf(int dialogId, int controlId) {
  for (const auto& control : res::GetDialogTemplate(dialogId).controls) {
    if (control.id == controlId) return control;
  }
  throw std::logic_error("dialog " + std::to_string(dialogId) + " has no control " +
                         std::to_string(controlId));
}

bool IsPushButton(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton;
}

}  // namespace

HeadlessShell::Dialog& HeadlessShell::find(int dialogId) {
  return const_cast<Dialog&>(std::as_const(*this).find(dialogId));
}

const HeadlessShell::Dialog& HeadlessShell::find(int dialogId) const {
  const auto it = m_dialogs.find(dialogId);
  if (it == m_dialogs.end()) {
    throw std::logic_error("dialog " + std::to_string(dialogId) + " does not exist");
  }
  return it->second;
}

HeadlessShell::Dialog& HeadlessShell::visibleDialog(int dialogId) {
  if (!dialogVisible(dialogId)) {
    throw std::logic_error("dialog " + std::to_string(dialogId) + " is not on screen");
  }
  return find(dialogId);
}

void HeadlessShell::requireTabControl(const Dialog& dialog, int dialogId, int controlId) const {
  (void)dialog;
  if (ControlOf(dialogId, controlId).kind != ControlKind::TabControl) {
    throw std::logic_error("control " + std::to_string(controlId) + " of dialog " +
                           std::to_string(dialogId) + " is no tab control");
  }
}

Window& HeadlessShell::createDialog(int dialogId, DialogEvents& events, int parentDialogId,
                                    int parentControlId) {
  if (m_dialogs.count(dialogId) != 0) {
    throw std::logic_error("dialog " + std::to_string(dialogId) + " exists already");
  }
  if (parentDialogId != 0) requireTabControl(find(parentDialogId), parentDialogId, parentControlId);
  const res::DialogTemplate& tmpl = res::GetDialogTemplate(dialogId);
  Dialog dialog;
  dialog.window = std::make_unique<HeadlessWindow>(tmpl);
  dialog.events = &events;
  dialog.parentDialogId = parentDialogId;
  if (tmpl.menuId != 0) {
    for (const auto& popup : res::GetMenu(tmpl.menuId).popups) {
      for (const auto& item : popup.items) {
        if (!item.IsSeparator()) dialog.menuEnabled[item.commandId] = true;
      }
    }
  }
  for (const auto& control : tmpl.controls) {
    if (control.kind == ControlKind::TabControl) {
      dialog.tabs[control.id];
      dialog.focusedTab[control.id] = -1;
    }
  }
  return *m_dialogs.emplace(dialogId, std::move(dialog)).first->second.window;
}

void HeadlessShell::destroyDialog(int dialogId) {
  find(dialogId);
  for (auto it = m_dialogs.begin(); it != m_dialogs.end();) {
    it = it->second.parentDialogId == dialogId ? m_dialogs.erase(it) : std::next(it);
  }
  m_dialogs.erase(dialogId);
  if (m_focusedDialog == dialogId) m_focusedDialog = 0;
}

bool HeadlessShell::hasDialog(int dialogId) const {
  return m_dialogs.count(dialogId) != 0;
}

Window& HeadlessShell::dialog(int dialogId) {
  return *find(dialogId).window;
}

HeadlessWindow& HeadlessShell::window(int dialogId) {
  return *find(dialogId).window;
}

void HeadlessShell::showDialog(int dialogId, bool visible) {
  find(dialogId).visible = visible;
}

bool HeadlessShell::dialogVisible(int dialogId) const {
  const Dialog& dialog = find(dialogId);
  if (!dialog.visible) return false;
  return dialog.parentDialogId == 0 || dialogVisible(dialog.parentDialogId);
}

void HeadlessShell::focusDialog(int dialogId) {
  Dialog& dialog = find(dialogId);
  m_focusedDialog = dialogId;
  for (const auto& control : res::GetDialogTemplate(dialogId).controls) {
    if (control.id == res::kNoId || (control.style & res::style::kTabStop) == 0) continue;
    if (!dialog.window->enabled(control.id)) continue;
    moveFocus(dialog, dialogId, control.id);
    return;
  }
}

void HeadlessShell::moveFocus(Dialog& dialog, int dialogId, int controlId) {
  dialog.window->setFocus(controlId);
  if (ControlOf(dialogId, controlId).kind == ControlKind::Edit) {
    dialog.events->onNotify(controlId, Notification::SetFocus);
  }
}

void HeadlessShell::focus(int dialogId, int controlId) {
  Dialog& dialog = visibleDialog(dialogId);
  if (!dialog.window->enabled(controlId)) return;
  m_focusedDialog = dialogId;
  moveFocus(dialog, dialogId, controlId);
}

void HeadlessShell::setDialogIcon(int dialogId, int iconId) {
  find(dialogId).icon = iconId;
}

int HeadlessShell::dialogIcon(int dialogId) const {
  return find(dialogId).icon;
}

int HeadlessShell::runModal(int dialogId) {
  {
    Dialog& dialog = find(dialogId);
    dialog.result.reset();
    dialog.visible = true;
  }
  while (!find(dialogId).result) {
    if (m_modalSteps.empty()) {
      throw std::logic_error("dialog " + std::to_string(dialogId) +
                             " still runs after the last scripted step");
    }
    auto step = std::move(m_modalSteps.front());
    m_modalSteps.pop_front();
    step();
  }
  return *find(dialogId).result;
}

void HeadlessShell::endDialog(int dialogId, int result) {
  Dialog& dialog = find(dialogId);
  dialog.result = result;
  dialog.visible = false;
}

std::optional<int> HeadlessShell::modalResult(int dialogId) const {
  return find(dialogId).result;
}

void HeadlessShell::whenModal(std::function<void()> step) {
  m_modalSteps.push_back(std::move(step));
}

void HeadlessShell::setMainDialog(int dialogId) {
  m_mainDialog = dialogId;
}

bool HeadlessShell::loadAccelerators(int tableId) {
  try {
    res::GetAcceleratorTable(tableId);
  } catch (const std::out_of_range&) {
    return false;
  }
  m_acceleratorTable = tableId;
  return true;
}

void HeadlessShell::insertTabItem(int dialogId, int controlId, int index, const std::string& text) {
  Dialog& dialog = find(dialogId);
  requireTabControl(dialog, dialogId, controlId);
  auto& items = dialog.tabs[controlId];
  const auto at =
      static_cast<std::size_t>(std::clamp<int>(index, 0, static_cast<int>(items.size())));
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), text);
  // A tab control's first item becomes the selected and focused one.
  if (dialog.focusedTab[controlId] < 0) dialog.focusedTab[controlId] = 0;
}

std::vector<std::string> HeadlessShell::tabItems(int dialogId, int controlId) const {
  const Dialog& dialog = find(dialogId);
  requireTabControl(dialog, dialogId, controlId);
  return dialog.tabs.at(controlId);
}

int HeadlessShell::focusedTabItem(int dialogId, int controlId) const {
  const Dialog& dialog = find(dialogId);
  requireTabControl(dialog, dialogId, controlId);
  return dialog.focusedTab.at(controlId);
}

void HeadlessShell::selectTabItem(int dialogId, int controlId, int index) {
  Dialog& dialog = find(dialogId);
  requireTabControl(dialog, dialogId, controlId);
  if (index >= 0 && index < static_cast<int>(dialog.tabs[controlId].size())) {
    dialog.focusedTab[controlId] = index;
  }
}

bool HeadlessShell::menuItemEnabled(int dialogId, int commandId) const {
  const Dialog& dialog = find(dialogId);
  const auto it = dialog.menuEnabled.find(commandId);
  if (it == dialog.menuEnabled.end()) {
    throw std::logic_error("the menu of dialog " + std::to_string(dialogId) + " has no item " +
                           std::to_string(commandId));
  }
  return it->second;
}

void HeadlessShell::setMenuItemEnabled(int dialogId, int commandId, bool enabled) {
  menuItemEnabled(dialogId, commandId);
  find(dialogId).menuEnabled[commandId] = enabled;
}

void HeadlessShell::setTimer(int dialogId, int timerId, int periodMs) {
  find(dialogId).timers[timerId] = periodMs;
}

int HeadlessShell::timerPeriod(int dialogId, int timerId) const {
  const auto& timers = find(dialogId).timers;
  const auto it = timers.find(timerId);
  return it == timers.end() ? 0 : it->second;
}

void HeadlessShell::click(int dialogId, int controlId) {
  Dialog& dialog = visibleDialog(dialogId);
  const res::ControlTemplate& control = ControlOf(dialogId, controlId);
  if (!IsPushButton(control.kind) && control.kind != ControlKind::CheckBox) {
    throw std::logic_error("control " + std::to_string(controlId) + " of dialog " +
                           std::to_string(dialogId) + " cannot be clicked");
  }
  if (!dialog.window->enabled(controlId)) return;
  // A clicked button or box takes the focus, as it does on screen.
  m_focusedDialog = dialogId;
  dialog.window->setFocus(controlId);
  if (control.kind == ControlKind::CheckBox && (control.style & res::style::kAutoCheck) != 0) {
    dialog.window->setChecked(controlId, !dialog.window->checked(controlId));
  }
  dialog.events->onNotify(controlId, Notification::Clicked);
}

void HeadlessShell::chooseItem(int dialogId, int controlId, int index) {
  Dialog& dialog = visibleDialog(dialogId);
  if (!dialog.window->enabled(controlId)) return;
  dialog.window->setSelection(controlId, index);
  dialog.events->onNotify(controlId, Notification::SelEndOk);
}

void HeadlessShell::clickTab(int dialogId, int controlId, int index) {
  Dialog& dialog = visibleDialog(dialogId);
  requireTabControl(dialog, dialogId, controlId);
  if (index >= 0 && index < static_cast<int>(dialog.tabs[controlId].size())) {
    dialog.focusedTab[controlId] = index;
  }
  dialog.events->onNotify(controlId, Notification::LButtonDown);
}

void HeadlessShell::pressEnter(int dialogId) {
  Dialog& dialog = visibleDialog(dialogId);
  HeadlessWindow& window = *dialog.window;
  const int focused = window.focusedId();
  if (focused != kNoFocus && IsPushButton(ControlOf(dialogId, focused).kind)) {
    click(dialogId, focused);
    return;
  }
  const int defaultButton = window.defaultButton();
  if (defaultButton != 0) {
    if (window.enabled(defaultButton)) {
      dialog.events->onNotify(defaultButton, Notification::Clicked);
    }
    return;
  }
  dialog.events->onOk();
}

void HeadlessShell::pressEscape(int dialogId) {
  visibleDialog(dialogId).events->onCancel();
}

void HeadlessShell::requestClose(int dialogId) {
  if (find(dialogId).parentDialogId != 0) {
    throw std::logic_error("a page has no close box");
  }
  visibleDialog(dialogId).events->onCancel();
}

int HeadlessShell::pressKey(char key, std::uint32_t modifiers) {
  if (!m_acceleratorTable || m_mainDialog == 0 || !hasDialog(m_mainDialog)) return 0;
  const int command = res::FindAcceleratorCommand(*m_acceleratorTable, key, modifiers);
  if (command != 0) find(m_mainDialog).events->onCommand(command, CommandSource::Accelerator);
  return command;
}

void HeadlessShell::openMenu() {
  visibleDialog(m_mainDialog).events->onMenuOpening();
}

bool HeadlessShell::chooseMenuItem(int commandId) {
  openMenu();
  if (!menuItemEnabled(m_mainDialog, commandId)) return false;
  find(m_mainDialog).events->onCommand(commandId, CommandSource::Menu);
  return true;
}

void HeadlessShell::tick(int count) {
  for (int n = 0; n < count; ++n) {
    std::vector<std::pair<int, int>> due;
    for (const auto& [dialogId, dialog] : m_dialogs) {
      for (const auto& timer : dialog.timers) due.emplace_back(dialogId, timer.first);
    }
    for (const auto& [dialogId, timerId] : due) {
      if (hasDialog(dialogId)) find(dialogId).events->onTimer(timerId);
    }
  }
}

}  // namespace brisa::ui
