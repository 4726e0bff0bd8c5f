#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  // Test discovery runs this binary at build time without the tests' environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  // The window's workers loop until the process ends, on objects the tests leave alive for
  // them, as the application does; so the process ends here, without tearing those down.
  std::fflush(nullptr);
  std::_Exit(result);
}
