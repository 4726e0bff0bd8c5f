#include "ui/headless_window.h"

#include <algorithm>
#include <stdexcept>

#include "ui/control_access.h"

namespace brisa::ui {
namespace {

using res::ControlKind;

}  // namespace

HeadlessWindow::HeadlessWindow(const res::DialogTemplate& dialog)
    : m_dialogId(dialog.id), m_order(AddressableIds(dialog)), m_caption(dialog.caption) {
  for (const auto& tmpl : dialog.controls) {
    if (tmpl.id == res::kNoId) continue;
    Control control;
    control.kind = tmpl.kind;
    if (HasWindowText(tmpl.kind)) control.text = tmpl.caption;
    control.enabled = (tmpl.style & res::style::kDisabled) == 0;
    if (tmpl.kind == ControlKind::DefPushButton && m_defaultButton == 0) m_defaultButton = tmpl.id;
    m_controls.emplace(tmpl.id, std::move(control));
  }
}

const HeadlessWindow::Control& HeadlessWindow::find(int id, ControlAccess access) const {
  const auto it = m_controls.find(id);
  if (it == m_controls.end()) {
    throw std::logic_error("dialog " + std::to_string(m_dialogId) + " has no control " +
                           std::to_string(id));
  }
  RequireAccess(m_dialogId, id, it->second.kind, access);
  return it->second;
}

HeadlessWindow::Control& HeadlessWindow::findForWrite(int id, ControlAccess access) {
  auto& control = const_cast<Control&>(find(id, access));
  m_written.insert(id);
  return control;
}

int HeadlessWindow::dialogId() const {
  return m_dialogId;
}

bool HeadlessWindow::hasControl(int id) const {
  std::lock_guard lock(m_mutex);
  return m_controls.count(id) != 0;
}

std::string HeadlessWindow::caption() const {
  std::lock_guard lock(m_mutex);
  return m_caption;
}

void HeadlessWindow::setCaption(const std::string& caption) {
  std::lock_guard lock(m_mutex);
  m_caption = caption;
}

std::string HeadlessWindow::text(int id) const {
  std::lock_guard lock(m_mutex);
  const Control& control = find(id, ControlAccess::Text);
  if (control.kind == ControlKind::ComboBox) {
    return control.selection == kNoSelection ? std::string() : control.items[control.selection];
  }
  return control.text;
}

void HeadlessWindow::setText(int id, const std::string& text) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, ControlAccess::SetText).text = text;
}

void HeadlessWindow::appendText(int id, const std::string& text) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, ControlAccess::Append).text += text;
}

bool HeadlessWindow::checked(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Check).checked;
}

void HeadlessWindow::setChecked(int id, bool checked) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, ControlAccess::Check).checked = checked;
}

bool HeadlessWindow::enabled(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Any).enabled;
}

void HeadlessWindow::setEnabled(int id, bool enabled) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, ControlAccess::Any).enabled = enabled;
}

Range HeadlessWindow::range(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Range).range;
}

void HeadlessWindow::setRange(int id, int low, int high) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, ControlAccess::Range);
  control.range = Range{low, high};
  control.position = std::clamp(control.position, low, std::max(low, high));
}

int HeadlessWindow::position(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Range).position;
}

void HeadlessWindow::setPosition(int id, int position) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, ControlAccess::Range);
  control.position =
      std::clamp(position, control.range.low, std::max(control.range.low, control.range.high));
  control.positions.push_back(control.position);
}

int HeadlessWindow::icon(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Icon).icon;
}

void HeadlessWindow::setIcon(int id, int iconId) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, ControlAccess::Icon).icon = iconId;
}

void HeadlessWindow::clearItems(int id) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, ControlAccess::Items);
  control.items.clear();
  control.selection = kNoSelection;
}

int HeadlessWindow::addItem(int id, const std::string& text) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, ControlAccess::Items);
  control.items.push_back(text);
  return static_cast<int>(control.items.size()) - 1;
}

int HeadlessWindow::itemCount(int id) const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(find(id, ControlAccess::Items).items.size());
}

std::string HeadlessWindow::itemText(int id, int index) const {
  std::lock_guard lock(m_mutex);
  const Control& control = find(id, ControlAccess::Items);
  if (index < 0 || index >= static_cast<int>(control.items.size())) {
    throw std::out_of_range("combo box " + std::to_string(id) + " has no item " +
                            std::to_string(index));
  }
  return control.items[index];
}

int HeadlessWindow::selection(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Items).selection;
}

void HeadlessWindow::setSelection(int id, int index) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, ControlAccess::Items);
  const bool valid = index >= 0 && index < static_cast<int>(control.items.size());
  control.selection = valid ? index : kNoSelection;
}

int HeadlessWindow::focusedId() const {
  std::lock_guard lock(m_mutex);
  return m_focus;
}

void HeadlessWindow::setFocus(int id) {
  std::lock_guard lock(m_mutex);
  find(id, ControlAccess::Any);
  m_focus = id;
}

int HeadlessWindow::defaultButton() const {
  std::lock_guard lock(m_mutex);
  return m_defaultButton;
}

void HeadlessWindow::setDefaultButton(int id) {
  std::lock_guard lock(m_mutex);
  find(id, ControlAccess::DefaultButton);
  m_defaultButton = id;
}

std::set<int> HeadlessWindow::writtenIds() const {
  std::lock_guard lock(m_mutex);
  return m_written;
}

void HeadlessWindow::forgetWrites() {
  std::lock_guard lock(m_mutex);
  m_written.clear();
}

std::vector<int> HeadlessWindow::positionHistory(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, ControlAccess::Range).positions;
}

std::vector<int> HeadlessWindow::controlIds() const {
  return m_order;
}

}  // namespace brisa::ui
