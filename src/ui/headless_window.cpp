#include "ui/headless_window.h"

#include <algorithm>
#include <stdexcept>

namespace brisa::ui {
namespace {

using res::ControlKind;

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
      return "push button";
    case ControlKind::DefPushButton:
      return "default push button";
    case ControlKind::CheckBox:
      return "check box";
    case ControlKind::GroupBox:
      return "group box";
    case ControlKind::Label:
      return "label";
    case ControlKind::Picture:
      return "picture";
    case ControlKind::Edit:
      return "edit";
    case ControlKind::ComboBox:
      return "combo box";
    case ControlKind::TabControl:
      return "tab control";
    case ControlKind::ProgressBar:
      return "progress bar";
    case ControlKind::Slider:
      return "slider";
    case ControlKind::Link:
      return "link";
  }
  return "control";
}

// Captions of buttons, check boxes and group boxes are the template's and never change, so
// reaching for their text means the wrong page (1150 is a check box on one, an edit on another).
bool HasWindowText(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::Label || kind == ControlKind::Link;
}

std::vector<int> IdsInOrder(const res::DialogTemplate& dialog) {
  std::vector<int> ids;
  for (const auto& control : dialog.controls) {
    if (control.id == res::kNoId) continue;
    if (std::find(ids.begin(), ids.end(), control.id) != ids.end()) {
      throw std::logic_error("dialog " + std::to_string(dialog.id) + " holds control " +
                             std::to_string(control.id) + " twice");
    }
    ids.push_back(control.id);
  }
  return ids;
}

}  // namespace

HeadlessWindow::HeadlessWindow(const res::DialogTemplate& dialog)
    : m_dialogId(dialog.id), m_order(IdsInOrder(dialog)), m_caption(dialog.caption) {
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

const HeadlessWindow::Control& HeadlessWindow::find(int id, Operation op) const {
  const auto it = m_controls.find(id);
  if (it == m_controls.end()) {
    throw std::logic_error("dialog " + std::to_string(m_dialogId) + " has no control " +
                           std::to_string(id));
  }
  const ControlKind kind = it->second.kind;
  bool fits = true;
  const char* wanted = "";
  switch (op) {
    case Operation::Text:
      fits = HasWindowText(kind) || kind == ControlKind::ComboBox;
      wanted = "text";
      break;
    case Operation::SetText:
      fits = HasWindowText(kind);
      wanted = "settable text";
      break;
    case Operation::Append:
      fits = kind == ControlKind::Edit;
      wanted = "appendable text";
      break;
    case Operation::Check:
      fits = kind == ControlKind::CheckBox;
      wanted = "a check state";
      break;
    case Operation::Range:
      fits = kind == ControlKind::ProgressBar || kind == ControlKind::Slider;
      wanted = "a range and position";
      break;
    case Operation::Icon:
      fits = kind == ControlKind::Picture;
      wanted = "an icon";
      break;
    case Operation::Items:
      fits = kind == ControlKind::ComboBox;
      wanted = "items";
      break;
    case Operation::Any:
      break;
  }
  if (!fits) {
    throw std::logic_error("control " + std::to_string(id) + " of dialog " +
                           std::to_string(m_dialogId) + " is a " + KindName(kind) +
                           ", which has no " + wanted);
  }
  return it->second;
}

HeadlessWindow::Control& HeadlessWindow::findForWrite(int id, Operation op) {
  auto& control = const_cast<Control&>(find(id, op));
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
  const Control& control = find(id, Operation::Text);
  if (control.kind == ControlKind::ComboBox) {
    return control.selection == kNoSelection ? std::string() : control.items[control.selection];
  }
  return control.text;
}

void HeadlessWindow::setText(int id, const std::string& text) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, Operation::SetText).text = text;
}

void HeadlessWindow::appendText(int id, const std::string& text) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, Operation::Append).text += text;
}

bool HeadlessWindow::checked(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, Operation::Check).checked;
}

void HeadlessWindow::setChecked(int id, bool checked) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, Operation::Check).checked = checked;
}

bool HeadlessWindow::enabled(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, Operation::Any).enabled;
}

void HeadlessWindow::setEnabled(int id, bool enabled) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, Operation::Any).enabled = enabled;
}

Range HeadlessWindow::range(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, Operation::Range).range;
}

void HeadlessWindow::setRange(int id, int low, int high) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, Operation::Range);
  control.range = Range{low, high};
  control.position = std::clamp(control.position, low, std::max(low, high));
}

int HeadlessWindow::position(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, Operation::Range).position;
}

void HeadlessWindow::setPosition(int id, int position) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, Operation::Range);
  control.position =
      std::clamp(position, control.range.low, std::max(control.range.low, control.range.high));
  control.positions.push_back(control.position);
}

int HeadlessWindow::icon(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, Operation::Icon).icon;
}

void HeadlessWindow::setIcon(int id, int iconId) {
  std::lock_guard lock(m_mutex);
  findForWrite(id, Operation::Icon).icon = iconId;
}

void HeadlessWindow::clearItems(int id) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, Operation::Items);
  control.items.clear();
  control.selection = kNoSelection;
}

int HeadlessWindow::addItem(int id, const std::string& text) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, Operation::Items);
  control.items.push_back(text);
  return static_cast<int>(control.items.size()) - 1;
}

int HeadlessWindow::itemCount(int id) const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(find(id, Operation::Items).items.size());
}

std::string HeadlessWindow::itemText(int id, int index) const {
  std::lock_guard lock(m_mutex);
  const Control& control = find(id, Operation::Items);
  if (index < 0 || index >= static_cast<int>(control.items.size())) {
    throw std::out_of_range("combo box " + std::to_string(id) + " has no item " +
                            std::to_string(index));
  }
  return control.items[index];
}

int HeadlessWindow::selection(int id) const {
  std::lock_guard lock(m_mutex);
  return find(id, Operation::Items).selection;
}

void HeadlessWindow::setSelection(int id, int index) {
  std::lock_guard lock(m_mutex);
  Control& control = findForWrite(id, Operation::Items);
  const bool valid = index >= 0 && index < static_cast<int>(control.items.size());
  control.selection = valid ? index : kNoSelection;
}

int HeadlessWindow::focusedId() const {
  std::lock_guard lock(m_mutex);
  return m_focus;
}

void HeadlessWindow::setFocus(int id) {
  std::lock_guard lock(m_mutex);
  find(id, Operation::Any);
  m_focus = id;
}

int HeadlessWindow::defaultButton() const {
  std::lock_guard lock(m_mutex);
  return m_defaultButton;
}

void HeadlessWindow::setDefaultButton(int id) {
  std::lock_guard lock(m_mutex);
  const ControlKind kind = find(id, Operation::Any).kind;
  if (kind != ControlKind::PushButton && kind != ControlKind::DefPushButton) {
    throw std::logic_error("control " + std::to_string(id) + " of dialog " +
                           std::to_string(m_dialogId) + " is no push button");
  }
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
  return find(id, Operation::Range).positions;
}

std::vector<int> HeadlessWindow::controlIds() const {
  return m_order;
}

}  // namespace brisa::ui
