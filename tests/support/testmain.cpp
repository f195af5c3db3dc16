// One QApplication per test program, on the offscreen platform, and a message box handler
// that never blocks: a box no test expected is printed and answered with its default button.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <unistd.h>

#include "platform/msgbox/messagebox.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("ORVANE_DRY_RUN_SYSTEM", "1");
  ::testing::InitGoogleTest(&argc, argv);
  // As the program does, for the tests that open a web page.
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  orvane::setMessageBoxHandler([](const orvane::MessageBoxRequest& r) {
    std::fprintf(stderr, "unexpected message box [%s] %s\n", qPrintable(r.caption), qPrintable(r.text));
    return orvane::mb::defaultResultOf(r.flags);
  });
  return RUN_ALL_TESTS();
}
