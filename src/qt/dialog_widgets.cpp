#include "qt/dialog_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

namespace brisa::qt {

TopLevelDialog::TopLevelDialog(ui::DialogEvents& events, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_events(events) {}

void TopLevelDialog::reject() {
  // Esc, the close box and Alt+F4 all arrive here; the handler ends the dialog or refuses.
  m_events.onCancel();
}

PageWidget::PageWidget(QWidget* parent, ui::DialogEvents& events)
    : QWidget(parent), m_events(events) {}

void PageWidget::keyPressEvent(QKeyEvent* event) {
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    event->accept();
    m_events.onOk();
    return;
  }
  if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Escape) {
    event->accept();
    m_events.onCancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool LinkLabel::focusNextPrevChild(bool next) {
  // Straight to the next control, past the label's own stepping from link to link.
  return QWidget::focusNextPrevChild(next);
}

void TabBar::mousePressEvent(QMouseEvent* event) {
  QTabBar::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && onLeftClick) onLeftClick();
}

void TabBar::wheelEvent(QWheelEvent* event) {
  event->ignore();
}

QSize TabBar::tabSizeHint(int index) const {
  QSize size = QTabBar::tabSizeHint(index);
  for (int i = 0; i < count(); ++i)
    size.setWidth(std::max(size.width(), QTabBar::tabSizeHint(i).width()));
  return size;
}

TabControlWidget::TabControlWidget(QWidget* parent)
    : QWidget(parent), m_panel(new QFrame(this)), m_bar(new TabBar(this)) {
  m_panel->setFrameShape(QFrame::StyledPanel);
  m_bar->setDrawBase(false);
  m_bar->setExpanding(false);
  // Clicks give the strip the focus, the Tab key never does.
  m_bar->setFocusPolicy(Qt::ClickFocus);
}

QRect TabControlWidget::pageRect() const {
  const QRect item0 = m_bar->count() > 0
                          ? m_bar->tabRect(0).translated(m_bar->pos())
                          : QRect(m_bar->pos(), QSize(0, m_bar->sizeHint().height()));
  // One row below the item: a QRect's bottom is its last row, not the row past it.
  const int top = item0.bottom() + 2;
  return QRect(item0.left(), top, width() - item0.left() - 3, height() - top - 2);
}

void TabControlWidget::layoutChildren() {
  const int barHeight = m_bar->sizeHint().height();
  m_bar->setGeometry(2, 0, width() - 4, barHeight);
  m_panel->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
  m_panel->lower();
  const QRect area = pageRect();
  for (QObject* child : children()) {
    if (auto* page = dynamic_cast<PageWidget*>(child)) page->setGeometry(area);
  }
}

void TabControlWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutChildren();
}

}  // namespace brisa::qt
