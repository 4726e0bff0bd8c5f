// The floor of brisa's idle CPU and start-up: an empty window with the same 5 ms precise timer
// and nothing in its tick.
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include "qt/first_frame.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  brisa::qt::ReportFirstFrameWhenAsked();
  QDialog window;
  window.resize(640, 480);
  window.show();
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &timer, [] {});
  timer.start(5);
  return application.exec();
}
