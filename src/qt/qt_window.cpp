#include "qt/qt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <map>
#include <stdexcept>

#include "qt/control_widgets.h"
#include "qt/dialog_widgets.h"
#include "qt/icon_images.h"

namespace brisa::qt {
namespace {

using res::ControlKind;

QString ToQ(const std::string& text) {
  return QString::fromStdString(text);
}

const QPixmap& Picture(int iconId) {
  static std::map<int, QPixmap> cache;
  auto it = cache.find(iconId);
  if (it == cache.end()) it = cache.emplace(iconId, LargestPicture(iconId)).first;
  return it->second;
}

}  // namespace

QtWindow::QtWindow(const res::DialogTemplate& dialog, QWidget* root, QWidget* client,
                   const DialogUnits& units, QtUiThread& uiThread, ui::DialogEvents& events)
    : m_dialogId(dialog.id), m_root(root), m_ui(uiThread), m_caption(dialog.caption) {
  ui::AddressableIds(dialog);  // refuses a template whose ids repeat
  build(dialog, client, units, events);
}

void QtWindow::build(const res::DialogTemplate& dialog, QWidget* client, const DialogUnits& units,
                     ui::DialogEvents& events) {
  std::vector<QWidget*> groupBoxes;
  for (const res::ControlTemplate& t : dialog.controls) {
    QWidget* widget = CreateControl(t, client, units, events);
    if (t.kind == ControlKind::GroupBox) groupBoxes.push_back(widget);
    if (t.kind == ControlKind::DefPushButton && m_defaultButton == 0) m_defaultButton = t.id;
    if (t.id != res::kNoId) {
      Control control{t.kind,    t.style,  widget,     widget->geometry(),
                      t.caption, {0, 100}, ui::kNoIcon};
      m_controls.emplace(t.id, std::move(control));
    }
  }
  // A group box is a frame around its neighbours: it must not cover them.
  for (QWidget* group : groupBoxes) group->lower();
}

QtWindow::Control& QtWindow::find(int id, ui::ControlAccess access) {
  return const_cast<Control&>(std::as_const(*this).find(id, access));
}

const QtWindow::Control& QtWindow::find(int id, ui::ControlAccess access) const {
  const auto it = m_controls.find(id);
  if (it == m_controls.end()) {
    throw std::logic_error("dialog " + std::to_string(m_dialogId) + " has no control " +
                           std::to_string(id));
  }
  ui::RequireAccess(m_dialogId, id, it->second.kind, access);
  return it->second;
}

QWidget* QtWindow::widget(int id) const {
  return find(id, ui::ControlAccess::Any).widget;
}

TabControlWidget* QtWindow::tabControl(int id) const {
  auto* tabs = dynamic_cast<TabControlWidget*>(widget(id));
  if (tabs == nullptr) {
    throw std::logic_error("control " + std::to_string(id) + " of dialog " +
                           std::to_string(m_dialogId) + " is no tab control");
  }
  return tabs;
}

std::string QtWindow::caption() const {
  return m_ui.call(
      [&] { return m_root->isWindow() ? m_root->windowTitle().toStdString() : m_caption; });
}

void QtWindow::setCaption(const std::string& caption) {
  m_ui.call([&] {
    m_caption = caption;
    if (m_root->isWindow()) m_root->setWindowTitle(ToQ(caption));
  });
}

std::string QtWindow::text(int id) const {
  return m_ui.call([&]() -> std::string {
    const Control& c = find(id, ui::ControlAccess::Text);
    if (auto* line = dynamic_cast<QLineEdit*>(c.widget)) return line->text().toStdString();
    if (auto* plain = dynamic_cast<QPlainTextEdit*>(c.widget)) {
      return FromDisplay(plain->toPlainText());
    }
    if (auto* combo = dynamic_cast<QComboBox*>(c.widget)) return combo->currentText().toStdString();
    if (c.kind == ControlKind::Link) return c.text;
    return static_cast<QLabel*>(c.widget)->text().toStdString();
  });
}

void QtWindow::setText(int id, const std::string& text) {
  m_ui.call([&] {
    Control& c = find(id, ui::ControlAccess::SetText);
    if (auto* line = dynamic_cast<QLineEdit*>(c.widget)) {
      line->setText(ToQ(text));
      line->setCursorPosition(0);
    } else if (auto* plain = dynamic_cast<QPlainTextEdit*>(c.widget)) {
      plain->setPlainText(ToDisplay(text));
    } else if (c.kind == ControlKind::Link) {
      c.text = text;
      static_cast<QLabel*>(c.widget)->setText(LinkHtml(ToQ(text)));
    } else {
      static_cast<QLabel*>(c.widget)->setText(ToQ(text));
    }
  });
}

void QtWindow::appendText(int id, const std::string& text) {
  m_ui.call([&] {
    Control& c = find(id, ui::ControlAccess::Append);
    if (auto* plain = dynamic_cast<QPlainTextEdit*>(c.widget)) {
      plain->moveCursor(QTextCursor::End);
      plain->insertPlainText(ToDisplay(text));
      plain->moveCursor(QTextCursor::End);
      plain->ensureCursorVisible();
    } else {
      auto* line = static_cast<QLineEdit*>(c.widget);
      line->setText(line->text() + ToQ(text));
      line->end(false);
    }
  });
}

bool QtWindow::checked(int id) const {
  return m_ui.call([&] {
    return static_cast<QCheckBox*>(find(id, ui::ControlAccess::Check).widget)->isChecked();
  });
}

void QtWindow::setChecked(int id, bool checked) {
  m_ui.call([&] {
    static_cast<QCheckBox*>(find(id, ui::ControlAccess::Check).widget)->setChecked(checked);
  });
}

bool QtWindow::enabled(int id) const {
  return m_ui.call([&] {
    return !find(id, ui::ControlAccess::Any).widget->testAttribute(Qt::WA_ForceDisabled);
  });
}

void QtWindow::setEnabled(int id, bool enabled) {
  m_ui.call([&] { find(id, ui::ControlAccess::Any).widget->setEnabled(enabled); });
}

ui::Range QtWindow::range(int id) const {
  return m_ui.call([&] { return find(id, ui::ControlAccess::Range).range; });
}

void QtWindow::setRange(int id, int low, int high) {
  m_ui.call([&] {
    Control& c = find(id, ui::ControlAccess::Range);
    c.range = ui::Range{low, high};
    const int top = std::max(low, high);
    if (auto* bar = dynamic_cast<QProgressBar*>(c.widget)) {
      const int value = std::clamp(bar->value(), low, top);
      bar->setRange(low, top);
      bar->setValue(value);
    } else {
      static_cast<QSlider*>(c.widget)->setRange(low, top);
    }
  });
}

int QtWindow::position(int id) const {
  return m_ui.call([&] {
    const Control& c = find(id, ui::ControlAccess::Range);
    if (auto* bar = dynamic_cast<QProgressBar*>(c.widget)) return bar->value();
    return static_cast<QSlider*>(c.widget)->value();
  });
}

void QtWindow::setPosition(int id, int position) {
  m_ui.call([&] {
    Control& c = find(id, ui::ControlAccess::Range);
    const int value = std::clamp(position, c.range.low, std::max(c.range.low, c.range.high));
    if (auto* bar = dynamic_cast<QProgressBar*>(c.widget)) {
      bar->setValue(value);
    } else {
      static_cast<QSlider*>(c.widget)->setValue(value);
    }
  });
}

int QtWindow::icon(int id) const {
  return m_ui.call([&] { return find(id, ui::ControlAccess::Icon).icon; });
}

void QtWindow::setIcon(int id, int iconId) {
  m_ui.call([&] {
    Control& c = find(id, ui::ControlAccess::Icon);
    if (c.icon == iconId) return;
    c.icon = iconId;
    auto* label = static_cast<QLabel*>(c.widget);
    const QPixmap& picture = Picture(iconId);
    label->setPixmap(picture);
    // An icon picture takes the size of its icon, from its top-left corner.
    label->resize(std::max(c.rect.width(), picture.width()),
                  std::max(c.rect.height(), picture.height()));
  });
}

void QtWindow::clearItems(int id) {
  m_ui.call([&] { static_cast<QComboBox*>(find(id, ui::ControlAccess::Items).widget)->clear(); });
}

int QtWindow::addItem(int id, const std::string& text) {
  return m_ui.call([&] {
    auto* combo = static_cast<QComboBox*>(find(id, ui::ControlAccess::Items).widget);
    const int selected = combo->currentIndex();
    combo->addItem(ToQ(text));
    combo->setCurrentIndex(selected);  // adding never selects
    return combo->count() - 1;
  });
}

int QtWindow::itemCount(int id) const {
  return m_ui.call(
      [&] { return static_cast<QComboBox*>(find(id, ui::ControlAccess::Items).widget)->count(); });
}

std::string QtWindow::itemText(int id, int index) const {
  return m_ui.call([&] {
    auto* combo = static_cast<QComboBox*>(find(id, ui::ControlAccess::Items).widget);
    if (index < 0 || index >= combo->count()) {
      throw std::out_of_range("combo box " + std::to_string(id) + " has no item " +
                              std::to_string(index));
    }
    return combo->itemText(index).toStdString();
  });
}

int QtWindow::selection(int id) const {
  return m_ui.call([&] {
    return static_cast<QComboBox*>(find(id, ui::ControlAccess::Items).widget)->currentIndex();
  });
}

void QtWindow::setSelection(int id, int index) {
  m_ui.call([&] {
    auto* combo = static_cast<QComboBox*>(find(id, ui::ControlAccess::Items).widget);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : ui::kNoSelection);
  });
}

