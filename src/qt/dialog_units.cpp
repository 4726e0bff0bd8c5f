#include "qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace brisa::qt {
namespace {

// Rounded a * b / c, as Windows' MulDiv.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  return static_cast<int>((product >= 0 ? product + c / 2 : product - c / 2) / c);
}

}  // namespace

QFont DialogFont(const res::DialogTemplate& dialog) {
  QString family = QString::fromStdString(dialog.fontName);
  if (!QFontDatabase::families().contains(family)) family = QStringLiteral("DejaVu Sans");
  QFont font(family);
  font.setPointSize(dialog.fontPointSize);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_baseX = (width / 26 + 1) / 2;
  m_baseY = metrics.height();
}

int DialogUnits::x(int units) const {
  return MulDiv(units, m_baseX, 4);
}

int DialogUnits::y(int units) const {
  return MulDiv(units, m_baseY, 8);
}

QRect DialogUnits::rect(const res::Rect& r) const {
  return QRect(x(r.x), y(r.y), x(r.width), y(r.height));
}

}  // namespace brisa::qt
