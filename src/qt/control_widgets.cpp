#include "qt/control_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <algorithm>

#include "qt/dialog_widgets.h"

namespace brisa::qt {
namespace {

using res::ControlKind;
namespace style = res::style;

Qt::Alignment TextAlignment(std::uint32_t styleBits) {
  if (styleBits & style::kCentered) return Qt::AlignHCenter;
  if (styleBits & style::kRightAligned) return Qt::AlignRight;
  return Qt::AlignLeft;
}

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::Edit:
    case ControlKind::ComboBox:
    case ControlKind::Slider:
    case ControlKind::Link:
      return true;
    default:
      return false;
  }
}

// Tells the dialog when an edit takes the keyboard focus, however it came there.
class FocusNotifier final : public QObject {
 public:
  FocusNotifier(QWidget* edit, ui::DialogEvents& events, int id)
      : QObject(edit), m_events(events), m_id(id) {
    edit->installEventFilter(this);
  }

  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) m_events.onNotify(m_id, ui::Notification::SetFocus);
    return false;
  }

 private:
  ui::DialogEvents& m_events;
  const int m_id;
};

// The box widened to `needed` pixels, growing away from the side its text is aligned to.
QRect WidenedToFit(QRect rect, int needed, std::uint32_t styleBits) {
  const int extra = needed - rect.width();
  if (extra <= 0) return rect;
  if (styleBits & style::kRightAligned) return rect.adjusted(-extra, 0, 0, 0);
  if (styleBits & style::kCentered) return rect.adjusted(-extra / 2, 0, extra - extra / 2, 0);
  return rect.adjusted(0, 0, extra, 0);
}

}  // namespace

QString ToDisplay(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string FromDisplay(const QString& text) {
  return QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
}

QString LinkHtml(const QString& address) {
  const QString escaped = address.toHtmlEscaped();
  return QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped);
}

QWidget* CreateControl(const res::ControlTemplate& t, QWidget* client, const DialogUnits& units,
                       ui::DialogEvents& events) {
  const int id = t.id;
  const QString caption = QString::fromStdString(t.caption);
  QRect rect = units.rect(t.rect);
  QWidget* widget = nullptr;
  switch (t.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(caption, client);
      if (t.kind == ControlKind::DefPushButton) button->setDefault(true);
      QObject::connect(button, &QPushButton::clicked, button,
                       [&events, id] { events.onNotify(id, ui::Notification::Clicked); });
      widget = button;
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(caption, client);
      QObject::connect(box, &QCheckBox::clicked, box,
                       [&events, id] { events.onNotify(id, ui::Notification::Clicked); });
      widget = box;
      break;
    }
    case ControlKind::GroupBox: {
      auto* group = new QGroupBox(caption, client);
      // A frame drawn around its neighbours: it must neither cover nor catch their clicks.
      group->setAttribute(Qt::WA_TransparentForMouseEvents);
      // The frame runs through the middle of the title, so the box keeps the template's top.
      group->setStyleSheet(QStringLiteral(
          "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
          "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
      widget = group;
      break;
    }
    case ControlKind::Label: {
      auto* label = new QLabel(caption, client);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(TextAlignment(t.style) | Qt::AlignTop);
      // A box of one line keeps its text on one line. The font here is wider than the one the
      // template was laid out in, so such a text may need a little more room than its box:
      // wrapping would push its end onto a second line that the box cuts off.
      const QFontMetrics metrics = label->fontMetrics();
      if (rect.height() < 2 * metrics.height()) {
        rect = WidenedToFit(rect, metrics.horizontalAdvance(caption), t.style);
      } else {
        label->setWordWrap(true);
      }
      widget = label;
      break;
    }
    case ControlKind::Picture: {
      auto* label = new QLabel(client);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;
      break;
    }
    case ControlKind::Edit: {
      if (t.style & style::kMultiline) {
        auto* edit = new QPlainTextEdit(client);
        edit->setReadOnly((t.style & style::kReadOnly) != 0);
        const bool scrollsSideways = (t.style & (style::kAutoHScroll | style::kHScroll)) != 0;
        edit->setLineWrapMode(scrollsSideways ? QPlainTextEdit::NoWrap
                                              : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy((t.style & style::kVScroll) ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAsNeeded);
        if ((t.style & style::kBorder) == 0) edit->setFrameShape(QFrame::NoFrame);
        edit->setPlainText(ToDisplay(t.caption));
        widget = edit;
      } else {
        auto* edit = new QLineEdit(caption, client);
        edit->setReadOnly((t.style & style::kReadOnly) != 0);
        edit->setAlignment(TextAlignment(t.style) | Qt::AlignVCenter);
        edit->setFrame((t.style & style::kBorder) != 0);
        if (t.style & style::kDigitsOnly) {
          edit->setValidator(
              new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        widget = edit;
      }
      break;
    }
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(client);
      QObject::connect(combo, &QComboBox::activated, combo,
                       [&events, id](int) { events.onNotify(id, ui::Notification::SelEndOk); });
      // The template's height is that of the dropped list; the closed box is one line.
      rect.setHeight(std::min(rect.height(), combo->sizeHint().height()));
      widget = combo;
      break;
    }
    case ControlKind::TabControl: {
      auto* tabs = new TabControlWidget(client);
      tabs->bar()->onLeftClick = [&events, id] {
        events.onNotify(id, ui::Notification::LButtonDown);
      };
      widget = tabs;
      break;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(client);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      widget = bar;
      break;
    }
    case ControlKind::Slider: {
      auto* slider =
          new QSlider(t.rect.height > t.rect.width ? Qt::Vertical : Qt::Horizontal, client);
      slider->setRange(0, 100);
      slider->setTickPosition((t.style & style::kNoTicks) ? QSlider::NoTicks : QSlider::TicksBelow);
      widget = slider;
      break;
    }
    case ControlKind::Link: {
      auto* label = new LinkLabel(LinkHtml(caption), client);
      label->setTextFormat(Qt::RichText);
      label->setOpenExternalLinks(true);
      label->setTextInteractionFlags(Qt::TextBrowserInteraction);
      widget = label;
      break;
    }
  }
  widget->setGeometry(rect);
  if (TakesFocus(t.kind)) {
    widget->setFocusPolicy((t.style & style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
  } else if (t.kind != ControlKind::TabControl) {
    widget->setFocusPolicy(Qt::NoFocus);
  }
  if (t.kind == ControlKind::Edit && id != res::kNoId) new FocusNotifier(widget, events, id);
  if (t.style & style::kDisabled) widget->setEnabled(false);
  if (t.style & style::kHidden) widget->hide();
  return widget;
}

}  // namespace brisa::qt