int QtWindow::focusedId() const {
  return m_ui.call([&] {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) return ui::kNoFocus;
    for (const auto& [id, c] : m_controls) {
      if (c.widget == focus || c.widget->isAncestorOf(focus)) return id;
    }
    return ui::kNoFocus;
  });
}

void QtWindow::setFocus(int id) {
  m_ui.call([&] { find(id, ui::ControlAccess::Any).widget->setFocus(Qt::OtherFocusReason); });
}

int QtWindow::defaultButton() const {
  return m_ui.call([&] { return m_defaultButton; });
}

void QtWindow::setDefaultButton(int id) {
  m_ui.call([&] {
    auto* button = static_cast<QPushButton*>(find(id, ui::ControlAccess::DefaultButton).widget);
    if (m_defaultButton != 0 && m_defaultButton != id) {
      static_cast<QPushButton*>(m_controls.at(m_defaultButton).widget)->setDefault(false);
    }
    button->setDefault(true);
    m_defaultButton = id;
  });
}

void QtWindow::focusFirstTabStop() {
  // Controls were created in template order, which is the tab order.
  QWidget* first = nullptr;
  for (QWidget* w = m_root->nextInFocusChain(); w != nullptr && w != m_root;
       w = w->nextInFocusChain()) {
    if (!m_root->isAncestorOf(w)) continue;
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
      first = w;
      break;
    }
  }
  if (first != nullptr) first->setFocus(Qt::TabFocusReason);
}

}  // namespace brisa::qt
