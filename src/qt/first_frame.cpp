#include "qt/first_frame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace brisa::qt {
namespace {

class FirstFrame final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || !watched->isWidgetType() ||
        !static_cast<QWidget*>(watched)->isWindow()) {
      return false;
    }
    QCoreApplication::instance()->removeEventFilter(this);
    // Queued, so the stamp comes after the whole window has been painted and flushed.
    QMetaObject::invokeMethod(
        this,
        [this] {
          timespec now{};
          clock_gettime(CLOCK_MONOTONIC, &now);
          std::fprintf(stderr, "first-frame %lld\n",
                       static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
          std::fflush(stderr);
          deleteLater();
        },
        Qt::QueuedConnection);
    return false;
  }
};

}  // namespace

void ReportFirstFrameWhenAsked() {
  if (std::getenv("BRISA_FIRST_FRAME") == nullptr) return;
  QCoreApplication::instance()->installEventFilter(new FirstFrame);
}

}  // namespace brisa::qt
