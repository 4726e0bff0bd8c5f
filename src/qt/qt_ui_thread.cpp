#include "qt/qt_ui_thread.h"

#include <QMetaObject>
#include <QThread>
#include <exception>

namespace brisa::qt {

QtUiThread::QtUiThread() : m_receiver(std::make_unique<QObject>()) {}

QtUiThread::~QtUiThread() = default;

void QtUiThread::invoke(const std::function<void()>& work) {
  if (QThread::currentThread() == m_receiver->thread()) {
    work();
    return;
  }
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      m_receiver.get(),
      [&] {
        try {
          work();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace brisa::qt
