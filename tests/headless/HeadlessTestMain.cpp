// The window-less tests run GoogleTest inside a Qt core application, so
// processes, sockets and HTTP requests have an event loop to wait on.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
