// The shell tests run GoogleTest inside a Qt application (the offscreen
// platform, set by the test registration), so windows, timers and sockets
// work as in the program.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
