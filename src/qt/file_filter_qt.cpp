#include "qt/file_filter_qt.h"

#include <QStringList>

#include "ui/file_filter.h"

namespace brisa::qt {

QString ToQtFileFilter(const std::string& filter) {
  QStringList parts;
  for (const auto& entry : ui::ParseFileFilter(filter)) {
    const QString display = QString::fromStdString(entry.display).trimmed();
    const QString patterns =
        QString::fromStdString(entry.pattern).split(';', Qt::SkipEmptyParts).join(' ');
    const QString suffix = QStringLiteral("(") + patterns + QStringLiteral(")");
    parts << (display.endsWith(suffix) ? display : display + QStringLiteral(" ") + suffix);
  }
  return parts.join(QStringLiteral(";;"));
}

}  // namespace brisa::qt
