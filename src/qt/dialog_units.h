#pragma once

#include <QFont>
#include <QRect>

#include "resources/dialog_template.h"

namespace brisa::qt {

// The font a dialog template names, or a font that is present here at the same size when the
// named one is missing.
QFont DialogFont(const res::DialogTemplate& dialog);

// Dialog units to pixels the way Windows maps them: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

  int x(int units) const;
  int y(int units) const;
  QRect rect(const res::Rect& r) const;
  int baseX() const { return m_baseX; }
  int baseY() const { return m_baseY; }

 private:
  int m_baseX;
  int m_baseY;
};

}  // namespace brisa::qt
