#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QTabBar>
#include <QWidget>
#include <functional>

#include "ui/dialog_events.h"

namespace brisa::qt {

// A top-level dialog: Esc and the close box go to its handlers, which decide whether it ends.
class TopLevelDialog final : public QDialog {
 public:
  // An owned dialog stays above its owner and is centred over it.
  TopLevelDialog(ui::DialogEvents& events, QWidget* owner);
  void reject() override;

 private:
  ui::DialogEvents& m_events;
};

// A page inside a tab control: Enter and Esc stay with the page's own handlers instead of
// reaching the dialog around it.
class PageWidget final : public QWidget {
 public:
  PageWidget(QWidget* parent, ui::DialogEvents& events);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  ui::DialogEvents& m_events;
};

// The tab strip: every tab as wide as the widest, and a left click reported after the strip
// has made the clicked tab the current one. The wheel does not switch tabs.
class TabBar final : public QTabBar {
 public:
  explicit TabBar(QWidget* parent) : QTabBar(parent) {}
  std::function<void()> onLeftClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  QSize tabSizeHint(int index) const override;
};

// A link: one tab stop, which Enter follows. A plain label with links would stop the Tab key
// once on itself and once more on each link inside it.
class LinkLabel final : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  bool focusNextPrevChild(bool next) override;
};

// A tab control: the strip over a framed area in which its pages sit.
class TabControlWidget final : public QWidget {
 public:
  explicit TabControlWidget(QWidget* parent);
  TabBar* bar() const { return m_bar; }
  // Where every page sits: below the tab row, 3 pixels short of the right edge and 2 of the
  // bottom edge.
  QRect pageRect() const;
  void layoutChildren();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QFrame* m_panel;
  TabBar* m_bar;
};

}  // namespace brisa::qt
