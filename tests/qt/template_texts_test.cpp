#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <string>

#include "qt/dialog_widgets.h"
#include "qt/qt_shell.h"
#include "qt_process.h"
#include "resources/resource_ids.h"

namespace brisa::qt {
namespace {

using testing::NoEvents;

std::string Where(const QWidget* widget, const QString& text) {
  return widget->window()->windowTitle().toStdString() + ": \"" + text.toStdString() + "\"";
}

// Pixels at the least between the end of a label's text and the control to its right, so
// the text does not run into the control's border.
constexpr int kLabelGap = 4;

// Where a one-line label's text ends, in its parent's coordinates.
int TextRight(const QLabel* label) {
  const QRect box = label->contentsRect().translated(label->pos());
  const int advance = label->fontMetrics().horizontalAdvance(label->text());
  if (label->alignment() & Qt::AlignRight) return box.right();
  if (label->alignment() & Qt::AlignHCenter) return box.center().x() + advance / 2;
  return box.left() + advance - 1;
}

// Every caption on screen shows whole in the font this machine has: labels, check boxes, group
// box titles and buttons, on every dialog; and a label's text stops short of the control to
// its right.
void ExpectNoTextCut(QWidget* dialog) {
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->text().isEmpty() || label->textFormat() != Qt::PlainText) continue;
    const QFontMetrics metrics = label->fontMetrics();
    const int width = label->contentsRect().width();
    if (label->wordWrap()) {
      EXPECT_LE(label->heightForWidth(width), label->height()) << Where(label, label->text());
    } else {
      EXPECT_LE(metrics.horizontalAdvance(label->text()), width) << Where(label, label->text());
      EXPECT_LE(metrics.height(), label->height()) << Where(label, label->text());
      // A label grown to fit runs into no control beside it.
      for (QWidget* other :
           label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == label || other->isHidden() || qobject_cast<QGroupBox*>(other)) continue;
        EXPECT_FALSE(label->geometry().intersects(other->geometry()))
            << Where(label, label->text()) << " covers a neighbour";
        const QRect o = other->geometry();
        const bool sideBySide = o.top() <= label->geometry().bottom() &&
                                o.bottom() >= label->geometry().top() &&
                                o.left() > label->geometry().left();
        if (sideBySide) {
          EXPECT_GE(o.left() - TextRight(label) - 1, kLabelGap)
              << Where(label, label->text()) << " runs up to a neighbour";
        }
      }
    }
  }
  for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), room.width())
        << Where(box, box->text());
  }
  for (QGroupBox* group : dialog->findChildren<QGroupBox*>()) {
    EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()), group->width() - 12)
        << Where(group, group->title());
  }
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 4)
        << Where(button, button->text());
  }
}

TEST(QtTemplateTexts, NoCaptionIsCutOnAnyDialog) {
  NoEvents events;
  QtShell shell;
  shell.createDialog(res::dialog::kMain, events);
  for (int page : {res::dialog::kButtonSetup, res::dialog::kButtonTest, res::dialog::kAxisSetup,
                   res::dialog::kAdvanced, res::dialog::kKeyboard}) {
    shell.createDialog(page, events, res::dialog::kMain, res::main_dialog::kTabControl);
    shell.widget(page)->show();  // a hidden page counts its children as hidden
  }
  shell.createDialog(res::dialog::kKeySelector, events);
  for (int id : {res::dialog::kMain, res::dialog::kKeySelector}) ExpectNoTextCut(shell.widget(id));
}

}  // namespace
}  // namespace brisa::qt
